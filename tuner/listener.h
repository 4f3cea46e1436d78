#pragma once
// Listening to the guitar: a record stream from the microphone and the live pitch estimator
// reading it on the stream's thread. Readings and the loss of the microphone are handed to the
// owner's callbacks on that thread; the listening window and the terminal tuner take them from
// there. The microphone is open exactly while a Listener is listening.

#include <functional>
#include <memory>
#include <string>

#include "audio/audio_capture.h"
#include "pitch/live_estimator.h"

namespace tuner {

class Listener final : private audio::CaptureSink {
public:
    using OnReading = std::function<void(const pitch::Reading& reading)>;
    // Why the microphone is not available (no source, no sound server).
    using OnLost = std::function<void(const std::string& why)>;

    Listener(audio::AudioCaptureFactory captures, double lowestNote, double highestNote,
             OnReading onReading, OnLost onLost);
    // Closes the microphone; no callback runs once it returns.
    ~Listener() override;
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Opens the microphone and starts reading.
    void start();

private:
    void captured(const float* samples, int count) override;
    void captureLost() override;

    OnReading onReading_;
    OnLost onLost_;
    // Made first, as the estimator needs its rate; closed first, in the destructor's body,
    // while everything its thread calls still exists.
    std::unique_ptr<audio::AudioCapture> capture_;
    pitch::LiveEstimator estimator_;
};

}  // namespace tuner
