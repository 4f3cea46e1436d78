#pragma once
// The reference A4 the tuner plays and listens against: 415 to 466 Hz in whole hertz (a
// semitone below and above 440, so baroque pitch and the orchestras' 442 to 446 are in), 440
// unless the user chooses otherwise. Everything else in the program is equal-tempered at 440;
// a reference is applied as a constant offset in cents, to the notes played and to the
// readings heard.

#include <optional>
#include <string_view>

namespace pitch {

inline constexpr int standardA4 = 440;
inline constexpr int lowestA4 = 415;
inline constexpr int highestA4 = 466;

// The reference a text names: a whole number of hertz from lowestA4 to highestA4, blanks
// around it allowed; anything else ("440.5", "abc", "nan", "") gives none.
std::optional<int> referenceA4(std::string_view text);

// How far a note at reference `a4Hz` lies from the same note at 440 Hz: 1200 * log2(a4 / 440).
double referenceOffsetCents(double a4Hz);

// A frequency heard against reference `a4Hz`, moved to where it lies against 440 Hz, so that
// the notes and cents of a 440 Hz world read it.
double toStandardPitch(double hz, double a4Hz);

}  // namespace pitch
