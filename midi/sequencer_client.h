#pragma once
// A client of the system's MIDI sequencer through RtMidi, whose library is opened when the
// first client is made instead of when the program starts: RtMidi brings JACK and Berkeley DB
// into the process, and the tuner plays through its built-in synth unless a port is chosen.

#include <cstddef>
#include <memory>
#include <string>

class RtMidiOut;
struct RtMidiWrapper;

namespace midi {

class SequencerClient {
public:
    // A client named `name` on the ALSA sequencer, whose errors are answered by return codes
    // alone (RtMidi would otherwise print or throw from inside a send); null when RtMidi cannot
    // be loaded (why in `error`) or the client cannot be made (RtMidi has said why on stderr).
    static std::unique_ptr<SequencerClient> make(const char* name, std::string& error);
    ~SequencerClient();
    SequencerClient(const SequencerClient&) = delete;
    SequencerClient& operator=(const SequencerClient&) = delete;

    unsigned portCount();
    // Empty when there is no such port.
    std::string portName(unsigned port);
    // Connects the client to `port` under `name`; false when it cannot.
    bool openPort(unsigned port, const std::string& name);
    void closePort();
    // False when the message could not be sent (the port went away).
    bool send(const unsigned char* bytes, std::size_t size);

private:
    explicit SequencerClient(RtMidiWrapper* wrapper);
    RtMidiOut& out();

    RtMidiWrapper* wrapper_;
};

}  // namespace midi
