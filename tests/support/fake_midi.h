#pragma once
// Test doubles for the MIDI seams: a port that records every word with the virtual time it was
// sent at, and a wait host with a virtual clock whose event pump runs scheduled "user actions".

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "midi/midi_port.h"
#include "midi/wait_host.h"

namespace testing {

class VirtualWaitHost : public midi::WaitHost {
public:
    std::int64_t wallStartMs = 1'700'000'000'000;  // wall reading at virtual time 0
    std::int64_t nowMs = 0;                        // virtual monotonic time
    int pumpCalls = 0;

    std::int64_t wallClockMs() override { return wallStartMs + nowMs; }
    std::int64_t monotonicMs() override { return nowMs; }

    // Runs actions that are due, then lets virtual time pass to the next action or maxMs.
    void processEvents(std::int64_t maxMs) override {
        ++pumpCalls;
        if (runDue())
            return;
        std::int64_t next = nowMs + maxMs;
        if (!actions_.empty())
            next = std::min(next, actions_.begin()->first);
        nowMs = std::max(nowMs, next);
        runDue();
    }

    // An action runs from inside a wait once virtual time reaches `atMs`.
    void at(std::int64_t atMs, std::function<void()> action) {
        actions_.emplace(atMs, std::move(action));
    }

private:
    bool runDue() {
        bool ran = false;
        while (!actions_.empty() && actions_.begin()->first <= nowMs) {
            auto action = std::move(actions_.begin()->second);
            actions_.erase(actions_.begin());
            action();
            ran = true;
        }
        return ran;
    }

    std::multimap<std::int64_t, std::function<void()>> actions_;
};

class RecordingPort : public midi::MidiPort {
public:
    struct Sent {
        std::uint32_t word;
        std::int64_t atMs;
        bool deviceOpen;  // false: the word was refused, nothing sounded
    };

    explicit RecordingPort(midi::WaitHost* clock = nullptr) : clock_(clock) {}

    int openResult = 0;
    int closeResult = 0;
    std::vector<std::string> names;  // one per device; an empty name makes its query fail
    std::vector<Sent> sent;
    std::vector<int> opened;
    int closes = 0;
    bool isOpen = false;
    double referenceHz = 440.0;

    int open(int id) override {
        opened.push_back(id);
        if (openResult == 0)
            isOpen = true;
        return openResult;
    }
    int shortMsg(std::uint32_t word) override {
        sent.push_back({word, clock_ ? clock_->monotonicMs() : 0, isOpen});
        return isOpen ? 0 : midi::result::invalidHandle;
    }
    int close() override {
        ++closes;
        if (closeResult == 0)
            isOpen = false;
        return closeResult;
    }
    int count() override { return static_cast<int>(names.size()); }
    void setReferencePitch(double a4Hz) override { referenceHz = a4Hz; }
    int deviceName(int index, std::string& name) override {
        if (index < 0 || index >= count() || names[index].empty())
            return midi::result::badDeviceId;
        name = names[index];
        return 0;
    }

    std::vector<std::uint32_t> words() const {
        std::vector<std::uint32_t> w;
        for (const Sent& s : sent)
            w.push_back(s.word);
        return w;
    }

private:
    midi::WaitHost* clock_;
};

}  // namespace testing
