#pragma once
// Colour values as the button's properties store them: 0x00BBGGRR for an RGB colour (red in the
// low byte), or 0x800000nn for system colour number nn, resolved against a palette when drawn.

#include <QColor>
#include <QPalette>
#include <QtGlobal>

namespace controls {

inline constexpr quint32 systemColorFlag = 0x80000000u;

// Builds a stored RGB value from its channels.
constexpr quint32 rgbValue(int red, int green, int blue) {
    return quint32(red & 0xFF) | quint32(green & 0xFF) << 8 | quint32(blue & 0xFF) << 16;
}

constexpr quint32 systemColorValue(int index) {
    return systemColorFlag | quint32(index & 0xFF);
}

constexpr bool isSystemColor(quint32 value) {
    return (value & 0xFF000000u) == systemColorFlag;
}

// The colour to draw with. System colours with a palette counterpart take it from `palette`;
// the others (title bars, the desktop) have fixed values. Unknown numbers and any other
// high byte give black.
QColor resolveColor(quint32 value, const QPalette& palette);

}  // namespace controls
