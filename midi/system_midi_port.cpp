#include "midi/system_midi_port.h"

#include <rtmidi/RtMidi.h>

#include <cstdio>
#include <filesystem>

#include "midi/desktop_audio.h"
#include "midi/offline_synth.h"
#include "midi/sequencer_device.h"
#include "midi/soundfonts.h"
#include "midi/synth_device.h"

namespace midi {
namespace {

constexpr const char* clientName = "Tolmary";

// Errors of the sequencer client are answered by return codes here; RtMidi would otherwise
// print or throw from inside a send.
void quietErrors(RtMidiError::Type, const std::string&, void*) {}

}  // namespace

SystemMidiPort::SystemMidiPort() : synthSetup_(std::make_unique<SynthSetup>()) {
    SynthSetup& setup = *synthSetup_;
    const SoundFontChoice font = installedSoundFont();
    setup.engine.soundFont = font.path;
    setup.engine.gain = font.gain;
    setup.outputs = desktopAudioBackends(static_cast<int>(setup.engine.sampleRate));
    setup.corrections.calibrator =
        [renderers = offlineSynths(font.path, font.gain)](const std::atomic<bool>* cancel) {
            return pitch::calibrate(renderers, cancel);
        };
}

SystemMidiPort::SystemMidiPort(const SynthSetup& setup)
    : synthSetup_(std::make_unique<SynthSetup>(setup)) {}

SystemMidiPort::~SystemMidiPort() = default;

std::unique_ptr<RtMidiOut> SystemMidiPort::makeSequencerClient() {
    // Without a sequencer there are no ports. The constructor would throw (and print) then;
    // asking the file system first keeps the terminal quiet.
    std::error_code ec;
    if (!std::filesystem::exists("/dev/snd/seq", ec))
        return nullptr;
    try {
        auto out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, clientName);
        out->setErrorCallback(quietErrors, nullptr);
        return out;
    } catch (const std::exception&) {
        return nullptr;
    }
}

SystemMidiPort::Prepared SystemMidiPort::openSynth() const {
    Prepared synth;
    if (synthSetup_->engine.soundFont.empty())
        synth.error = "no General MIDI SoundFont is installed";
    else
        synth.device = SynthDevice::open(*synthSetup_, synth.error);
    return synth;
}

void SystemMidiPort::prepareSynth() {
    if (!prepared_.valid())
        prepared_ = std::async(
            std::launch::async, [this] { return openSynth(); });
}

int SystemMidiPort::open(int id) {
    if (device_)
        return result::allocated;
    lastError_.clear();
    if (id == mapperId) {
        Prepared synth = prepared_.valid() ? prepared_.get() : openSynth();
        lastError_ = std::move(synth.error);
        if (!synth.device) {
            std::fprintf(stderr, "tolmary: built-in synth unavailable: %s\n", lastError_.c_str());
            return result::noDevice;
        }
        device_ = std::move(synth.device);
        return result::ok;
    }
    if (id < 0)
        return result::badDeviceId;
    auto out = makeSequencerClient();
    if (!out || static_cast<unsigned>(id) >= out->getPortCount()) {
        lastError_ = "no MIDI output port " + std::to_string(id);
        return result::badDeviceId;
    }
    out->openPort(static_cast<unsigned>(id), clientName);
    if (!out->isPortOpen()) {
        lastError_ = "MIDI output port " + std::to_string(id) + " cannot be opened";
        return result::noDevice;
    }
    device_ = std::make_unique<SequencerDevice>(std::move(out));
    return result::ok;
}

int SystemMidiPort::shortMsg(std::uint32_t word) {
    if (!device_)
        return result::invalidHandle;
    return device_->send(decodeShortMessage(word));
}

int SystemMidiPort::close() {
    if (!device_)
        return result::invalidHandle;
    device_.reset();
    return result::ok;
}

int SystemMidiPort::count() {
    auto out = makeSequencerClient();
    return out ? static_cast<int>(out->getPortCount()) : 0;
}

int SystemMidiPort::deviceName(int index, std::string& name) {
    auto out = makeSequencerClient();
    if (!out || index < 0 || static_cast<unsigned>(index) >= out->getPortCount())
        return result::badDeviceId;
    name = out->getPortName(static_cast<unsigned>(index));
    return name.empty() ? result::error : result::ok;
}

}  // namespace midi
