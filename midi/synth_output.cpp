#include "midi/synth_output.h"

#include <cmath>

#include "midi/fluid_engine.h"

namespace midi {

SynthOutput::SynthOutput(FluidEngine& engine, audio::AudioStreamFactory streams)
    : engine_(engine),
      streams_(std::move(streams)),
      holdFrames_(std::lround(holdSeconds * engine.sampleRate())) {}

SynthOutput::~SynthOutput() {
    // The stream's thread calls back into this object; it must be gone first.
    stream_.reset();
}

bool SynthOutput::open(int timeoutMs, std::string& error) {
    stream_ = streams_(*this);
    lost_ = false;
    paused_ = true;
    stream_->connect();
    if (stream_->waitConnected(timeoutMs))
        return true;
    error = stream_->failure();
    stream_.reset();
    lost_ = true;
    return false;
}

SynthOutput::State SynthOutput::state() const {
    if (lost_.load())
        return State::lost;
    return paused_.load() ? State::paused : State::running;
}

void SynthOutput::wake() {
    std::lock_guard lock(waking_);
    woken_ = true;
    if (lost_.load()) {
        // The old stream has called its last; a new one connects without waiting, and
        // renders the note once it is there.
        stream_.reset();
        stream_ = streams_(*this);
        lost_ = false;
        stream_->connect();
    }
    stream_->resume();
    // Only now: a render() that paused before this resume() has already said so.
    paused_ = false;
}

bool SynthOutput::render(float* interleaved, int frames) {
    if (woken_.exchange(false))
        silentFrames_ = 0;
    engine_.renderInterleaved(interleaved, frames);
    if (engine_.activeVoices() > 0) {
        silentFrames_ = 0;
        return true;
    }
    silentFrames_ += frames;
    if (silentFrames_ < holdFrames_)
        return true;
    paused_ = true;
    return false;
}

void SynthOutput::streamLost() {
    // A note that nobody rendered must not sound when a later note connects again: what was
    // posted until now is cut at the next render. Before the loss shows, so that a note-on
    // that sees the loss is not cut after it.
    engine_.silenceAfterPosted();
    lost_ = true;
}

}  // namespace midi
