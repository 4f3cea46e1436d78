#pragma once
// A host for rendering the tuner window off screen: no sound device, no stored choices (so the
// window shows its defaults), message boxes answered at once, nothing moved or ended.

#include <chrono>

#include "midi/midi_port.h"
#include "midi/wait_host.h"
#include "tuner/tuner_host.h"

namespace help_figures {

class SilentWaitHost final : public midi::WaitHost {
public:
    std::int64_t wallClockMs() override { return monotonicMs(); }
    std::int64_t monotonicMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void processEvents(std::int64_t) override {}
};

class SilentHost final : public tuner::TunerHost {
public:
    tuner::MessageAnswer messageBox(QWidget*, const QString&, const QString&,
                                    tuner::MessageStyle) override {
        return tuner::MessageAnswer::ok;
    }
    QString readSetting(const QString&, const QString&, const QString& defaultValue) override {
        return defaultValue;
    }
    void writeSetting(const QString&, const QString&, const QString&) override {}
    void centreOnScreen(QWidget&) override {}
    double windowLeft(const QWidget&) override { return 0; }
    double windowTop(const QWidget&) override { return 0; }
    bool setWindowLeft(QWidget&, double) override { return true; }
    bool setWindowTop(QWidget&, double) override { return true; }
    bool onAnyScreen(const QWidget&) override { return true; }
    void endProgram() override {}
    midi::MidiPort& midiPort() override { return port_; }
    midi::WaitHost& waitHost() override { return wait_; }
    // No microphone: the listening window says so.
    audio::AudioCaptureFactory microphone() override { return {}; }

private:
    midi::NullMidiPort port_;
    SilentWaitHost wait_;
};

}  // namespace help_figures
