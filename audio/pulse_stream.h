#pragma once
// The synth's audio stream to the desktop's sound server (pulse_client.h). The client
// library's main loop renders on request and sleeps in poll() otherwise; a paused stream is
// corked, so a silent program costs nothing. The stream goes to the default output and follows
// it when the user picks another.

#include <string>

#include "audio/audio_stream.h"
#include "audio/pulse_client.h"

namespace audio {

struct PulseOptions {
    std::string applicationName = "Tolmary";
    std::string streamName = "Referenčni ton";
    int sampleRate = 44100;
    // Note-on to sound, split by the server between its buffer and ours. A shared desktop
    // wakes a client (and the server's own main thread) late now and then; this much rides
    // that out without a gap, while a warm stream still sounds a note within about 25 ms.
    int latencyMs = 40;
};

class PulseStream final : public AudioStream, private PulseClient::Owner {
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
    void contextReady(pa_context* context) override;
    void streamReady(pa_stream* stream) override;
    void connectionLost() override;
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);
    void fill(pa_stream* stream, std::size_t bytes);

    AudioSource& source_;
    PulseOptions options_;
    // What the stream should be: corked until a note wants it, corked again when it is silent.
    bool corked_ = true;
    // Last: its loop's thread stops first, while everything it calls still exists.
    PulseClient client_;
};

}  // namespace audio
