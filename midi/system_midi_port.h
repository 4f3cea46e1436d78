#pragma once
// The system's MIDI outputs behind MidiPort: id -1 is the built-in synth (FluidSynth with a
// General MIDI SoundFont, played through the desktop's audio), ids 0..n-1 the sequencer's
// output ports.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "midi/midi_port.h"
#include "midi/short_message.h"

namespace midi {

struct SynthSetup;

// One open output; receives decoded messages.
class MidiDevice {
public:
    virtual ~MidiDevice() = default;
    virtual int send(const ShortMessage& message) = 0;
    // Moves every note by `cents` from its own pitch (a reference A4 other than 440 Hz);
    // devices that cannot ignore it.
    virtual void setTuningOffset(double /*cents*/) {}
};

class SystemMidiPort final : public MidiPort {
public:
    // Opens the built-in synth: the device, or null and why in `error`.
    using SynthOpener = std::function<std::unique_ptr<MidiDevice>(std::string& error)>;

    // The built-in synth plays the first installed of soundFontCandidates at its gain, through
    // audio::desktopAudioBackends(), and calibrates a SoundFont it has no corrections for.
    SystemMidiPort();
    // A synth made as `setup` says (tests, tools).
    explicit SystemMidiPort(const SynthSetup& setup);
    // A synth made by `openSynth` (tests).
    explicit SystemMidiPort(SynthOpener openSynth);
    // Waits for a synth still loading.
    ~SystemMidiPort() override;
    SystemMidiPort(const SystemMidiPort&) = delete;
    SystemMidiPort& operator=(const SystemMidiPort&) = delete;

    // Starts opening the built-in synth on a thread of its own. A large SoundFont takes
    // seconds to load: open(mapperId) meanwhile succeeds at once and holds what is sent until
    // the synth can play it, so nothing (the window above all) waits for it. The thread first
    // calls `whenToStart` when one is given, which may block until loading should begin (the
    // window on the screen, say).
    void prepareSynth(std::function<void()> whenToStart = {});

    int open(int id) override;
    int shortMsg(std::uint32_t word) override;
    int close() override;
    int count() override;
    int deviceName(int index, std::string& name) override;
    bool loading() override;
    void onLoadFailed(std::function<void(int code)> failed) override;
    void setReferencePitch(double a4Hz) override;

    // Why the synth or port last failed to open, for the error report; empty after a
    // successful open.
    std::string lastError() const;

private:
    struct Prepared {
        std::unique_ptr<MidiDevice> device;
        std::string error;
    };
    Prepared openSynth() const;
    // The loading thread's result: played into at once when open() accepted the synth
    // meanwhile, else kept for the next open().
    void synthLoaded(Prepared synth);
    int takeSynth(Prepared synth);

    SynthOpener openSynth_;
    mutable std::mutex mutex_;  // guards everything below; the loading thread writes it too
    std::unique_ptr<MidiDevice> device_;
    bool open_ = false;                // open() succeeded and no close() followed, device or not
    bool loading_ = false;             // the synth is loading
    bool waiting_ = false;             // open_, and the synth it opened is still loading
    std::vector<std::uint32_t> held_;  // sent while waiting_
    double tuningOffsetCents_ = 0.0;   // the reference A4's, for every device opened
    std::optional<Prepared> prepared_;
    std::string lastError_;
    std::mutex failedMutex_;  // held while failed_ runs or changes
    std::function<void(int)> failed_;
    std::thread loader_;
};

}  // namespace midi
