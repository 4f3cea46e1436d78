#pragma once
// The system's MIDI outputs behind MidiPort: id -1 is the built-in synth (FluidSynth with a
// General MIDI SoundFont, played through the desktop's audio), ids 0..n-1 the sequencer's
// output ports.

#include <memory>
#include <string>

#include "midi/fluid_engine.h"
#include "midi/midi_port.h"

class RtMidiOut;

namespace pitch {
class PitchCorrectionLoader;
}

namespace midi {

// One open output; receives decoded messages.
class MidiDevice {
public:
    virtual ~MidiDevice() = default;
    virtual int send(const ShortMessage& message) = 0;
};

class SystemMidiPort final : public MidiPort {
public:
    // `engineOptions` configure the built-in synth; left empty, the SoundFont is the first
    // installed of soundFontCandidates with its gain, and the drivers desktopAudioDrivers().
    explicit SystemMidiPort(EngineOptions engineOptions = {});
    ~SystemMidiPort() override;

    int open(int id) override;
    int shortMsg(std::uint32_t word) override;
    int close() override;
    int count() override;
    int deviceName(int index, std::string& name) override;

    // Why the last open failed, for the error report; empty after a successful open.
    const std::string& lastError() const { return lastError_; }
    // The engine while the built-in synth is open, else null.
    FluidEngine* engine() const { return engine_; }

private:
    std::unique_ptr<RtMidiOut> makeSequencerClient();

    EngineOptions engineOptions_;
    std::unique_ptr<MidiDevice> device_;
    // Puts the built-in synth in tune once its SoundFont's corrections are found; declared
    // after the device so that it is stopped before the device goes.
    std::unique_ptr<pitch::PitchCorrectionLoader> pitchLoader_;
    FluidEngine* engine_ = nullptr;
    std::string lastError_;
};

}  // namespace midi
