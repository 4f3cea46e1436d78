#pragma once
// The FluidSynth engine: owns the settings, synth and (optional) audio driver handles and frees
// them in reverse order. Without audio drivers it renders offline, for tests and calibration.

#include <memory>
#include <string>
#include <vector>

#include "midi/short_message.h"

extern "C" {
typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;
}

namespace midi {

struct EngineOptions {
    std::string soundFont;
    // Audio drivers to try in order; empty renders offline only.
    std::vector<std::string> audioDrivers;
    double sampleRate = 44100.0;
    // Output level; soundfonts.h has the gain that suits each installed SoundFont.
    double gain = 1.0;
    // 4 periods of 64 frames: 5.8 ms of buffering at 44.1 kHz, so a note starts well within
    // 15 ms, with two periods more than the minimum to ride out a late wake-up of the audio
    // thread without a click.
    int periodSize = 64;
    int periods = 4;
};

// The audio drivers a Linux desktop has, most likely to sound first. PipeWire desktops serve
// the PulseAudio protocol. The "file" driver is never tried: it writes into the current folder.
std::vector<std::string> desktopAudioDrivers();

class FluidEngine {
public:
    // Creates the engine, or returns null and the reason in `error` (FluidSynth's own log
    // messages of the attempt included).
    static std::unique_ptr<FluidEngine> create(const EngineOptions& options, std::string& error);
    ~FluidEngine();
    FluidEngine(const FluidEngine&) = delete;
    FluidEngine& operator=(const FluidEngine&) = delete;

    // Plays one decoded short message. Returns 0, or an error code for a message the synth
    // refused.
    int send(const ShortMessage& message);
    // Renders `frames` stereo frames offline (only meaningful without an audio driver).
    void render(float* left, float* right, int frames);

    fluid_synth_t* synth() const { return synth_; }
    const std::string& audioDriver() const { return driverName_; }
    double sampleRate() const { return sampleRate_; }

private:
    FluidEngine() = default;

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_audio_driver_t* driver_ = nullptr;
    std::string driverName_;
    double sampleRate_ = 44100.0;
};

}  // namespace midi
