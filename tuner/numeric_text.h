#pragma once
// How the tuner reads numbers typed by the user or kept in the settings store.

#include <QString>
#include <optional>

namespace tuner {

// The value of a text that is a number as a whole (surrounding blanks allowed, "." as the
// decimal point, a leading sign, an exponent). Texts that only name a number without being
// one a window could use ("nan", "inf", and values past the double range) give nothing.
std::optional<double> numericValue(const QString& text);

// The whole seconds of a duration text, rounded halves-to-even; nothing when the text is not
// numeric or the count does not fit a note's 16-bit duration.
std::optional<int> durationSeconds(const QString& text);

// Whether a stored duration may go into the one-character duration box: numeric, above 0, at
// most one character.
bool storedDurationFits(const QString& text);

// The window state a stored "WS" asks for: 0 normal or 1 minimised; a stored 2 (maximised),
// another number or a non-number gives nothing.
std::optional<int> storedWindowState(const QString& text);

}  // namespace tuner
