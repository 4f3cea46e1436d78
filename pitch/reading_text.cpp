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

}  // namespace

std::string noteName(int note) {
    const int octave = (note >= 0 ? note : note - 11) / 12 - 1;
    const int pitchClass = note - (octave + 1) * 12;
    return std::string(pitchClassNames[static_cast<std::size_t>(pitchClass)]) +
           std::to_string(octave);
}

std::string centsText(double cents) {
    std::string number = fixed(cents, 1);
    std::replace(number.begin(), number.end(), '.', ',');
    if (!number.starts_with('-') && number != "0,0")
        number.insert(0, "+");
    return number + " centa";
}

std::string terminalLine(int note, double hz, double cents) {
    return noteName(note) + ' ' + fixed(hz, 3) + ' ' + fixed(cents, 2);
}

}  // namespace pitch
