#pragma once
// Where every control of the tuner window sits, in twips from the client area's top-left
// corner, and the window's fixed texts and colours.

#include <QRect>
#include <array>
#include <string_view>

#include "controls/twips.h"

namespace tuner::layout {

using controls::twipsPerPixel;

struct Place {
    int left, top, width, height;  // twips
};

constexpr QRect pixels(Place p) {
    return QRect(p.left / twipsPerPixel, p.top / twipsPerPixel, p.width / twipsPerPixel,
                 p.height / twipsPerPixel);
}

inline constexpr int clientWidth = 7710;
inline constexpr int clientHeight = 5805;

inline constexpr std::u16string_view caption = u"Uglaševanje kitare by Tolmary";
inline constexpr std::u16string_view fontFace = u"Verdana";
// Drawn in its place where it is not installed: the closest widely shipped humanist sans.
inline constexpr std::u16string_view fontFallback = u"DejaVu Sans";
inline constexpr double fontPoints = 8.25;

struct Decoration {
    Place place;
    std::u16string_view text;  // a label's text or an icon's resource
};

inline constexpr std::array<Decoration, 3> imgDisplay{{
    {{120, 120, 240, 240}, u":/tuner/page_note.png"},
    {{120, 480, 240, 240}, u":/tuner/note_disc.png"},
    {{120, 840, 240, 240}, u":/tuner/play.png"},
}};
inline constexpr std::array<Decoration, 3> lblDisplay{{
    {{480, 120, 1020, 195}, u"Instrument:"},
    {{480, 480, 1080, 195}, u"Tip uglasitve"},
    {{480, 840, 1155, 195}, u"Trajanje note"},
}};

inline constexpr Place cmbInst{1920, 120, 2775, 315};
inline constexpr Place cmdDefaults{5040, 120, 1815, 375};
// Opens the listening window; under the defaults button, with the same look.
inline constexpr Place cmdListen{5040, 600, 1815, 375};
inline constexpr Place cmbTune{1920, 480, 2775, 315};
inline constexpr Place txtDur{1920, 840, 255, 285};
inline constexpr std::u16string_view txtDurText = u"2";
inline constexpr int txtDurMaxLength = 1;
// The reference A4, right of the duration box on its line.
inline constexpr Decoration lblA4{{2520, 870, 360, 195}, u"A4"};
inline constexpr Place spnA4{2940, 840, 1200, 285};
inline constexpr std::u16string_view spnA4Suffix = u" Hz";
inline constexpr std::u16string_view spnA4Name = u"Referenčni A4";

// A horizontal line from (120, 1200) to (6840, 1200), one pixel wide.
inline constexpr Place line1{120, 1200, 6840 - 120 + twipsPerPixel, twipsPerPixel};
inline constexpr int line1Red = 128, line1Green = 64, line1Blue = 0;

// The string buttons are 600 twips apart; each red pointer starts 240 twips below its
// button's top and ends on its string in the neck picture.
inline constexpr std::array<Place, 6> cmdNote{{
    {120, 1560, 2655, 495},
    {120, 2160, 2655, 495},
    {120, 2760, 2655, 495},
    {120, 3360, 2655, 495},
    {120, 3960, 2655, 495},
    {120, 4560, 2655, 495},
}};
inline constexpr std::array<Place, 6> picString{{
    {3000, 1800, 3735, 30},
    {3000, 2400, 3495, 30},
    {3000, 3000, 3255, 30},
    {3000, 3600, 3015, 30},
    {3000, 4200, 2655, 30},
    {3000, 4800, 2415, 30},
}};
inline constexpr Place picNeck{4680, 1680, 2175, 3375};
inline constexpr std::u16string_view neckPicture = u":/tuner/neck.png";
// What a screen reader says for the neck picture, the one picture that shows something.
inline constexpr std::u16string_view neckName = u"Vrat kitare";
inline constexpr std::u16string_view neckDescription =
    u"Šest strun, najdebelejša na levi; rdeče črte vodijo od gumbov strun do njihovih strun.";

inline constexpr std::array<Decoration, 3> command{{
    {{240, 5160, 1215, 495}, u"Akordi"},
    {{2640, 5160, 1215, 495}, u"O programu"},
    {{4920, 5160, 1215, 495}, u"Izhod"},
}};
inline constexpr Place objStatus{0, 5730, 7710, 75};

inline constexpr std::u16string_view windowIcon = u":/tuner/frm_main.png";
inline constexpr std::u16string_view buttonProperties = u":/tuner/frm_main_buttons.json";

}  // namespace tuner::layout
