#pragma once
// Paints the whole button from its state onto its off-screen surface: gradient, rounded border,
// the hover, focus or pressed ring, the dotted focus rectangle, the icon through its mask and
// the caption. Keeps nothing between calls except what the caller's buffers hold.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include "controls/twips.h"

namespace controls {

struct ButtonPaintState {
    int colorStyle = 1;
    bool enabled = true;
    bool pressed = false;
    bool hovered = false;
    bool focused = false;
    bool focusDottedRect = true;
    int roundedValue = 5;
    int captionAlignment = 2;
    int iconAlignment = 1;
    QString caption;
    QColor foreColor;  // already resolved from the stored colour value
};

// The icon and its mask as loaded (32-bit RGB, as the raster operations need), and the working
// buffer that a disabled redraw leaves the grey copy of the mask in.
struct ButtonImages {
    const QImage& icon;
    const QImage& mask;
    QImage& disabledIcon;
};

// Repaints `surface` (W x H) from `state` in `font`. Paints over what is there: a ColorStyle
// outside 1..3 leaves the surface as it was, apart from the focus dots while hovered.
void paintButton(QImage& surface, const ButtonPaintState& state, const ButtonImages& images,
                 const QFont& font);

// Gives every pixel of exactly the colour `from` the colour `to`.
void replaceColor(QImage& buffer, QRgb from, QRgb to);

// Nearest integer, ties to the even one (8.5 -> 8, 9.5 -> 10).
int roundHalfEven(double value);

// Dots per metre of the button's surface, at the layout's pixels per inch (3780).
inline constexpr int surfaceDotsPerMeter = int(pixelsPerInch / 0.0254 + 0.5);

}  // namespace controls
