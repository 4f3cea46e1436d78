#pragma once
// The button's looks (states) and variants (alignment, icon, shape and colour changes) as named
// cases, rendered one way for the gallery sheet, the committed golden images and the test that
// compares them. The caption font is DejaVu Sans, which Debian installs with fonts-dejavu-core,
// so that text pixels are the same on every machine built from the package list.

#include "controls/scripted_button_host.h"
#include "controls/xp_button.h"

#include <QImage>
#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace button_looks {

using Setup = std::function<void(controls::XPButton&, controls::ScriptedButtonHost&)>;

// A named change to the standard button.
struct Case {
    const char* name;
    Setup apply;
};

// States: normal, hover, focus and their combinations, pressed, disabled.
const std::vector<Case>& looks();
// Changes of alignment, icon, shape, size and colour.
const std::vector<Case>& variants();

inline constexpr int firstScheme = 1;
inline constexpr std::array<const char*, 3> schemeNames = {"blue", "silver", "olive"};

// The caption face; rendering needs exactly this font.
inline constexpr const char* captionFace = "DejaVu Sans";
// Colour of the window around the button (outside its shape).
inline constexpr QRgb windowColor = qRgb(236, 233, 216);

// The standard button (177 x 33, scheme `colorStyle`, the first string button's caption and a
// left icon) changed by `apply`, as its window shows it: the button's rectangle, with the
// window's colour outside the rounded shape.
QImage renderButton(int colorStyle, const Case& look);

// "olive-hover-focus.png" for scheme 3 and the case "hover + focus".
QString goldenFileName(int colorStyle, const Case& look);

}  // namespace button_looks
