#pragma once
// The about window's own texts (Slovenian, like the rest of the program's interface).

namespace tuner::about_texts {

inline constexpr auto kTitle = u"O programu";
inline constexpr auto kVersionPrefix = u"Različica ";
inline constexpr auto kHelpMissing = u"Pomoč ni na voljo.";
inline constexpr auto kClose = u"Zapri";

}  // namespace tuner::about_texts
