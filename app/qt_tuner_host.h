#pragma once
// The tuner's host services on Qt: QMessageBox, QSettings, the screen, process exit, and the
// system's MIDI outputs.

#include <future>
#include <memory>

#include "app/qt_wait_host.h"
#include "midi/midi_port.h"
#include "tuner/tuner_host.h"

namespace app {

class QtTunerHost final : public tuner::TunerHost {
public:
    // `port` null means the system's MIDI outputs (built-in synth and sequencer ports).
    explicit QtTunerHost(std::unique_ptr<midi::MidiPort> port = nullptr);
    ~QtTunerHost() override;

    // Lets the built-in synth start loading. Its thread waits for this from the start, so that
    // it does not compete with the window's first frame for the cores; what the window plays
    // meanwhile sounds once the synth is ready, as while it loads.
    void startSynthLoading();

    tuner::MessageAnswer messageBox(QWidget* parent, const QString& text, const QString& title,
                                    tuner::MessageStyle style) override;
    QString readSetting(const QString& section, const QString& key,
                        const QString& defaultValue) override;
    void writeSetting(const QString& section, const QString& key, const QString& value) override;
    void writeSettings(const QString& section,
                       const QList<std::pair<QString, QString>>& values) override;
    void centreOnScreen(QWidget& window) override;
    double windowLeft(const QWidget& window) override;
    double windowTop(const QWidget& window) override;
    bool setWindowLeft(QWidget& window, double twips) override;
    bool setWindowTop(QWidget& window, double twips) override;
    bool onAnyScreen(const QWidget& window) override;
    void endProgram() override;
    midi::MidiPort& midiPort() override { return *port_; }
    midi::WaitHost& waitHost() override { return wait_; }
    audio::AudioCaptureFactory microphone() override;

private:
    std::unique_ptr<midi::MidiPort> port_;
    std::promise<void> synthMayLoad_;
    bool synthReleased_ = false;
    QtWaitHost wait_;
};

}  // namespace app
