#pragma once
// MIDI output module. MIDILib (midi_lib.h) builds short-message words and holds notes; it talks
// to the system only through MidiPort, which stands in for the classic multimedia MIDI-out
// calls: open a device by id (-1 is the mapper, here the built-in synth), send a word, close,
// count and name the devices. SystemMidiPort routes id -1 to the FluidSynth engine and ids
// 0..n-1 to the sequencer's output ports; NullMidiPort is "no device at all".

#include <cstdint>
#include <functional>
#include <string>

namespace midi {

// Result codes follow the classic multimedia error numbers so they mean something to anyone
// who knows them; 0 is success.
namespace result {
inline constexpr int ok = 0;
inline constexpr int error = 1;          // unspecified error
inline constexpr int badDeviceId = 2;    // no device with that id
inline constexpr int allocated = 4;      // device already open
inline constexpr int invalidHandle = 5;  // nothing open
inline constexpr int noDriver = 6;       // no backend could be created
inline constexpr int noDevice = 68;      // no audio output or no SoundFont for the synth
}  // namespace result

// The device id of the mapper; opens the built-in synth.
inline constexpr int mapperId = -1;

// Length of the product-name field of a device's capability record, NUL padding included.
inline constexpr std::size_t deviceNameLength = 32;

class MidiPort {
public:
    virtual ~MidiPort() = default;

    // Opens device `id` (-1 for the mapper). Returns 0 on success.
    virtual int open(int id) = 0;
    // Sends one short-message word: status in bits 0-7, data bytes in bits 8-15 and 16-23.
    // Returns 0 when the word went out; callers are free to ignore it.
    virtual int shortMsg(std::uint32_t word) = 0;
    // Closes the open device. Returns 0 on success.
    virtual int close() = 0;
    // Number of output devices, the mapper not counted.
    virtual int count() = 0;
    // Writes device `index`'s name into `name` and returns 0, or returns an error code and
    // leaves `name` untouched.
    virtual int deviceName(int index, std::string& name) = 0;

    // A device may still be loading when open() has returned 0 (the built-in synth and its
    // SoundFont): words sent meanwhile are held and played in order as soon as it can sound
    // them. True until then.
    virtual bool loading() { return false; }
    // `failed` runs, with the error code, if the device that open() accepted while loading
    // cannot be loaded after all; it runs on the loading thread and must not call the port.
    // Null takes it away again; once that returns, the old one no longer runs.
    virtual void onLoadFailed(std::function<void(int code)> /*failed*/) {}
    // The A4 the built-in synth tunes to, in hertz (440 unless set); other devices play at
    // their own pitch. It holds for notes started from then on and stays across close and
    // open.
    virtual void setReferencePitch(double /*a4Hz*/) {}
};

// No device anywhere: every open fails, every send is lost.
class NullMidiPort final : public MidiPort {
public:
    int open(int id) override { return id == mapperId ? result::noDevice : result::badDeviceId; }
    int shortMsg(std::uint32_t) override { return result::invalidHandle; }
    int close() override { return result::invalidHandle; }
    int count() override { return 0; }
    int deviceName(int, std::string&) override { return result::badDeviceId; }
};

}  // namespace midi
