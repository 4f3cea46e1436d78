#pragma once
// The built-in synth as an open MIDI device: the FluidSynth engine, the key tuning that puts
// each guitar note on its exact pitch, and, when it plays live, the audio output that renders
// it while it sounds and the loader that finds its SoundFont's pitch corrections.

#include <memory>
#include <string>
#include <vector>

#include "audio/audio_stream.h"
#include "midi/fluid_engine.h"
#include "midi/key_tuning.h"
#include "midi/system_midi_port.h"
#include "pitch/pitch_correction_loader.h"

namespace midi {

class SynthOutput;

// What the live synth is made of.
struct SynthSetup {
    EngineOptions engine;
    // Ways to the speakers, tried in order at open.
    std::vector<audio::AudioBackend> outputs;
    // How long opening waits for a sound server to answer.
    int connectTimeoutMs = 3000;
    // How the SoundFont's pitch corrections are found.
    pitch::CorrectionLookup corrections;
};

class SynthDevice final : public MidiDevice {
public:
    // Renders offline only, on request, without corrections of its own (a calibration's synth).
    explicit SynthDevice(std::unique_ptr<FluidEngine> engine);
    // The live synth: null, and the reason in `error`, when the SoundFont cannot be loaded or
    // no output connects.
    static std::unique_ptr<SynthDevice> open(const SynthSetup& setup, std::string& error);
    ~SynthDevice() override;
    SynthDevice(const SynthDevice&) = delete;
    SynthDevice& operator=(const SynthDevice&) = delete;

    // Plays the message; a program change also selects the program's key tuning, and a
    // note-on wakes the output.
    int send(const ShortMessage& message) override;
    void setTuningOffset(double cents) override { keyTuning_.setOffset(cents); }

    FluidEngine* engine() const { return engine_.get(); }
    KeyTuning& keyTuning() { return keyTuning_; }
    // Null offline.
    SynthOutput* output() const { return output_.get(); }

private:
    // Members in the order they rely on each other, so that they go the other way round: the
    // loader (its thread writes into the key tuning) stops first, then the output (its thread
    // renders the engine), then the key tuning and the engine.
    std::unique_ptr<FluidEngine> engine_;
    KeyTuning keyTuning_;
    std::unique_ptr<SynthOutput> output_;
    std::unique_ptr<pitch::PitchCorrectionLoader> loader_;
};

}  // namespace midi
