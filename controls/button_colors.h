#pragma once
// The button's fixed colours: gradient and border per scheme and state, the three rings of
// eight lines, and the disabled look. One table, read by the painter.

#include <QColor>
#include <array>

namespace controls {

struct GradientColors {
    QRgb top;
    QRgb bottom;
    QRgb border;
};

// Lines L1..L8 of a ring, outer ring first (top, left, bottom, right), then the inner ring.
// `count` is 4 when only the outer ring is drawn.
struct RingColors {
    std::array<QRgb, 8> lines;
    int count;
};

struct ColorScheme {
    GradientColors normal;  // also the base under the hover and focus rings
    GradientColors pressed;
    RingColors hover;
    RingColors focus;
    RingColors pressedRing;
};

inline constexpr int firstColorStyle = 1;  // blue
inline constexpr int lastColorStyle = 3;   // olive

// Indexed by ColorStyle - 1: blue, silver, olive.
inline constexpr std::array<ColorScheme, 3> colorSchemes = {{
    {// blue
     {qRgb(252, 252, 251), qRgb(240, 240, 234), qRgb(0, 60, 116)},
     {qRgb(229, 228, 221), qRgb(226, 226, 218), qRgb(0, 60, 116)},
     {{qRgb(255, 240, 207), qRgb(250, 195, 88), qRgb(229, 151, 0), qRgb(252, 202, 105),
       qRgb(253, 216, 137), qRgb(251, 200, 96), qRgb(248, 179, 48), qRgb(250, 199, 97)},
      8},
     {{qRgb(206, 231, 255), qRgb(156, 187, 234), qRgb(105, 130, 238), qRgb(156, 187, 235),
       qRgb(188, 212, 246), qRgb(157, 188, 235), qRgb(137, 173, 228), qRgb(157, 187, 235)},
      8},
     {{qRgb(209, 204, 193), qRgb(215, 212, 203), qRgb(242, 241, 238), qRgb(228, 227, 219),
       qRgb(220, 216, 207), qRgb(221, 219, 211), qRgb(234, 233, 227), qRgb(227, 226, 219)},
      8}},
    {// silver
     {qRgb(255, 255, 255), qRgb(198, 197, 215), qRgb(0, 60, 116)},
     {qRgb(172, 171, 189), qRgb(255, 255, 255), qRgb(0, 60, 116)},
     {{qRgb(255, 240, 207), qRgb(250, 195, 88), qRgb(229, 151, 0), qRgb(252, 202, 105),
       qRgb(253, 216, 137), qRgb(251, 200, 96), qRgb(248, 179, 48), qRgb(250, 199, 97)},
      8},
     {{qRgb(206, 231, 255), qRgb(160, 190, 236), qRgb(105, 130, 238), qRgb(156, 187, 235),
       qRgb(188, 212, 246), qRgb(255, 255, 255), qRgb(137, 173, 228), qRgb(255, 255, 255)},
      8},
     {{qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(255, 255, 255), 0, 0, 0,
       0},
      4}},
    {// olive
     {qRgb(254, 255, 242), qRgb(243, 238, 219), qRgb(55, 98, 6)},
     {qRgb(238, 230, 210), qRgb(236, 228, 206), qRgb(55, 98, 6)},
     {{qRgb(252, 197, 149), qRgb(232, 170, 118), qRgb(207, 114, 37), qRgb(231, 166, 111),
       qRgb(237, 190, 150), qRgb(231, 166, 111), qRgb(227, 145, 79), qRgb(231, 171, 119)},
      8},
     {{qRgb(194, 209, 143), qRgb(160, 199, 103), qRgb(168, 167, 102), qRgb(161, 198, 104),
       qRgb(177, 203, 128), qRgb(155, 196, 95), qRgb(144, 193, 84), qRgb(152, 195, 93)},
      8},
     {{qRgb(223, 205, 180), qRgb(227, 212, 191), qRgb(248, 244, 228), qRgb(238, 229, 207),
       qRgb(231, 217, 195), qRgb(232, 220, 198), qRgb(242, 236, 216), qRgb(237, 228, 207)},
      8}},
}};

// Disabled look, the same for every scheme: flat background, grey border and caption.
inline constexpr GradientColors disabledColors = {qRgb(245, 244, 234), qRgb(245, 244, 234),
                                                  qRgb(201, 199, 186)};
inline constexpr QRgb disabledCaptionColor = qRgb(201, 199, 186);
inline constexpr QRgb disabledIconColor = qRgb(172, 168, 153);
inline constexpr QRgb focusDotColor = qRgb(0, 0, 0);

// Insets of the icon (pixels) and the caption (twips) from the left or right edge, and how far
// the caption's centre sits above the control's centre line (twips).
inline constexpr int iconInset = 5;
inline constexpr int captionInsetTwips = 100;
inline constexpr int captionRaiseTwips = 20;

}  // namespace controls
