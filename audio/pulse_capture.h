#pragma once
// A mono record stream from the desktop's default source (pulse_client.h), in short
// fragments so that a reading follows a pluck quickly.

#include <string>

#include "audio/audio_capture.h"
#include "audio/pulse_client.h"

namespace audio {

struct CaptureOptions {
    std::string applicationName = "Tolmary";
    std::string streamName = "Merilnik uglasitve";
    int sampleRate = 48000;
    int fragmentMs = 20;
};

class PulseCapture final : public AudioCapture, private PulseClient::Owner {
public:
    PulseCapture(CaptureSink& sink, CaptureOptions options = {});
    ~PulseCapture() override;
    PulseCapture(const PulseCapture&) = delete;
    PulseCapture& operator=(const PulseCapture&) = delete;

    void start() override;
    int sampleRate() const override { return options_.sampleRate; }
    std::string failure() const override;

private:
    void contextReady(pa_context* context) override;
    void connectionLost() override;
    static void onRead(pa_stream* stream, std::size_t bytes, void* self);

    CaptureSink& sink_;
    CaptureOptions options_;
    // Last: its loop's thread stops first, while everything it calls still exists.
    PulseClient client_;
};

}  // namespace audio
