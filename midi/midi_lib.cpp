#include "midi/midi_lib.h"

#include <algorithm>

namespace midi {
namespace {

// The message arithmetic is 16-bit; callers keep every input inside the MIDI ranges, where no
// intermediate value leaves the signed 16-bit range.
std::int16_t add16(std::int32_t a, std::int32_t b) {
    return static_cast<std::int16_t>(a + b);
}
std::int16_t mul256(std::int16_t v) {
    return static_cast<std::int16_t>(v * 256);
}

// A 16-bit word is handed to the device as the unsigned 32-bit value with the same low bits.
std::uint32_t asWord(std::int32_t v) {
    return static_cast<std::uint32_t>(v);
}

}  // namespace

MIDILib::MIDILib(MidiPort& port, WaitHost& waitHost) : port_(port), waitHost_(waitHost) {
    setDefaults();
}

MIDILib::~MIDILib() {
    std::int32_t ignored = 0;
    closeMIDI(deviceId_, ignored);
}

std::array<std::int16_t, 6> MIDILib::guitarNotes() const {
    return {40, 45, 50, 55, 59, 64};
}

void MIDILib::setDefaults() {
    baseNote_ = 36;
    volume_ = 127;
    channel_ = 1;
    instrument_ = 0;
    lastResult_ = 0;
}

std::uint32_t MIDILib::noteOnWord(std::int16_t noteValue) const {
    const std::int16_t note = add16(baseNote_, noteValue);
    const std::int16_t low = add16(mul256(note), 0x90);
    return asWord(std::int32_t{low} + std::int32_t{volume_} * 65536 + channel_);
}

std::uint32_t MIDILib::noteOffWord(std::int16_t noteValue) const {
    const std::int16_t note = add16(baseNote_, noteValue);
    return asWord(add16(add16(mul256(note), 0x80), channel_));
}

std::uint32_t MIDILib::programChangeWord() const {
    return asWord(add16(add16(mul256(instrument_), 0xC0), channel_));
}

void MIDILib::sendNoteOn(std::int16_t noteValue) {
    port_.shortMsg(noteOnWord(noteValue));
}

void MIDILib::sendNoteOff(std::int16_t noteValue) {
    port_.shortMsg(noteOffWord(noteValue));
}

void MIDILib::sendProgramChange() {
    if (!deviceOpen_)
        return;
    port_.shortMsg(programChangeWord());
}

void MIDILib::playNote(std::int16_t noteValue, std::int16_t duration) {
    sendNoteOn(noteValue);
    // A device still loading holds the note-on and plays it once loaded; the note then lasts
    // its whole duration, where timing it from the click would cut it short or lose it.
    constexpr std::int64_t loadingPollMs = 10;
    while (port_.loading())
        waitHost_.processEvents(loadingPollMs);
    waitSeconds(waitHost_, duration);
    sendNoteOff(noteValue);
}

void MIDILib::setInstrument(std::int16_t value) {
    if (value < 0 || value > 127)
        return;
    instrument_ = value;
    sendProgramChange();
}

void MIDILib::setVolume(std::int16_t value) {
    if (value < 0 || value > 127)
        return;
    volume_ = value;
}

bool MIDILib::closeMIDI(std::int32_t /*deviceId*/, std::int32_t& retVal) {
    if (!deviceOpen_)
        return false;
    const int r = port_.close();
    lastResult_ = r;
    if (r == result::ok)
        deviceOpen_ = false;
    retVal = r;
    return lastResult_ == result::ok;
}

bool MIDILib::connectMIDI(std::int32_t deviceId, std::int32_t& retVal) {
    std::int32_t ignored = 0;
    closeMIDI(deviceId_, ignored);
    setDefaults();
    const int r = port_.open(deviceId);
    lastResult_ = r;
    if (r == result::ok) {
        deviceId_ = deviceId;
        deviceOpen_ = true;
    }
    retVal = r;
    return lastResult_ == result::ok;
}

std::vector<std::string> MIDILib::getMIDIDevices() {
    const auto n = static_cast<std::int16_t>(port_.count());
    maxDeviceIndex_ = n - 1;
    std::vector<std::string> names{"MIDI Mapper"};
    // One record serves every query and is not cleared, as with the capability call it stands
    // in for: a failed query leaves the previous device's name in place.
    std::string record(deviceNameLength, '\0');
    for (std::int32_t i = 0; i <= maxDeviceIndex_; ++i) {
        std::string name;
        lastResult_ = port_.deviceName(i, name);
        if (lastResult_ == result::ok) {
            record.assign(deviceNameLength, '\0');
            record.replace(0, std::min(name.size(), deviceNameLength - 1), name, 0,
                           deviceNameLength - 1);
        }
        names.push_back(record);
    }
    return names;
}

}  // namespace midi
