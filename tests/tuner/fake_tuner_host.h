#pragma once
// A tuner host for tests: message boxes answered from a queue, settings and the window frame's
// position (in twips, on one 1024 x 768 screen) kept in memory, and the shared recording MIDI
// port on a virtual clock, so a test can act from inside a note's wait. BehaviourHarness runs
// the behaviour on a bare set of the controls it works on.

#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QSpinBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <utility>
#include <vector>

#include "pitch/reference_pitch.h"
#include "tests/support/fake_microphone.h"
#include "tests/support/fake_midi.h"
#include "tuner/tuner_behaviour.h"
#include "tuner/tuner_host.h"

namespace fakes {

// A Slovenian text written as UTF-8 in the test's source.
inline QString u8(const char* s) {
    return QString::fromUtf8(s);
}

struct Message {
    QString text;
    QString title;
    tuner::MessageStyle style;
    bool operator==(const Message&) const = default;
};

class FakeHost final : public tuner::TunerHost {
public:
    static constexpr double screenWidth = 1024 * 15.0;
    static constexpr double screenHeight = 768 * 15.0;
    static constexpr double width = 514 * 15.0;
    static constexpr double height = 387 * 15.0;
    static constexpr double centredLeft = (screenWidth - width) / 2;
    static constexpr double centredTop = (screenHeight - height) / 2;

    testing::VirtualWaitHost wait;
    testing::RecordingPort port{&wait};
    testing::FakeMicrophone mic;
    std::deque<tuner::MessageAnswer> answers;  // message box results in order; ok once none left
    std::vector<Message> messages;
    QMap<QString, QString> stored;  // "Section/Key" -> value
    QStringList writes;             // keys in the order they were written
    int endRequests = 0;
    double left = 0;
    double top = 0;

    tuner::MessageAnswer messageBox(QWidget*, const QString& text, const QString& title,
                                    tuner::MessageStyle style) override {
        messages.push_back({text, title, style});
        if (answers.empty())
            return tuner::MessageAnswer::ok;
        const tuner::MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    QString readSetting(const QString& section, const QString& key,
                        const QString& defaultValue) override {
        return stored.value(section + "/" + key, defaultValue);
    }
    void writeSetting(const QString& section, const QString& key, const QString& value) override {
        stored[section + "/" + key] = value;
        writes << key;
    }
    void centreOnScreen(QWidget&) override {
        left = centredLeft;
        top = centredTop;
    }
    double windowLeft(const QWidget&) override { return left; }
    double windowTop(const QWidget&) override { return top; }
    bool setWindowLeft(QWidget&, double twips) override { return (left = twips, true); }
    bool setWindowTop(QWidget&, double twips) override { return (top = twips, true); }
    bool onAnyScreen(const QWidget&) override {
        return left < screenWidth && left + width > 0 && top < screenHeight && top + height > 0;
    }
    void endProgram() override { ++endRequests; }
    midi::MidiPort& midiPort() override { return port; }
    midi::WaitHost& waitHost() override { return wait; }
    audio::AudioCaptureFactory microphone() override { return mic.factory(); }

    void store(const QString& key, const QString& value) { stored["Main/" + key] = value; }
    QString value(const QString& key) const { return stored.value("Main/" + key); }

    // The words an open device took, as (status, first data byte) pairs.
    std::vector<std::pair<int, int>> heard() const {
        std::vector<std::pair<int, int>> out;
        for (const auto& s : port.sent)
            if (s.deviceOpen)
                out.emplace_back(int(s.word & 0xF0), int((s.word >> 8) & 0x7F));
        return out;
    }
    std::vector<int> programs() const {
        std::vector<int> out;
        for (const auto& [status, data] : heard())
            if (status == 0xC0)
                out.push_back(data);
        return out;
    }
};

using Heard = std::vector<std::pair<int, int>>;
inline constexpr int noteOn = 0x90;
inline constexpr int noteOff = 0x80;

}  // namespace fakes

struct BehaviourHarness {
    fakes::FakeHost host;
    QWidget window;
    QComboBox* cmbInst = new QComboBox(&window);
    QComboBox* cmbTune = new QComboBox(&window);
    QLineEdit* txtDur = new QLineEdit(QStringLiteral("2"), &window);
    QSpinBox* spnA4 = [this] {
        auto* box = new QSpinBox(&window);
        box->setRange(pitch::lowestA4, pitch::highestA4);
        return box;
    }();
    tuner::TunerBehaviour behaviour{host, {window, *cmbInst, *cmbTune, *txtDur, *spnA4}, {}};

    void chooseTuning(const QString& name) {
        cmbTune->setCurrentIndex(cmbTune->findText(name));
        behaviour.tuningChange();
    }
    void chooseSound(const QString& name) {
        cmbInst->setCurrentIndex(cmbInst->findText(name));
        behaviour.soundChange();
    }
};
