#pragma once
// An output port of the system's MIDI sequencer (through RtMidi) as an open MIDI device.

#include <memory>

#include "midi/system_midi_port.h"

namespace midi {

class SequencerClient;

class SequencerDevice final : public MidiDevice {
public:
    explicit SequencerDevice(std::unique_ptr<SequencerClient> client);
    ~SequencerDevice() override;
    // Sends the message's bytes. A port that went away makes sends fail, never crash.
    int send(const ShortMessage& message) override;

private:
    std::unique_ptr<SequencerClient> client_;
};

}  // namespace midi
