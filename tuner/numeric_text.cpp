#include "tuner/numeric_text.h"

#include <QLocale>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tuner {

std::optional<double> numericValue(const QString& text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> durationSeconds(const QString& text) {
    const auto value = numericValue(text);
    if (!value)
        return std::nullopt;
    // nearbyint follows the default rounding mode: halves go to the even neighbour.
    const double seconds = std::nearbyint(*value);
    if (seconds < std::numeric_limits<std::int16_t>::min() ||
        seconds > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<int>(seconds);
}

bool storedDurationFits(const QString& text) {
    const auto value = numericValue(text);
    return value && *value > 0 && text.size() <= 1;
}

std::optional<int> storedWindowState(const QString& text) {
    const auto value = numericValue(text);
    if (!value || (*value != 0 && *value != 1))
        return std::nullopt;
    return static_cast<int>(*value);
}

}  // namespace tuner
