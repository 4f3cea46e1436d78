#pragma once
// The midi module: the tuner's notes as MIDI messages to a port, either a system MIDI port or
// the built-in FluidSynth synth, whose rendered frames leave through an audio:: stream
// (synth_output.h) while it sounds.
//
// MIDILib: one MIDI output device with the sound settings of the tuner (program, velocity,
// channel, base note). It builds the short-message words in 16-bit arithmetic, opens and
// closes the device through a MidiPort, and holds a note for whole seconds through a WaitHost
// while the user interface keeps running (so calls may nest).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "midi/midi_port.h"
#include "midi/wait_host.h"

namespace midi {

class MIDILib {
public:
    // Neither the port nor the wait host is owned; both must outlive the object.
    MIDILib(MidiPort& port, WaitHost& waitHost);
    ~MIDILib();
    MIDILib(const MIDILib&) = delete;
    MIDILib& operator=(const MIDILib&) = delete;

    // Standard tuning, thickest string first: 40, 45, 50, 55, 59, 64.
    std::array<std::int16_t, 6> guitarNotes() const;

    // Note-on, wait `duration` whole seconds handling events, note-off. The seconds count from
    // when the device can sound the note: a device still loading is waited for first.
    void playNote(std::int16_t noteValue, std::int16_t duration);
    // The two halves of a note, for a caller that times several notes itself (a strum).
    void sendNoteOn(std::int16_t noteValue);
    void sendNoteOff(std::int16_t noteValue);

    std::int32_t deviceID() const { return deviceId_; }
    std::int16_t instrument() const { return instrument_; }
    // 0 to 127: stored and sent as a program change while open; anything else is ignored.
    void setInstrument(std::int16_t value);
    std::int16_t baseNote() const { return baseNote_; }
    void setBaseNote(std::int16_t value) { baseNote_ = value; }
    std::int16_t volume() const { return volume_; }
    // 0 to 127: stored for the next note-on; anything else is ignored.
    void setVolume(std::int16_t value);
    std::int16_t channel() const { return channel_; }
    void setChannel(std::int16_t value) { channel_ = value; }
    bool deviceOpen() const { return deviceOpen_; }
    std::int32_t lastResult() const { return lastResult_; }

    // Closes the device. False when nothing was open (retVal untouched) or the close failed.
    bool closeMIDI(std::int32_t deviceId, std::int32_t& retVal);
    // Closes whatever is open, resets the sound settings and opens `deviceId`.
    bool connectMIDI(std::int32_t deviceId, std::int32_t& retVal);
    // Index 0 "MIDI Mapper", then each device's name as a 32-character field.
    std::vector<std::string> getMIDIDevices();

    // The words as they go out, exposed for callers that want to know what a note sends.
    std::uint32_t noteOnWord(std::int16_t noteValue) const;
    std::uint32_t noteOffWord(std::int16_t noteValue) const;
    std::uint32_t programChangeWord() const;

private:
    void sendProgramChange();
    void setDefaults();

    MidiPort& port_;
    WaitHost& waitHost_;
    std::int16_t baseNote_ = 36;
    std::int16_t volume_ = 127;
    std::int16_t channel_ = 1;
    std::int16_t instrument_ = 0;
    std::int32_t deviceId_ = 0;
    std::int32_t maxDeviceIndex_ = 0;
    std::int32_t lastResult_ = 0;
    bool deviceOpen_ = false;
};

}  // namespace midi
