#pragma once
// The neck picture's size and the places of the 67 grip markers over it, in pixels of the
// window's client area (the neck picture sits at its origin). The places follow the frets and
// strings of the neck picture; the irregular ones are deliberate and exact.

#include <array>
#include <string>
#include <string_view>

namespace chords {

inline constexpr int neckWidth = 771;
inline constexpr int neckHeight = 130;
inline constexpr int markerWidth = 23;
inline constexpr int markerHeight = 18;
inline constexpr int markerCount = 67;

// Marker name prefixes of strings 1 (thinnest) to 6.
inline constexpr std::array<std::string_view, 6> stringPrefixes{"E", "B", "G", "D", "A", "EE"};

// Every string has frets 1 to 11 marked; only string 1 reaches fret 12.
constexpr int highestFretOn(int stringNumber) {
    return stringNumber == 1 ? 12 : 11;
}

struct MarkerPlace {
    int stringNumber;
    int fret;
    int left;
    int top;
};

// In the order in which the neck is cleared: E1 to E12, then B, G, D, A and EE, frets upwards.
inline constexpr std::array<MarkerPlace, markerCount> markerPlaces{{
    // string 1
    {1, 1, 56, 8},
    {1, 2, 128, 8},
    {1, 3, 200, 0},
    {1, 4, 264, 0},
    {1, 5, 336, 0},
    {1, 6, 392, 8},
    {1, 7, 448, 8},
    {1, 8, 512, 8},
    {1, 9, 560, 8},
    {1, 10, 616, 8},
    {1, 11, 672, 8},
    {1, 12, 720, 8},
    // string 2
    {2, 1, 56, 24},
    {2, 2, 128, 24},
    {2, 3, 200, 24},
    {2, 4, 272, 24},
    {2, 5, 336, 24},
    {2, 6, 400, 32},
    {2, 7, 448, 24},
    {2, 8, 512, 24},
    {2, 9, 568, 32},
    {2, 10, 624, 32},
    {2, 11, 672, 24},
    // string 3
    {3, 1, 56, 48},
    {3, 2, 128, 48},
    {3, 3, 200, 48},
    {3, 4, 272, 48},
    {3, 5, 336, 48},
    {3, 6, 400, 48},
    {3, 7, 448, 48},
    {3, 8, 512, 48},
    {3, 9, 568, 48},
    {3, 10, 616, 48},
    {3, 11, 672, 48},
    // string 4
    {4, 1, 56, 64},
    {4, 2, 128, 64},
    {4, 3, 200, 72},
    {4, 4, 272, 72},
    {4, 5, 336, 72},
    {4, 6, 400, 72},
    {4, 7, 456, 72},
    {4, 8, 512, 72},
    {4, 9, 568, 72},
    {4, 10, 616, 72},
    {4, 11, 672, 72},
    // string 5
    {5, 1, 56, 88},
    {5, 2, 128, 88},
    {5, 3, 200, 88},
    {5, 4, 272, 88},
    {5, 5, 336, 88},
    {5, 6, 400, 88},
    {5, 7, 456, 88},
    {5, 8, 512, 88},
    {5, 9, 568, 88},
    {5, 10, 616, 88},
    {5, 11, 672, 88},
    // string 6
    {6, 1, 56, 112},
    {6, 2, 128, 112},
    {6, 3, 200, 112},
    {6, 4, 272, 112},
    {6, 5, 336, 112},
    {6, 6, 400, 112},
    {6, 7, 456, 112},
    {6, 8, 512, 112},
    {6, 9, 568, 112},
    {6, 10, 624, 112},
    {6, 11, 672, 112},
}};

// Index into markerPlaces of the marker for a string and fret (both within range).
constexpr int markerIndex(int stringNumber, int fret) {
    int index = 0;
    for (int s = 1; s < stringNumber; ++s)
        index += highestFretOn(s);
    return index + fret - 1;
}

constexpr bool markerPlacesAreIndexed() {
    for (int i = 0; i < markerCount; ++i)
        if (markerIndex(markerPlaces[i].stringNumber, markerPlaces[i].fret) != i)
            return false;
    return markerIndex(6, highestFretOn(6)) == markerCount - 1;
}
static_assert(markerPlacesAreIndexed());

// The neck as a right-handed or a left-handed player reads a chord chart. The left-handed
// picture is the right-handed one mirrored across its width, so every marker moves with it.
enum class Hand { right, left };

constexpr int markerLeft(const MarkerPlace& place, Hand hand) {
    return hand == Hand::right ? place.left : neckWidth - place.left - markerWidth;
}

// The marker's name: its string's prefix and the fret, e.g. "B2", "EE11".
inline std::string markerName(int index) {
    const MarkerPlace& place = markerPlaces[index];
    return std::string(stringPrefixes[place.stringNumber - 1]) + std::to_string(place.fret);
}

}  // namespace chords
