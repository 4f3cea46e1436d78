#pragma once
// The seam between the listening tuner and the desktop's microphone: a record stream that
// hands mono samples to a sink on a thread of its own. It exists only while the tuner
// listens, so the microphone is never open behind the user's back. The desktop's is
// PulseCapture; tests feed a sink by hand.

#include <functional>
#include <memory>
#include <string>

namespace audio {

class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    // `count` mono samples in [-1, 1], on the capture's thread.
    virtual void captured(const float* samples, int count) = 0;
    // No source, or the server went away; nothing more arrives from this capture.
    virtual void captureLost() = 0;
};

class AudioCapture {
public:
    // Closes the stream; once it returns, no call into the sink runs or will run.
    virtual ~AudioCapture() = default;
    // Starts recording; samples or the loss arrive at the sink.
    virtual void start() = 0;
    virtual int sampleRate() const = 0;
    // Why the capture was lost, once it was.
    virtual std::string failure() const = 0;
};

// Makes an unstarted capture that feeds `sink`.
using AudioCaptureFactory = std::function<std::unique_ptr<AudioCapture>(CaptureSink& sink)>;

}  // namespace audio
