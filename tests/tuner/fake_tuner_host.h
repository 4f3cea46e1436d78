#pragma once
// Test doubles for the tuner's host: a MIDI port that records every word with whether a device
// was open to take it, a wait host on a virtual clock that can run scheduled actions from inside
// a note's wait, and a host that answers message boxes from a queue and keeps settings and the
// window position in memory.

#include <QCoreApplication>
#include <QMap>
#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "midi/midi_port.h"
#include "midi/wait_host.h"
#include "tuner/tuner_host.h"

namespace fakes {

struct Word {
    std::uint32_t word;
    bool deviceOpen;
    int status() const { return static_cast<int>(word & 0xF0); }
    int data1() const { return static_cast<int>((word >> 8) & 0x7F); }
};

class RecordingPort final : public midi::MidiPort {
public:
    int openResult = midi::result::ok;
    bool open_ = false;
    int opens = 0;
    int closes = 0;
    std::vector<Word> words;

    int open(int) override {
        ++opens;
        if (openResult == midi::result::ok)
            open_ = true;
        return openResult;
    }
    int shortMsg(std::uint32_t word) override {
        words.push_back({word, open_});
        return open_ ? midi::result::ok : midi::result::invalidHandle;
    }
    int close() override {
        if (!open_)
            return midi::result::invalidHandle;
        open_ = false;
        ++closes;
        return midi::result::ok;
    }
    int count() override { return 0; }
    int deviceName(int, std::string&) override { return midi::result::badDeviceId; }

    // The words an open device took, as (status, note) pairs.
    std::vector<std::pair<int, int>> heard() const {
        std::vector<std::pair<int, int>> out;
        for (const Word& w : words) {
            if (w.deviceOpen)
                out.emplace_back(w.status(), w.data1());
        }
        return out;
    }
    std::vector<int> programs() const {
        std::vector<int> out;
        for (const Word& w : words) {
            if (w.deviceOpen && w.status() == 0xC0)
                out.push_back(w.data1());
        }
        return out;
    }
};

// Virtual time: a wait advances the clock instead of sleeping; an action scheduled for a
// moment runs when a wait reaches it, so a test can press buttons in the middle of a note.
class VirtualWait final : public midi::WaitHost {
public:
    std::int64_t now = 0;
    std::multimap<std::int64_t, std::function<void()>> scheduled;

    std::int64_t wallClockMs() override { return 1'700'000'000'000 + now; }
    std::int64_t monotonicMs() override { return now; }
    void processEvents(std::int64_t maxMs) override {
        QCoreApplication::processEvents();
        const std::int64_t until = now + maxMs;
        if (!scheduled.empty() && scheduled.begin()->first <= until) {
            auto first = scheduled.begin();
            now = std::max(now, first->first);
            auto action = std::move(first->second);
            scheduled.erase(first);
            action();
            return;
        }
        now = until;
    }
    void at(std::int64_t ms, std::function<void()> action) {
        scheduled.emplace(ms, std::move(action));
    }
};

struct Message {
    QString text;
    QString title;
    int style;
};

class FakeHost final : public tuner::TunerHost {
public:
    RecordingPort port;
    VirtualWait wait;
    std::deque<int> answers;  // message box results, in order; empty answers ok / no
    std::vector<Message> messages;
    QMap<QString, QString> stored;  // "Section/Key" -> value
    QStringList writes;             // keys in the order they were written
    int endRequests = 0;
    // The window frame's position in twips and the one screen, 1024 x 768 pixels.
    double left = 0;
    double top = 0;
    static constexpr double screenWidth = 1024 * 15.0;
    static constexpr double screenHeight = 768 * 15.0;
    double windowWidth = 514 * 15.0;
    double windowHeight = 387 * 15.0;
    int centrings = 0;

    static constexpr double centredLeft = (screenWidth - 514 * 15.0) / 2;
    static constexpr double centredTop = (screenHeight - 387 * 15.0) / 2;

    int messageBox(QWidget*, const QString& text, const QString& title, int style) override {
        messages.push_back({text, title, style});
        if (!answers.empty()) {
            const int a = answers.front();
            answers.pop_front();
            return a;
        }
        return style == tuner::msgbox::question ? tuner::msgbox::no : tuner::msgbox::ok;
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
        ++centrings;
        left = screenWidth * 0.5 - windowWidth * 0.5;
        top = screenHeight * 0.5 - windowHeight * 0.5;
    }
    double windowLeft(const QWidget&) override { return left; }
    double windowTop(const QWidget&) override { return top; }
    bool setWindowLeft(QWidget&, double twips) override { return fits(twips, left); }
    bool setWindowTop(QWidget&, double twips) override { return fits(twips, top); }
    bool onAnyScreen(const QWidget&) override {
        return left < screenWidth && left + windowWidth > 0 && top < screenHeight &&
               top + windowHeight > 0;
    }
    void endProgram() override { ++endRequests; }
    midi::MidiPort& midiPort() override { return port; }
    midi::WaitHost& waitHost() override { return wait; }

    void store(const QString& key, const QString& value) { stored["Main/" + key] = value; }
    QString value(const QString& key) const { return stored.value("Main/" + key); }

private:
    static bool fits(double twips, double& target) {
        if (!std::isfinite(twips) || std::fabs(twips / 15) > 1e6)
            return false;
        target = std::round(twips / 15) * 15;
        return true;
    }
};

}  // namespace fakes
