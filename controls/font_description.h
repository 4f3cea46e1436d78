#pragma once
// The caption font as the button stores it: face, size in points, weight on the 100..900 scale
// (400 regular, 700 bold), character set (0 western, 238 Central European), and the three style
// flags. Converts to and from QFont; the character set has no QFont counterpart and is kept
// here so that a loaded font is written back unchanged.

#include <QFont>
#include <QMetaType>
#include <QString>

namespace controls {

inline constexpr int westernCharset = 0;
inline constexpr int centralEuropeanCharset = 238;

struct FontDescription {
    QString face;
    double pointSize = 8.25;
    int weight = 400;
    int charset = westernCharset;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    // A description without a face name stands for "no font": drawing keeps its current font.
    bool isNull() const { return face.isEmpty(); }
    QFont toQFont() const;
    static FontDescription fromQFont(const QFont& font, int charset = westernCharset);

    bool operator==(const FontDescription&) const = default;
};

// Lets a QVariant holding a FontDescription answer value<QFont>() and the reverse, so property
// bag entries may hold either. Safe to call more than once.
void registerFontDescriptionType();

}  // namespace controls

Q_DECLARE_METATYPE(controls::FontDescription)
