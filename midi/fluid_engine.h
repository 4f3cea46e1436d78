#pragma once
// The FluidSynth engine: owns the settings and synth handles and frees them in reverse order.
// It only renders on request; who asks (an audio output, a calibration) is the caller's affair.

#include <memory>
#include <string>

#include "midi/short_message.h"

extern "C" {
typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
}

namespace midi {

struct FluidLibrary;

struct EngineOptions {
    std::string soundFont;
    double sampleRate = 44100.0;
    // Output level; soundfonts.h has the gain that suits each installed SoundFont.
    double gain = 1.0;
};

class FluidEngine {
public:
    // Creates the engine, or returns null and the reason in `error` (FluidSynth's own log
    // messages of the attempt included).
    static std::unique_ptr<FluidEngine> create(const EngineOptions& options, std::string& error);
    ~FluidEngine();
    FluidEngine(const FluidEngine&) = delete;
    FluidEngine& operator=(const FluidEngine&) = delete;

    // Plays one decoded short message. Returns 0, or an error code for a message the synth
    // refused. Safe from any thread, as is everything below.
    int send(const ShortMessage& message);
    // Renders `frames` stereo frames into separate left and right buffers.
    void render(float* left, float* right, int frames);
    // Renders `frames` stereo frames interleaved (left, right, left, ...).
    void renderInterleaved(float* frames, int count);
    // Voices still sounding, releasing ones included.
    int activeVoices() const;
    // Silences every voice at once, without a release; programs and tunings stay.
    void silence();

    fluid_synth_t* synth() const { return synth_; }
    const FluidLibrary& library() const { return fluid_; }
    double sampleRate() const { return sampleRate_; }

private:
    explicit FluidEngine(const FluidLibrary& fluid) : fluid_(fluid) {}

    const FluidLibrary& fluid_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    double sampleRate_ = 44100.0;
};

}  // namespace midi
