#include "pitch/reading_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

namespace pitch {
namespace {

constexpr std::array<std::string_view, 12> pitchClassNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                              "F#", "G",  "G#", "A",  "A#", "B"};

// `value` with `decimals` decimals and a decimal point, whatever the locale; no minus sign where
// it rounds to zero.
std::string fixed(double value, int decimals) {
    std::array<char, 400> buffer{};  // the longest double in fixed notation
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    std::string text(buffer.data(), error == std::errc{} ? end : buffer.data());
    if (text.starts_with('-') && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

// The noun after a whole number of cents, by its last two digits.
std::string_view wholeCentsNoun(std::string_view number) {
    const std::string_view digits = number.substr(number.find_first_of("0123456789"));
    const int lastTwo = digits.size() >= 2 ? (digits[digits.size() - 2] - '0') * 10 : 0;
    switch (lastTwo + (digits.back() - '0')) {
        case 1:
            return "cent";
        case 2:
            return "centa";
        case 3:
        case 4:
            return "centi";
        default:
            return "centov";
    }
}

}  // namespace

std::string noteName(int note) {
    const int octave = (note >= 0 ? note : note - 11) / 12 - 1;
    const int pitchClass = note - (octave + 1) * 12;
    return std::string(pitchClassNames[static_cast<std::size_t>(pitchClass)]) +
           std::to_string(octave);
}

int centsDecimals(double spreadCents) {
    if (spreadCents < 0.1)
        return 2;
    return spreadCents < 1.0 ? 1 : 0;
}

std::string centsText(double cents, double spreadCents) {
    const bool tenths = centsDecimals(spreadCents) == 2;
    std::string number = fixed(cents, tenths ? 1 : 0);
    std::replace(number.begin(), number.end(), '.', ',');
    if (!number.starts_with('-') && number.find_first_not_of("0,") != std::string::npos)
        number.insert(0, "+");
    return number + ' ' + std::string(tenths ? "centa" : wholeCentsNoun(number));
}

std::string terminalLine(int note, double hz, double cents, double spreadCents) {
    return noteName(note) + ' ' + fixed(hz, 3) + ' ' + fixed(cents, centsDecimals(spreadCents));
}

}  // namespace pitch
