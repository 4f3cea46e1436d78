#pragma once
// The built-in synth as an open MIDI device: adapts the FluidSynth engine to short messages.
// Program changes also select the program's key tuning, which puts each note on its exact
// pitch once the SoundFont's corrections are known.

#include <memory>

#include "midi/fluid_engine.h"
#include "midi/key_tuning.h"
#include "midi/system_midi_port.h"

namespace midi {

class SynthDevice final : public MidiDevice {
public:
    explicit SynthDevice(std::unique_ptr<FluidEngine> engine)
        : engine_(std::move(engine)), keyTuning_(engine_->synth()) {}
    int send(const ShortMessage& message) override {
        const int r = engine_->send(message);
        if (message.kind() == 0xC0 && r == 0)
            keyTuning_.programChanged(message.channel(), message.data1());
        if (message.status() == 0xFF && r == 0)
            keyTuning_.reset();
        return r;
    }
    FluidEngine* engine() const { return engine_.get(); }
    KeyTuning& keyTuning() { return keyTuning_; }

private:
    std::unique_ptr<FluidEngine> engine_;
    KeyTuning keyTuning_;
};

}  // namespace midi
