#pragma once
// Plays the synth through an audio stream, and only while it sounds: a note-on starts the
// stream, and once every voice (its release included) has been silent for `holdSeconds` the
// stream pauses and the process sleeps. If the connection is lost, what sounded is dropped and
// the next note-on connects again, so a restarted sound server is heard from the next note on.
//
//   paused --wake (note-on)--> running --silent for holdSeconds--> paused
//   any --stream lost--> lost --wake (note-on)--> running (a new stream; lost again if it fails)

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "audio/audio_stream.h"

namespace midi {

class FluidEngine;

class SynthOutput final : private audio::AudioSource {
public:
    enum class State { paused, running, lost };

    // Silence kept playing after the last voice ends, before the stream pauses: long enough
    // that the stream's buffer holds nothing audible when it pauses, short enough that a
    // silent window costs nothing.
    static constexpr double holdSeconds = 1.0;

    SynthOutput(FluidEngine& engine, audio::AudioStreamFactory streams);
    ~SynthOutput() override;
    SynthOutput(const SynthOutput&) = delete;
    SynthOutput& operator=(const SynthOutput&) = delete;

    // Connects a first stream, paused; false, and why in `error`, when it cannot connect
    // within `timeoutMs`.
    bool open(int timeoutMs, std::string& error);
    // A note was posted to the engine, or its queue is full: someone must render. Any thread
    // but the rendering one.
    void wake();
    State state() const;

private:
    bool render(float* interleaved, int frames) override;
    void streamLost() override;

    FluidEngine& engine_;
    audio::AudioStreamFactory streams_;
    std::mutex waking_;  // wake() comes from the window and from a full queue's poster
    std::unique_ptr<audio::AudioStream> stream_;
    std::atomic<bool> lost_{true};
    // Set by render() when it asks the stream to pause, cleared once a note-on has resumed it.
    std::atomic<bool> paused_{true};
    // Set by wake(), taken by the next render(): the silence count starts again.
    std::atomic<bool> woken_{false};
    long silentFrames_ = 0;  // touched only by render()
    long holdFrames_;
};

}  // namespace midi
