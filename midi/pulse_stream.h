#pragma once
// An audio stream to the desktop's sound server over the PulseAudio protocol, which PipeWire
// desktops serve too. The client library's threaded main loop renders on request and sleeps in
// poll() otherwise; a paused stream is corked, so a silent program costs nothing. The stream
// goes to the default output and follows it when the user picks another.

#include <string>

#include "midi/audio_stream.h"

extern "C" {
typedef struct pa_threaded_mainloop pa_threaded_mainloop;
typedef struct pa_context pa_context;
typedef struct pa_stream pa_stream;
}

namespace midi {

struct PulseOptions {
    std::string applicationName = "Tolmary";
    std::string streamName = "Referenčni ton";
    int sampleRate = 44100;
    // Note-on to sound. A shared desktop wakes a client late now and then; this much buffer
    // rides that out without a gap while a click still sounds at once.
    int latencyMs = 30;
};

class PulseStream final : public AudioStream {
public:
    PulseStream(AudioSource& source, PulseOptions options);
    ~PulseStream() override;
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    void connect() override;
    bool waitConnected(int timeoutMs) override;
    void resume() override;
    std::string failure() const override;

private:
    enum class Status { idle, connecting, ready, failed };

    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);
    // The rest run on the main loop's thread or under its lock.
    void openStream();
    void fill(std::size_t bytes);
    void cork(bool paused);
    void fail();

    AudioSource& source_;
    PulseOptions options_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    Status status_ = Status::idle;
    // What the stream should be: corked until a note wants it, corked again when it is silent.
    bool corked_ = true;
    bool timedOut_ = false;
    std::string failure_;
};

}  // namespace midi
