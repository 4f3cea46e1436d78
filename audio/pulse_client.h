#pragma once
// A client of the desktop's sound server over the PulseAudio protocol, which PipeWire desktops
// serve too: one threaded main loop, one context and one stream of float samples. Its owner
// creates the stream once the context is ready and connects it for playback or recording; a
// failure of either, or the server going away, reaches the owner once. The synth's playback
// and the listening tuner's record stream both stand on it.

#include <cstdint>
#include <string>

extern "C" {
typedef struct pa_threaded_mainloop pa_threaded_mainloop;
typedef struct pa_context pa_context;
typedef struct pa_stream pa_stream;
struct pa_buffer_attr;
}

namespace audio {

class PulseClient {
public:
    class Owner {
    public:
        virtual ~Owner() = default;
        // The context is connected: create and connect the stream. Runs on the loop's thread.
        virtual void contextReady(pa_context* context) = 0;
        // The stream is connected, just before anyone waiting for it hears so. Loop's thread.
        virtual void streamReady(pa_stream*) {}
        // The connection could not be made or is gone; called once, on the loop's thread or
        // from inside connect().
        virtual void connectionLost() = 0;
    };

    // Holds the loop's lock, unless the caller runs on the loop's own thread (a callback),
    // which holds it already.
    class Lock {
    public:
        explicit Lock(const PulseClient& client);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

    PulseClient(Owner& owner, std::string threadName);
    // Stops the loop, then lets go of the stream and the context.
    ~PulseClient();
    PulseClient(const PulseClient&) = delete;
    PulseClient& operator=(const PulseClient&) = delete;

    // Starts connecting to the default server (or $PULSE_SERVER) as `applicationName`.
    void connect(const std::string& applicationName);
    // Waits until the owner's stream is ready (true), or failed or `timeoutMs` passed (false).
    bool waitReady(int timeoutMs);
    // Joins the loop's thread: no callback runs after it. Repeatable.
    void stop();

    // For the owner, on the loop's thread or under the lock:
    // The stream, `channels` float samples a frame, named and given a media role for the
    // desktop's sound settings; watched for readiness and failure. Null, and the connection
    // failed, when it cannot be made.
    pa_stream* createStream(pa_context* context, const std::string& name, int sampleRate,
                            int channels, const char* role);
    pa_stream* stream() const { return stream_; }
    void fail();
    bool ready() const { return status_ == Status::ready; }

    // Why the connection failed or was lost, once it was.
    std::string failure() const;

private:
    enum class Status { idle, connecting, ready, failed };

    void failBecause(const std::string& why);
    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);

    Owner& owner_;
    std::string threadName_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    Status status_ = Status::idle;
    bool running_ = false;
    bool timedOut_ = false;
    std::string failure_;
};

// Buffer sizes all left to the server; the owner sets the one it cares about.
pa_buffer_attr serverChosenBuffer();

// `milliseconds` of float samples at `sampleRate` with `channels`, in bytes.
std::uint32_t bufferBytes(int milliseconds, int sampleRate, int channels);

}  // namespace audio
