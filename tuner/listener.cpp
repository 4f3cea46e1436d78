#include "tuner/listener.h"

namespace tuner {

Listener::Listener(audio::AudioCaptureFactory captures, double lowestNote, double highestNote,
                   OnReading onReading, OnLost onLost)
    : onReading_(std::move(onReading)),
      onLost_(std::move(onLost)),
      capture_(captures ? captures(*this) : nullptr),
      // Without a capture the estimator is given no usable rate and reads nothing.
      estimator_(capture_ ? capture_->sampleRate() : 0.0, lowestNote, highestNote) {}

Listener::~Listener() {
    capture_.reset();
}

void Listener::start() {
    if (capture_)
        capture_->start();
    else
        captureLost();
}

void Listener::captured(const float* samples, int count) {
    for (const pitch::Reading& reading :
         estimator_.push(std::span<const float>(samples, static_cast<std::size_t>(count))))
        onReading_(reading);
}

void Listener::captureLost() {
    onLost_(capture_ ? capture_->failure() : std::string("no microphone"));
}

}  // namespace tuner
