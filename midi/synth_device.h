#pragma once
// The built-in synth as an open MIDI device: adapts the FluidSynth engine to short messages.

#include <memory>

#include "midi/fluid_engine.h"
#include "midi/system_midi_port.h"

namespace midi {

class SynthDevice final : public MidiDevice {
public:
    explicit SynthDevice(std::unique_ptr<FluidEngine> engine) : engine_(std::move(engine)) {}
    int send(const ShortMessage& message) override { return engine_->send(message); }
    FluidEngine* engine() const { return engine_.get(); }

private:
    std::unique_ptr<FluidEngine> engine_;
};

}  // namespace midi
