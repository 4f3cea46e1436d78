#include "pitch/reference_pitch.h"

#include <charconv>
#include <cmath>

namespace pitch {

std::optional<int> referenceA4(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    if (value < lowestA4 || value > highestA4)
        return std::nullopt;
    return value;
}

double referenceOffsetCents(double a4Hz) {
    return 1200.0 * std::log2(a4Hz / standardA4);
}

double toStandardPitch(double hz, double a4Hz) {
    return hz * standardA4 / a4Hz;
}

}  // namespace pitch
