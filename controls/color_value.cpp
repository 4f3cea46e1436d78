#include "controls/color_value.h"

#include <array>
#include <optional>

namespace controls {
namespace {

// A system colour: either a palette role or, where a desktop palette has none, a fixed colour.
struct SystemColor {
    std::optional<QPalette::ColorRole> role;
    QRgb fixed;
};

constexpr QRgb none = 0;

// Indexed by the system colour number.
const std::array<SystemColor, 31> systemColors = {{
    {QPalette::Button, none},             // 0 scroll bar
    {std::nullopt, qRgb(0, 78, 152)},     // 1 desktop: a dark blue, readable as caption text
    {std::nullopt, qRgb(0, 84, 227)},     // 2 active title bar
    {std::nullopt, qRgb(122, 150, 223)},  // 3 inactive title bar
    {QPalette::Window, none},             // 4 menu
    {QPalette::Base, none},               // 5 window background
    {QPalette::Shadow, none},             // 6 window frame
    {QPalette::WindowText, none},         // 7 menu text
    {QPalette::Text, none},               // 8 window text
    {std::nullopt, qRgb(255, 255, 255)},  // 9 title bar text
    {std::nullopt, qRgb(212, 208, 200)},  // 10 active border
    {std::nullopt, qRgb(212, 208, 200)},  // 11 inactive border
    {QPalette::Dark, none},               // 12 application workspace
    {QPalette::Highlight, none},          // 13 highlight
    {QPalette::HighlightedText, none},    // 14 highlighted text
    {QPalette::Button, none},             // 15 button face
    {QPalette::Dark, none},               // 16 button shadow
    {QPalette::PlaceholderText, none},    // 17 grey text
    {QPalette::ButtonText, none},         // 18 button text
    {std::nullopt, qRgb(216, 228, 248)},  // 19 inactive title bar text
    {QPalette::Light, none},              // 20 button highlight
    {QPalette::Shadow, none},             // 21 3D dark shadow
    {QPalette::Midlight, none},           // 22 3D light
    {QPalette::ToolTipText, none},        // 23 tooltip text
    {QPalette::ToolTipBase, none},        // 24 tooltip background
    {QPalette::Button, none},             // 25 (unused number)
    {QPalette::Link, none},               // 26 hot-tracked item
    {std::nullopt, qRgb(61, 149, 255)},   // 27 active title gradient
    {std::nullopt, qRgb(157, 185, 235)},  // 28 inactive title gradient
    {QPalette::Highlight, none},          // 29 menu highlight
    {QPalette::Window, none},             // 30 menu bar
}};

}  // namespace

QColor resolveColor(quint32 value, const QPalette& palette) {
    if ((value & 0xFF000000u) == 0)
        return QColor(int(value & 0xFF), int(value >> 8 & 0xFF), int(value >> 16 & 0xFF));
    if (!isSystemColor(value))
        return QColor(Qt::black);
    const quint32 index = value & 0xFFu;
    if (index >= systemColors.size())
        return QColor(Qt::black);
    const SystemColor& entry = systemColors[index];
    if (entry.role)
        return palette.color(QPalette::Active, *entry.role);
    return QColor(entry.fixed);
}

}  // namespace controls
