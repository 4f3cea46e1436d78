#include "midi/system_midi_port.h"

#include <cstdio>
#include <filesystem>

#include "audio/desktop_audio.h"
#include "midi/offline_synth.h"
#include "midi/sequencer_client.h"
#include "midi/sequencer_device.h"
#include "midi/soundfonts.h"
#include "midi/synth_device.h"
#include "pitch/reference_pitch.h"

namespace midi {
namespace {

constexpr const char* clientName = "Tolmary";

std::unique_ptr<SequencerClient> makeSequencerClient(std::string& error) {
    // Without a sequencer there are no ports. Making a client would fail (and print) then;
    // asking the file system first keeps the terminal quiet.
    std::error_code ec;
    if (!std::filesystem::exists("/dev/snd/seq", ec))
        return nullptr;
    return SequencerClient::make(clientName, error);
}

SynthSetup systemSynth() {
    SynthSetup setup;
    const SoundFontChoice font = installedSoundFont();
    setup.engine.soundFont = font.path;
    setup.engine.gain = font.gain;
    setup.outputs = audio::desktopAudioBackends(static_cast<int>(setup.engine.sampleRate));
    setup.corrections.calibrator =
        [renderers = offlineSynths(font.path, font.gain)](const std::atomic<bool>* cancel) {
            return pitch::calibrate(renderers, cancel);
        };
    return setup;
}

std::unique_ptr<MidiDevice> openSynthDevice(const SynthSetup& setup, std::string& error) {
    if (setup.engine.soundFont.empty()) {
        error = "no General MIDI SoundFont is installed";
        return nullptr;
    }
    return SynthDevice::open(setup, error);
}

}  // namespace

SystemMidiPort::SystemMidiPort() : SystemMidiPort(systemSynth()) {}

SystemMidiPort::SystemMidiPort(const SynthSetup& setup)
    : SystemMidiPort([setup](std::string& error) { return openSynthDevice(setup, error); }) {}

SystemMidiPort::SystemMidiPort(SynthOpener openSynth) : openSynth_(std::move(openSynth)) {}

SystemMidiPort::~SystemMidiPort() {
    // FluidSynth cannot stop a SoundFont half loaded; the thread writes into this object.
    if (loader_.joinable())
        loader_.join();
}

SystemMidiPort::Prepared SystemMidiPort::openSynth() const {
    Prepared synth;
    synth.device = openSynth_(synth.error);
    return synth;
}

void SystemMidiPort::prepareSynth(std::function<void()> whenToStart) {
    const std::lock_guard lock(mutex_);
    if (loading_ || prepared_ || loader_.joinable())
        return;
    loading_ = true;
    loader_ = std::thread([this, start = std::move(whenToStart)] {
        if (start)
            start();
        synthLoaded(openSynth());
    });
}

void SystemMidiPort::synthLoaded(Prepared synth) {
    std::unique_lock lock(mutex_);
    loading_ = false;
    if (!waiting_) {
        prepared_ = std::move(synth);
        return;
    }
    waiting_ = false;
    std::vector<std::uint32_t> held = std::move(held_);
    held_.clear();
    if (synth.device) {
        device_ = std::move(synth.device);
        device_->setTuningOffset(tuningOffsetCents_);
        // Under the lock, so that a word sent now from the window's thread waits its turn.
        for (const std::uint32_t word : held)
            device_->send(decodeShortMessage(word));
        return;
    }
    lastError_ = std::move(synth.error);
    std::fprintf(stderr, "tolmary: built-in synth unavailable: %s\n", lastError_.c_str());
    lock.unlock();
    const std::lock_guard failedLock(failedMutex_);
    if (failed_)
        failed_(result::noDevice);
}

int SystemMidiPort::takeSynth(Prepared synth) {
    lastError_ = std::move(synth.error);
    if (!synth.device) {
        std::fprintf(stderr, "tolmary: built-in synth unavailable: %s\n", lastError_.c_str());
        return result::noDevice;
    }
    device_ = std::move(synth.device);
    device_->setTuningOffset(tuningOffsetCents_);
    open_ = true;
    return result::ok;
}

int SystemMidiPort::open(int id) {
    std::unique_lock lock(mutex_);
    if (open_)
        return result::allocated;
    lastError_.clear();
    if (id == mapperId) {
        if (prepared_) {
            Prepared synth = std::move(*prepared_);
            prepared_.reset();
            return takeSynth(std::move(synth));
        }
        if (loading_) {
            open_ = true;
            waiting_ = true;
            return result::ok;
        }
        lock.unlock();
        Prepared synth = openSynth();
        lock.lock();
        return takeSynth(std::move(synth));
    }
    if (id < 0)
        return result::badDeviceId;
    std::string why;
    auto client = makeSequencerClient(why);
    if (!client || static_cast<unsigned>(id) >= client->portCount()) {
        lastError_ = "no MIDI output port " + std::to_string(id);
        if (!why.empty())
            lastError_ += " (" + why + ")";
        return result::badDeviceId;
    }
    if (!client->openPort(static_cast<unsigned>(id), clientName)) {
        lastError_ = "MIDI output port " + std::to_string(id) + " cannot be opened";
        return result::noDevice;
    }
    device_ = std::make_unique<SequencerDevice>(std::move(client));
    open_ = true;
    return result::ok;
}

int SystemMidiPort::shortMsg(std::uint32_t word) {
    const std::lock_guard lock(mutex_);
    if (device_)
        return device_->send(decodeShortMessage(word));
    if (!waiting_)
        return result::invalidHandle;
    held_.push_back(word);
    return result::ok;
}

int SystemMidiPort::close() {
    const std::lock_guard lock(mutex_);
    if (!open_)
        return result::invalidHandle;
    // A synth still loading is kept for the next open; what was held for it is dropped.
    open_ = false;
    waiting_ = false;
    held_.clear();
    device_.reset();
    return result::ok;
}

bool SystemMidiPort::loading() {
    const std::lock_guard lock(mutex_);
    return waiting_;
}

void SystemMidiPort::onLoadFailed(std::function<void(int code)> failed) {
    const std::lock_guard lock(failedMutex_);
    failed_ = std::move(failed);
}

void SystemMidiPort::setReferencePitch(double a4Hz) {
    const std::lock_guard lock(mutex_);
    tuningOffsetCents_ = pitch::referenceOffsetCents(a4Hz);
    if (device_)
        device_->setTuningOffset(tuningOffsetCents_);
}

std::string SystemMidiPort::lastError() const {
    const std::lock_guard lock(mutex_);
    return lastError_;
}

int SystemMidiPort::count() {
    std::string why;
    auto client = makeSequencerClient(why);
    return client ? static_cast<int>(client->portCount()) : 0;
}

int SystemMidiPort::deviceName(int index, std::string& name) {
    std::string why;
    auto client = makeSequencerClient(why);
    if (!client || index < 0 || static_cast<unsigned>(index) >= client->portCount())
        return result::badDeviceId;
    name = client->portName(static_cast<unsigned>(index));
    return name.empty() ? result::error : result::ok;
}

}  // namespace midi
