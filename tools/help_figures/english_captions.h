#pragma once
// The tuner window's texts in English, for the help page's screenshots only: the program itself
// stays Slovenian.

#include <array>
#include <string_view>

namespace help_figures::english {

inline constexpr std::array<std::u16string_view, 3> labels{u"Instrument:", u"Tuning type",
                                                           u"Note duration"};
inline constexpr std::u16string_view defaults = u"Load defaults";
inline constexpr std::u16string_view listen = u"Listen";
inline constexpr std::array<std::u16string_view, 6> strings{
    u"     E-1 (Thinnest string)", u"     B-2 (Second string)", u"     G-3 (Third string)",
    u"     D-4 (Fourth string)",   u"     A-5 (Fifth string)",  u"     E-6 (Thickest string)",
};
inline constexpr std::array<std::u16string_view, 3> commands{u"Chords", u"About", u"Exit"};
// What the two lists show with the defaults selected.
inline constexpr std::u16string_view instrument = u"Acoustic Guitar (steel)";
inline constexpr std::u16string_view tuning = u"Standard tuning";

}  // namespace help_figures::english
