#pragma once
// The about window's own texts (Slovenian, like the rest of the program's interface).

#include <string_view>

namespace tuner::about_texts {

inline constexpr std::u16string_view title = u"O programu";
inline constexpr std::u16string_view versionPrefix = u"Različica ";
inline constexpr std::u16string_view helpMissing = u"Pomoč ni na voljo.";
inline constexpr std::u16string_view close = u"Zapri";

}  // namespace tuner::about_texts
