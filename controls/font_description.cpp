#include "controls/font_description.h"

#include "controls/twips.h"

#include <algorithm>
#include <cmath>

namespace controls {
namespace {

// Font sizes resolve to pixels at the layout's pixels per inch: 72 points per inch.
constexpr double pointsPerPixel = 72.0 / pixelsPerInch;

}  // namespace

QFont FontDescription::toQFont() const {
    QFont font(face);
    if (pointSize > 0)
        font.setPointSizeF(pointSize);
    font.setWeight(QFont::Weight(std::clamp(weight, 1, 1000)));
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikethrough);
    return font;
}

FontDescription FontDescription::fromQFont(const QFont& font, int charset) {
    FontDescription description;
    description.face = font.family();
    description.pointSize =
        font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * pointsPerPixel;
    description.weight = font.weight();
    description.charset = charset;
    description.italic = font.italic();
    description.underline = font.underline();
    description.strikethrough = font.strikeOut();
    return description;
}

void registerFontDescriptionType() {
    static const bool registered = [] {
        QMetaType::registerConverter<FontDescription, QFont>(&FontDescription::toQFont);
        QMetaType::registerConverter<QFont, FontDescription>(
            [](const QFont& font) { return FontDescription::fromQFont(font); });
        return true;
    }();
    (void)registered;
}

}  // namespace controls
