#pragma once
// The built-in catalogue of 60 chord grips: 12 roots times 5 chord kinds, one row per chord
// button, in the order of the button grid (row by root, then column by kind).

#include <array>
#include <string_view>

#include "chords/marker_layout.h"

namespace chords {

enum class ChordKind { Major, Minor, DominantSeventh, MinorSeventh, MajorSeventh };

inline constexpr int kRootCount = 12;
inline constexpr int kKindCount = 5;
inline constexpr int kChordCount = kRootCount * kKindCount;
inline constexpr int kStringCount = 6;
inline constexpr int kUnmarked = 0;  // a string the grip leaves without a marker

// Root names from the grid's top row to its bottom; B is the semitone directly below C.
inline constexpr std::array<std::string_view, kRootCount> kRootNames{
    "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

// Button captions of the kind columns; the major column shows the root and this suffix.
inline constexpr std::array<std::string_view, kKindCount> kKindCaptions{" dur", "mol", "7", "mol7",
                                                                        "Maj7"};

struct ChordGrip {
    std::string_view buttonName;
    int root;  // index into kRootNames
    ChordKind kind;
    // Frets from string 6 (low E) to string 1 (high E), the way grips are usually written.
    std::array<int, kStringCount> lowToHigh;

    // The fret pressed on string 1 (thinnest) to 6 (thickest), or kUnmarked.
    constexpr int fretOn(int stringNumber) const { return lowToHigh[kStringCount - stringNumber]; }
};

// Some rows deliberately differ from the common chord-book grips (the E-shape sevenths carry
// the barre on string 2 and the upper note on string 1, `dmsep`, `gmaj`); the chart shows
// them as they are.
inline constexpr std::array<ChordGrip, kChordCount> kCatalogue{{
    {"C", 0, ChordKind::Major, {3, 3, 2, 0, 1, 0}},
    {"cm", 0, ChordKind::Minor, {3, 3, 5, 5, 4, 3}},
    {"csep", 0, ChordKind::DominantSeventh, {0, 3, 2, 3, 1, 0}},
    {"cmsep", 0, ChordKind::MinorSeventh, {3, 3, 5, 3, 4, 3}},
    {"cmaj", 0, ChordKind::MajorSeventh, {3, 3, 2, 0, 0, 0}},
    {"Cis", 1, ChordKind::Major, {9, 11, 11, 10, 9, 9}},
    {"cism", 1, ChordKind::Minor, {4, 4, 6, 6, 5, 4}},
    {"cissep", 1, ChordKind::DominantSeventh, {9, 11, 11, 10, 9, 12}},
    {"cismsep", 1, ChordKind::MinorSeventh, {4, 4, 6, 4, 5, 4}},
    {"cismaj", 1, ChordKind::MajorSeventh, {4, 4, 6, 5, 6, 4}},
    {"D", 2, ChordKind::Major, {2, 0, 0, 2, 3, 2}},
    {"dm", 2, ChordKind::Minor, {0, 0, 0, 2, 3, 1}},
    {"dsep", 2, ChordKind::DominantSeventh, {2, 0, 0, 2, 1, 2}},
    {"dmsep", 2, ChordKind::MinorSeventh, {0, 0, 0, 1, 1, 2}},
    {"dmaj", 2, ChordKind::MajorSeventh, {2, 0, 0, 2, 2, 2}},
    {"Dis", 3, ChordKind::Major, {6, 6, 8, 8, 8, 6}},
    {"dism", 3, ChordKind::Minor, {6, 6, 8, 8, 7, 6}},
    {"disep", 3, ChordKind::DominantSeventh, {6, 6, 8, 6, 8, 6}},
    {"dismsep", 3, ChordKind::MinorSeventh, {6, 6, 8, 6, 7, 6}},
    {"dismaj", 3, ChordKind::MajorSeventh, {6, 6, 8, 7, 8, 6}},
    {"E", 4, ChordKind::Major, {0, 2, 2, 1, 0, 0}},
    {"em", 4, ChordKind::Minor, {0, 2, 2, 0, 0, 0}},
    {"esep", 4, ChordKind::DominantSeventh, {0, 2, 2, 1, 0, 3}},
    {"emsep", 4, ChordKind::MinorSeventh, {0, 2, 0, 0, 0, 0}},
    {"emaj", 4, ChordKind::MajorSeventh, {0, 2, 1, 1, 0, 0}},
    {"F", 5, ChordKind::Major, {1, 3, 3, 2, 1, 1}},
    {"fm", 5, ChordKind::Minor, {1, 3, 3, 1, 1, 1}},
    {"fsep", 5, ChordKind::DominantSeventh, {1, 3, 3, 2, 1, 4}},
    {"fmsep", 5, ChordKind::MinorSeventh, {1, 3, 1, 1, 1, 1}},
    {"fmaj", 5, ChordKind::MajorSeventh, {0, 0, 3, 2, 1, 0}},
    {"Fis", 6, ChordKind::Major, {2, 4, 4, 3, 2, 2}},
    {"fism", 6, ChordKind::Minor, {2, 4, 4, 2, 2, 2}},
    {"fisep", 6, ChordKind::DominantSeventh, {2, 4, 4, 3, 2, 5}},
    {"fismsep", 6, ChordKind::MinorSeventh, {2, 4, 2, 2, 2, 2}},
    {"fismaj", 6, ChordKind::MajorSeventh, {2, 4, 3, 3, 2, 2}},
    {"G", 7, ChordKind::Major, {3, 2, 0, 0, 0, 3}},
    {"gm", 7, ChordKind::Minor, {3, 5, 5, 3, 3, 3}},
    {"gsep", 7, ChordKind::DominantSeventh, {3, 2, 0, 0, 0, 1}},
    {"gmsep", 7, ChordKind::MinorSeventh, {3, 5, 3, 3, 3, 3}},
    {"gmaj", 7, ChordKind::MajorSeventh, {2, 2, 0, 0, 0, 2}},
    {"Gis", 8, ChordKind::Major, {4, 6, 6, 5, 4, 4}},
    {"gism", 8, ChordKind::Minor, {4, 6, 6, 4, 4, 4}},
    {"gissep", 8, ChordKind::DominantSeventh, {4, 6, 6, 5, 4, 7}},
    {"gismsep", 8, ChordKind::MinorSeventh, {4, 6, 4, 4, 4, 4}},
    {"gismaj", 8, ChordKind::MajorSeventh, {4, 6, 5, 5, 4, 4}},
    {"A", 9, ChordKind::Major, {0, 0, 2, 2, 2, 0}},
    {"am", 9, ChordKind::Minor, {0, 0, 2, 2, 1, 0}},
    {"asep", 9, ChordKind::DominantSeventh, {0, 0, 2, 2, 2, 3}},
    {"amsep", 9, ChordKind::MinorSeventh, {0, 0, 2, 0, 1, 0}},
    {"amaj", 9, ChordKind::MajorSeventh, {0, 0, 2, 1, 2, 0}},
    {"Ais", 10, ChordKind::Major, {6, 8, 8, 7, 6, 6}},
    {"aism", 10, ChordKind::Minor, {1, 1, 3, 3, 2, 1}},
    {"aissep", 10, ChordKind::DominantSeventh, {6, 8, 8, 7, 6, 9}},
    {"aismsep", 10, ChordKind::MinorSeventh, {1, 1, 3, 1, 2, 1}},
    {"aismaj", 10, ChordKind::MajorSeventh, {1, 1, 3, 2, 3, 1}},
    {"B", 11, ChordKind::Major, {7, 9, 9, 8, 7, 7}},
    {"bm", 11, ChordKind::Minor, {2, 2, 4, 4, 3, 2}},
    {"bsep", 11, ChordKind::DominantSeventh, {0, 2, 1, 2, 0, 2}},
    {"bmsep", 11, ChordKind::MinorSeventh, {2, 2, 4, 2, 3, 2}},
    {"bmaj", 11, ChordKind::MajorSeventh, {2, 2, 4, 3, 4, 2}},
}};

// The grid places row r, column k at index r * kKindCount + k; every fret must have a marker.
constexpr bool catalogueIsWellFormed() {
    for (int i = 0; i < kChordCount; ++i) {
        const ChordGrip& grip = kCatalogue[i];
        if (grip.root != i / kKindCount || static_cast<int>(grip.kind) != i % kKindCount) {
            return false;
        }
        for (int s = 1; s <= kStringCount; ++s) {
            if (grip.fretOn(s) < kUnmarked || grip.fretOn(s) > highestFretOn(s)) {
                return false;
            }
        }
    }
    return true;
}
static_assert(catalogueIsWellFormed());

}  // namespace chords
