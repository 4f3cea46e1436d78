#pragma once
// The notes a grip sounds when it is strummed down, in standard tuning. The catalogue marks no
// muted strings, so an unmarked string rings open when its open note belongs to the chord and
// is held silent otherwise.

#include <array>

#include "chords/chord_catalogue.h"

namespace chords {

// Open strings of standard tuning as MIDI notes, string 1 (high E) to 6 (low E).
inline constexpr std::array<int, stringCount> openStringNotes{64, 59, 55, 50, 45, 40};

// Semitones above the root that each chord kind holds, in the order of ChordKind.
inline constexpr std::array<std::array<bool, 12>, kindCount> chordTones{{
    {1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0},  // major: 1 3 5
    {1, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0},  // minor: 1 b3 5
    {1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0},  // dominant seventh: 1 3 5 b7
    {1, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0},  // minor seventh: 1 b3 5 b7
    {1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 1},  // major seventh: 1 3 5 7
}};

constexpr bool belongsToChord(const ChordGrip& grip, int note) {
    // Root 0 is C, and MIDI note 0 is a C as well.
    const int aboveRoot = ((note - grip.root) % 12 + 12) % 12;
    return chordTones[static_cast<int>(grip.kind)][aboveRoot];
}

// The sounding strings' notes from the lowest string to the highest.
struct Strum {
    std::array<int, stringCount> notes{};
    int count = 0;

    constexpr bool operator==(const Strum&) const = default;
};

constexpr Strum strumOf(const ChordGrip& grip) {
    Strum strum;
    for (int s = stringCount; s >= 1; --s) {
        const int open = openStringNotes[s - 1];
        const int fret = grip.fretOn(s);
        if (fret != unmarked)
            strum.notes[strum.count++] = open + fret;
        else if (belongsToChord(grip, open))
            strum.notes[strum.count++] = open;
    }
    return strum;
}

}  // namespace chords
