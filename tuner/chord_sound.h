#pragma once
// The chord window's sound and remembered view, as the tuner provides them. A grip's notes are
// struck one after another through the tuner's MIDILib, so they sound in the instrument chosen
// there, on the channel whose key tuning holds the synth's per-note corrections, and through
// the same output; they are held for the tuner's note length. The view is the settings key
// "Levicar" of the tuner's section, written when the user changes it.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "chords/chord_host.h"
#include "midi/midi_lib.h"
#include "midi/wait_host.h"
#include "tuner/tuner_host.h"

namespace tuner {

class ChordSound final : public chords::ChordHost {
public:
    // A down-strum: one string every 30 ms, lowest first.
    static constexpr int strumSpacingMs = 30;
    // With a note length of 0 the strings still ring this long after the last one is struck.
    static constexpr int shortestRingMs = 250;

    // `noteLength` gives the tuner's note length in whole seconds, or none when it cannot be
    // used (having told the user why).
    ChordSound(midi::MIDILib& midiOut, midi::WaitHost& waitHost, TunerHost& host,
               std::function<std::optional<int>()> noteLength);

    // Returns once the strum has ended or was cut; the user interface runs meanwhile, so a
    // second strum may start from inside the first one's wait and cut it.
    void strum(const chords::Strum& strum) override;
    void silence() override;
    bool leftHanded() override;
    void setLeftHanded(bool leftHanded) override;

private:
    // Waits until `atMs` on the monotonic clock; false when the strum was cut meanwhile.
    bool waitUntil(std::int64_t atMs, int strumNumber);
    void releaseSounding();

    midi::MIDILib& midiOut_;
    midi::WaitHost& waitHost_;
    TunerHost& host_;
    std::function<std::optional<int>()> noteLength_;
    std::vector<std::int16_t> sounding_;
    // Counts strums and cuts, so a wait learns that its strum is over.
    int strumNumber_ = 0;
};

}  // namespace tuner
