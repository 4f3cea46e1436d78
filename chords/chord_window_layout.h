#pragma once
// Where every control of the chord window sits, in pixels of its client area. The neck and its
// markers are placed by marker_layout.h.

#include <QRect>
#include <array>

#include "chords/chord_catalogue.h"

namespace chords::layout {

inline constexpr int clientWidth = 783;
inline constexpr int clientHeight = 471;

// The chord grid: one column per chord kind, one row per root; neighbours overlap by a pixel.
struct GridColumn {
    int left;
    int width;
};
inline constexpr std::array<GridColumn, kindCount> gridColumns{
    {{8, 73}, {80, 65}, {144, 65}, {208, 65}, {272, 65}}};
inline constexpr int gridTop = 144;
inline constexpr int gridRowStep = 24;
inline constexpr int buttonHeight = 25;

inline constexpr QRect barreHelpBox{344, 152, 433, 113};
inline constexpr QRect sharpsHelpBox{344, 280, 425, 49};
inline constexpr QRect backToTunerBox{360, 392, 97, buttonHeight};
inline constexpr QRect exitBox{480, 392, 81, buttonHeight};
// In the free space right of "Izhod": "Zaigraj" in line with the exits and as wide as
// "Izhod", the left-handed view under it.
inline constexpr QRect playBox{584, 392, 81, buttonHeight};
inline constexpr QRect leftHandedBox{584, 424, 185, 21};

}  // namespace chords::layout
