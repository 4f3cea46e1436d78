#pragma once
// Where the features of the maple neck picture lie, in pixels of the 771 x 130 image. The grip
// markers of the chord window (chords/marker_layout.h) are placed against these.

#include <array>

namespace neck_image {

inline constexpr int stripWidth = 16;  // light strip with the string letters
inline constexpr int nutLeft = 16;
inline constexpr int nutRight = 27;  // inclusive

struct StringLine {
    int centreY;
    bool wound;
    char letter;
};
// Strings 1 (high E, top) to 6 (low E, bottom).
inline constexpr std::array<StringLine, 6> strings{{{12, false, 'E'},
                                                    {32, false, 'B'},
                                                    {52, false, 'G'},
                                                    {74, true, 'D'},
                                                    {96, true, 'A'},
                                                    {118, true, 'E'}}};

struct FretWire {
    int left;
    int right;  // inclusive
};
// Fret wires 1 to 12, each a light bar between two dark edge columns.
inline constexpr std::array<FretWire, 12> fretWires{{{100, 105},
                                                     {172, 177},
                                                     {242, 247},
                                                     {310, 315},
                                                     {373, 378},
                                                     {432, 437},
                                                     {488, 493},
                                                     {544, 549},
                                                     {596, 600},
                                                     {647, 651},
                                                     {696, 701},
                                                     {745, 750}}};

inline constexpr int dotSize = 12;
struct Dot {
    int left;
    int top;
};
// Single dots at frets 3, 5, 7 and 9, a pair at fret 12.
inline constexpr std::array<Dot, 6> dots{
    {{204, 58}, {339, 58}, {458, 58}, {567, 58}, {718, 36}, {718, 80}}};

}  // namespace neck_image
