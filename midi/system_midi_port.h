#pragma once
// The system's MIDI outputs behind MidiPort: id -1 is the built-in synth (FluidSynth with a
// General MIDI SoundFont, played through the desktop's audio), ids 0..n-1 the sequencer's
// output ports.

#include <memory>
#include <string>

#include "midi/midi_port.h"
#include "midi/short_message.h"

class RtMidiOut;

namespace midi {

struct SynthSetup;

// One open output; receives decoded messages.
class MidiDevice {
public:
    virtual ~MidiDevice() = default;
    virtual int send(const ShortMessage& message) = 0;
};

class SystemMidiPort final : public MidiPort {
public:
    // The built-in synth plays the first installed of soundFontCandidates at its gain, through
    // desktopAudioBackends(), and calibrates a SoundFont it has no corrections for.
    SystemMidiPort();
    // A synth made as `setup` says (tests, tools).
    explicit SystemMidiPort(const SynthSetup& setup);
    ~SystemMidiPort() override;

    int open(int id) override;
    int shortMsg(std::uint32_t word) override;
    int close() override;
    int count() override;
    int deviceName(int index, std::string& name) override;

    // Why the last open failed, for the error report; empty after a successful open.
    const std::string& lastError() const { return lastError_; }
    // The open device, else null.
    MidiDevice* device() const { return device_.get(); }

private:
    std::unique_ptr<RtMidiOut> makeSequencerClient();

    std::unique_ptr<SynthSetup> synthSetup_;
    std::unique_ptr<MidiDevice> device_;
    std::string lastError_;
};

}  // namespace midi
