#pragma once
// The synth's audio stream as a node of the desktop's PipeWire graph. The graph's driver
// calls the stream on PipeWire's real-time data thread, which renders each cycle straight into
// the graph's buffer, so no server thread without real-time priority stands between the synth
// and the sink. A paused stream is inactive: nothing runs, and the sink may suspend. The stream
// is linked to the default sink by the session manager, which moves it when the default
// changes.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/audio_stream.h"

extern "C" {
struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_registry;
struct pw_stream;
struct spa_source;
}

namespace audio {

struct PipeWireOptions {
    std::string applicationName = "Tolmary";
    std::string streamName = "Referenčni ton";
    int sampleRate = 44100;
    // The graph cycle asked for (the server rounds it down to a power of two of frames, 256 at
    // 48 kHz). A note waits for the next cycle and then plays one cycle later, so this much
    // keeps note-on to sound near the PulseAudio stream's 25 ms; the data thread is real-time,
    // so other programs' load does not delay it. (Where a virtual machine's host takes the CPU
    // from the server itself for longer than a cycle, the server runs the missed cycles back
    // to back and one of them is silent, however long the cycle.)
    int cycleMs = 10;
};

class PipeWireStream final : public AudioStream {
public:
    PipeWireStream(AudioSource& source, PipeWireOptions options);
    ~PipeWireStream() override;
    PipeWireStream(const PipeWireStream&) = delete;
    PipeWireStream& operator=(const PipeWireStream&) = delete;

    void connect() override;
    bool waitConnected(int timeoutMs) override;
    void resume() override;
    std::string failure() const override;

private:
    enum class Status { idle, connecting, ready, failed };
    // The listeners PipeWire calls back through (pipewire_stream.cpp).
    struct Hooks;

    // On the loop's thread, or under its lock.
    void connectLocked();
    void stateChanged(int state, const char* error);
    void sinkSeen();
    void coreDone(std::uint32_t id, int seq);
    void becomeReady();
    void coreError(std::uint32_t id, int result, const char* message);
    void drained(std::uint32_t resumesSeen);
    void fail(std::string why);
    // On the data thread.
    void process();
    void askRealtime();

    AudioSource& source_;
    PipeWireOptions options_;
    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    pw_registry* registry_ = nullptr;
    pw_stream* stream_ = nullptr;
    spa_source* drainEvent_ = nullptr;
    std::unique_ptr<Hooks> hooks_;

    // Under the loop's lock.
    Status status_ = Status::idle;
    bool active_ = false;  // what the stream should be: active from a note until silence
    bool running_ = false;
    // Ready once the stream is there and the server's objects have been listed with a sink.
    bool streamPaused_ = false;
    int listed_ = -1;  // the round trip that ends the listing
    bool listedAll_ = false;
    bool sinkSeen_ = false;
    std::string failure_;

    // Counts resume() calls: a pause that a render asked for is carried out only if no resume
    // came after that render began.
    std::atomic<std::uint32_t> resumes_{0};
    // The resume count at the render that found silence, for the loop's thread.
    std::atomic<std::uint32_t> drainedAtResume_{0};
    std::atomic<bool> lost_{false};
    std::atomic<bool> realtimeAsked_{false};
    // Touched only on the data thread: the source said it is silent; until a resume after
    // that render, cycles are filled with silence.
    bool drained_ = false;
};

}  // namespace audio
