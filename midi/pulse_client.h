#pragma once
// A client of the desktop's sound server over the PulseAudio protocol, which PipeWire desktops
// serve too: one threaded main loop and one context. Its owner opens a stream once the context
// is ready and says when that stream is ready too; a failure of either, or the server going
// away, reaches the owner once. The playback and the record stream both stand on it.

#include <string>

extern "C" {
typedef struct pa_threaded_mainloop pa_threaded_mainloop;
typedef struct pa_context pa_context;
}

namespace midi {

class PulseClient {
public:
    class Owner {
    public:
        virtual ~Owner() = default;
        // The context is connected: open the stream. Runs on the loop's thread.
        virtual void contextReady(pa_context* context) = 0;
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
    // Stops the loop if the owner has not; the owner stops it first when it holds a stream.
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
    void streamReady();
    void fail();
    bool ready() const { return status_ == Status::ready; }
    bool failed() const { return status_ == Status::failed; }

    // Why the connection failed or was lost, once it was.
    std::string failure() const;

private:
    enum class Status { idle, connecting, ready, failed };

    static void onContextState(pa_context* context, void* self);

    Owner& owner_;
    std::string threadName_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    Status status_ = Status::idle;
    bool running_ = false;
    bool timedOut_ = false;
    std::string failure_;
};

}  // namespace midi
