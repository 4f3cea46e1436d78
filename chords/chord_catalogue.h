#pragma once
// The built-in catalogue of 60 chord grips: 12 roots times 5 chord kinds, one row per chord
// button, in the order of the button grid (row by root, then column by kind).

#include <array>
#include <string_view>

#include "chords/marker_layout.h"

namespace chords {

enum class ChordKind { major, minor, dominantSeventh, minorSeventh, majorSeventh };

inline constexpr int rootCount = 12;
inline constexpr int kindCount = 5;
inline constexpr int chordCount = rootCount * kindCount;
inline constexpr int stringCount = 6;
inline constexpr int unmarked = 0;  // a string the grip leaves without a marker

// Root names from the grid's top row to its bottom; B is the semitone directly below C.
inline constexpr std::array<std::string_view, rootCount> rootNames{
    "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

// Button captions of the kind columns; the major column shows the root and this suffix.
inline constexpr std::array<std::string_view, kindCount> kindCaptions{" dur", "mol", "7", "mol7",
                                                                      "Maj7"};

struct ChordGrip {
    std::string_view buttonName;
    int root;  // index into rootNames
    ChordKind kind;
    // Frets from string 6 (low E) to string 1 (high E), the way grips are usually written.
    std::array<int, stringCount> lowToHigh;

    // The fret pressed on string 1 (thinnest) to 6 (thickest), or unmarked.
    constexpr int fretOn(int stringNumber) const { return lowToHigh[stringCount - stringNumber]; }
};

// Some rows deliberately differ from the common chord-book grips (the E-shape sevenths carry
// the barre on string 2 and the upper note on string 1, `dmsep`, `gmaj`); the chart shows
// them as they are.
inline constexpr std::array<ChordGrip, chordCount> catalogue{{
    {"C", 0, ChordKind::major, {3, 3, 2, 0, 1, 0}},
    {"cm", 0, ChordKind::minor, {3, 3, 5, 5, 4, 3}},
    {"csep", 0, ChordKind::dominantSeventh, {0, 3, 2, 3, 1, 0}},
    {"cmsep", 0, ChordKind::minorSeventh, {3, 3, 5, 3, 4, 3}},
    {"cmaj", 0, ChordKind::majorSeventh, {3, 3, 2, 0, 0, 0}},
    {"Cis", 1, ChordKind::major, {9, 11, 11, 10, 9, 9}},
    {"cism", 1, ChordKind::minor, {4, 4, 6, 6, 5, 4}},
    {"cissep", 1, ChordKind::dominantSeventh, {9, 11, 11, 10, 9, 12}},
    {"cismsep", 1, ChordKind::minorSeventh, {4, 4, 6, 4, 5, 4}},
    {"cismaj", 1, ChordKind::majorSeventh, {4, 4, 6, 5, 6, 4}},
    {"D", 2, ChordKind::major, {2, 0, 0, 2, 3, 2}},
    {"dm", 2, ChordKind::minor, {0, 0, 0, 2, 3, 1}},
    {"dsep", 2, ChordKind::dominantSeventh, {2, 0, 0, 2, 1, 2}},
    {"dmsep", 2, ChordKind::minorSeventh, {0, 0, 0, 1, 1, 2}},
    {"dmaj", 2, ChordKind::majorSeventh, {2, 0, 0, 2, 2, 2}},
    {"Dis", 3, ChordKind::major, {6, 6, 8, 8, 8, 6}},
    {"dism", 3, ChordKind::minor, {6, 6, 8, 8, 7, 6}},
    {"disep", 3, ChordKind::dominantSeventh, {6, 6, 8, 6, 8, 6}},
    {"dismsep", 3, ChordKind::minorSeventh, {6, 6, 8, 6, 7, 6}},
    {"dismaj", 3, ChordKind::majorSeventh, {6, 6, 8, 7, 8, 6}},
    {"E", 4, ChordKind::major, {0, 2, 2, 1, 0, 0}},
    {"em", 4, ChordKind::minor, {0, 2, 2, 0, 0, 0}},
    {"esep", 4, ChordKind::dominantSeventh, {0, 2, 2, 1, 0, 3}},
    {"emsep", 4, ChordKind::minorSeventh, {0, 2, 0, 0, 0, 0}},
    {"emaj", 4, ChordKind::majorSeventh, {0, 2, 1, 1, 0, 0}},
    {"F", 5, ChordKind::major, {1, 3, 3, 2, 1, 1}},
    {"fm", 5, ChordKind::minor, {1, 3, 3, 1, 1, 1}},
    {"fsep", 5, ChordKind::dominantSeventh, {1, 3, 3, 2, 1, 4}},
    {"fmsep", 5, ChordKind::minorSeventh, {1, 3, 1, 1, 1, 1}},
    {"fmaj", 5, ChordKind::majorSeventh, {0, 0, 3, 2, 1, 0}},
    {"Fis", 6, ChordKind::major, {2, 4, 4, 3, 2, 2}},
    {"fism", 6, ChordKind::minor, {2, 4, 4, 2, 2, 2}},
    {"fisep", 6, ChordKind::dominantSeventh, {2, 4, 4, 3, 2, 5}},
    {"fismsep", 6, ChordKind::minorSeventh, {2, 4, 2, 2, 2, 2}},
    {"fismaj", 6, ChordKind::majorSeventh, {2, 4, 3, 3, 2, 2}},
    {"G", 7, ChordKind::major, {3, 2, 0, 0, 0, 3}},
    {"gm", 7, ChordKind::minor, {3, 5, 5, 3, 3, 3}},
    {"gsep", 7, ChordKind::dominantSeventh, {3, 2, 0, 0, 0, 1}},
    {"gmsep", 7, ChordKind::minorSeventh, {3, 5, 3, 3, 3, 3}},
    {"gmaj", 7, ChordKind::majorSeventh, {2, 2, 0, 0, 0, 2}},
    {"Gis", 8, ChordKind::major, {4, 6, 6, 5, 4, 4}},
    {"gism", 8, ChordKind::minor, {4, 6, 6, 4, 4, 4}},
    {"gissep", 8, ChordKind::dominantSeventh, {4, 6, 6, 5, 4, 7}},
    {"gismsep", 8, ChordKind::minorSeventh, {4, 6, 4, 4, 4, 4}},
    {"gismaj", 8, ChordKind::majorSeventh, {4, 6, 5, 5, 4, 4}},
    {"A", 9, ChordKind::major, {0, 0, 2, 2, 2, 0}},
    {"am", 9, ChordKind::minor, {0, 0, 2, 2, 1, 0}},
    {"asep", 9, ChordKind::dominantSeventh, {0, 0, 2, 2, 2, 3}},
    {"amsep", 9, ChordKind::minorSeventh, {0, 0, 2, 0, 1, 0}},
    {"amaj", 9, ChordKind::majorSeventh, {0, 0, 2, 1, 2, 0}},
    {"Ais", 10, ChordKind::major, {6, 8, 8, 7, 6, 6}},
    {"aism", 10, ChordKind::minor, {1, 1, 3, 3, 2, 1}},
    {"aissep", 10, ChordKind::dominantSeventh, {6, 8, 8, 7, 6, 9}},
    {"aismsep", 10, ChordKind::minorSeventh, {1, 1, 3, 1, 2, 1}},
    {"aismaj", 10, ChordKind::majorSeventh, {1, 1, 3, 2, 3, 1}},
    {"B", 11, ChordKind::major, {7, 9, 9, 8, 7, 7}},
    {"bm", 11, ChordKind::minor, {2, 2, 4, 4, 3, 2}},
    {"bsep", 11, ChordKind::dominantSeventh, {0, 2, 1, 2, 0, 2}},
    {"bmsep", 11, ChordKind::minorSeventh, {2, 2, 4, 2, 3, 2}},
    {"bmaj", 11, ChordKind::majorSeventh, {2, 2, 4, 3, 4, 2}},
}};

// The grid places row r, column k at index r * kindCount + k; every fret must have a marker.
constexpr bool catalogueIsWellFormed() {
    for (int i = 0; i < chordCount; ++i) {
        const ChordGrip& grip = catalogue[i];
        if (grip.root != i / kindCount || static_cast<int>(grip.kind) != i % kindCount)
            return false;
        for (int s = 1; s <= stringCount; ++s)
            if (grip.fretOn(s) < unmarked || grip.fretOn(s) > highestFretOn(s))
                return false;
    }
    return true;
}
static_assert(catalogueIsWellFormed());

}  // namespace chords
