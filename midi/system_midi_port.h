#pragma once
// The system's MIDI outputs behind MidiPort: id -1 is the built-in synth (FluidSynth with a
// General MIDI SoundFont, played through the desktop's audio), ids 0..n-1 the sequencer's
// output ports.

#include <future>
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

    // Starts opening the built-in synth on a thread of its own, so that loading its SoundFont
    // and connecting to the sound server overlap with what the caller does meanwhile (building
    // the window); the next open(mapperId) takes it over, or waits for it.
    void prepareSynth();

    int open(int id) override;
    int shortMsg(std::uint32_t word) override;
    int close() override;
    int count() override;
    int deviceName(int index, std::string& name) override;

    // Why the last open failed, for the error report; empty after a successful open.
    const std::string& lastError() const { return lastError_; }

private:
    std::unique_ptr<RtMidiOut> makeSequencerClient();

    struct Prepared {
        std::unique_ptr<MidiDevice> device;
        std::string error;
    };
    Prepared openSynth() const;

    std::unique_ptr<SynthSetup> synthSetup_;
    std::future<Prepared> prepared_;
    std::unique_ptr<MidiDevice> device_;
    std::string lastError_;
};

}  // namespace midi
