#pragma once
// Which note a spectrum holds, read from the partials that stand out of the noise around them:
// the candidates (the strongest series that may be a note), the note below a series found (its
// octave or twelfth below, where that one's own partials sound), and whether a lower note may
// sound under a series, found or hidden in the noise, so that the note read is not certain.
// Mains hum is never a note, nor a partial of one. The listening estimator asks these of each
// window it reads.

#include <optional>
#include <span>
#include <vector>

#include "pitch/partial_series.h"

namespace pitch {

class Spectrum;

// A lone fundamental (a pure tone, a flute-like high note) stands this far above the noise.
inline constexpr double loneFundamentalDb = 20.0;
// Partials take part where at least this strong relative to the strongest...
inline constexpr double minPartialDb = -40.0;
// ...and this far above the noise around them.
inline constexpr double partialOverNoiseDb = 10.0;

double strongestOf(const std::vector<Partial>& partials);

// A series' partials are looked for up to this one at most.
inline constexpr int maxSeriesPartials = 16;

// The partials of the series on `hz` that stand partialOverNoiseDb above the noise around them,
// at most minPartialDb under the strongest: its first `atLeast`, and a low note's up to 1 kHz
// (up to maxSeriesPartials). Behind a distant phone's high-pass a low note's first partials are
// gone, and the 5th and 7th that name it may be faint where the string was plucked, while the
// 11th or 13th are not.
std::vector<Partial> partialsOverNoise(const Spectrum& spectrum, double hz, double rate,
                                       int atLeast = maxPartials);

// How many partials of the series on `hz` partialsOverNoise looks for.
int seriesPartialsFor(double hz, int atLeast = maxPartials);

// The series frequency refined from one of its partials: the frequency found is too coarse to
// place the 8th partial of a low note. The strongest of the first four partials, whose stretch
// on a stiff string is small; where none of them sounds, the strongest of all.
double refinedSeriesHz(const Spectrum& spectrum, double hz, double rate);

// Whether a component stands `db` above the noise around it, and among the partials that
// shape the tone (not a faint artefact that only a noiseless recording shows). Hum on the mains
// frequency or twice it, and the grid's peaks beside it within the window's main lobe, are no
// such component.
bool standsOut(const Spectrum& spectrum, double hz, double db);

// Mains hum and its harmonics are a series as exact as a string's; no note is read where only
// they could be sounding: at the mains frequency or twice it (a transformer's hum, which may
// lack the mains frequency itself), or at a higher harmonic where the hum's lower harmonics
// sound too, not far below the strongest of the series' first partials there. A string tuned
// onto a higher harmonic (a G string a third of a semitone sharp sounds at 200 Hz) is read
// where no such hum sounds, or where the hum is faint beside the string.
// A series read through noise lands off its true frequency by its spread: `spreadHz` widens the
// tolerance around each harmonic by as much.
bool mayBeHum(const Spectrum& spectrum, double hz, double spreadHz = 0.0);

// Whether `hz` lies on the mains frequency or twice it, where a series is hum whatever else
// sounds.
bool onLowMainsHarmonic(double hz, double spreadHz = 0.0);

// Two notes sounding together (a string still ringing under the next) make a series on their
// common subharmonic that holds the partials of both and none of the others: a fourth apart,
// its partials 3, 4, 6 and 8; a fifth, 2, 3, 4, 6 and 8; a major third, 4, 5 and 8; a minor
// third, 5 and 6. A note whose fundamental is lost shows itself by the 2nd or 3rd partial and
// by one of neither kind: the 5th or the 7th (the 11th or 13th of a low note, looked for further
// up its series).
bool ofNeitherKind(int k);

// Whether partials without the fundamental name a note: three at least, so that the series'
// stretch is known, with one of neither kind among them.
bool namesANoteWithoutFundamental(const std::vector<Partial>& partials);

// The grid frequency from `lowHz` to `highHz` that may be a note and whose partials stand
// furthest above the noise, summed up to a common frequency: a note then outscores its own
// octave and twelfth above, whose partials it holds, even where its fundamental is lost.
std::optional<double> strongestNote(const Spectrum& spectrum, double lowHz, double highHz,
                                    double rate);

// The note below the series found at `hz`, if one sounds. An octave below: a clear component
// there, as the one-shot estimator checks, or, with `overNoiseAlone`, one however weak that
// stands nearly as far over the noise as the series' first partial, clear of hum (a small
// microphone's high-pass takes a low fundamental and the noise around it down together), or, where
// the fundamental is lost, two of the lower note's odd partials (3, 5, 7), which the series found
// does not hold. A twelfth below: a clear component there or the lower note's partials 2 and 4, and
// its own partials (those not on the series found) at least half as strong as the series' partials:
// a bright tone's every third partial can outweigh the rest, while a string that rings on a twelfth
// below a new note adds far less than that.
std::optional<double> noteBelow(const Spectrum& spectrum, double hz, double lowHz, double rate,
                                bool overNoiseAlone = true);

// Whether a lower note may sound under the series, too weak to be found as the note, so that
// the note read may be one of its partials:
// - a component below the series where the octave or the twelfth below has partials (its
//   fundamental or 2nd partial), strong beside the series even where it hardly rises from
//   the noise;
// - the octave below's 3rd or 5th partial, clear of the noise and as far over it as the
//   series' partials beside it nearly are: over the noise, not in level, since a small
//   microphone's high-pass may take 10 dB off a low partial and off the noise with it;
// - three of the octave below's odd partials up to the 15th, faint but over the noise and
//   nearly as far over it as the series' partials beside them, two of them of neither kind;
// - two of the octave below's odd partials, not only the 3rd and 9th (a string a fourth below
//   or a fifth above, still ringing, has partials there);
// - two of the twelfth below's own partials with the 5th or 7th among them (not only a fifth
//   below's).
bool lowerNoteUnder(const Spectrum& spectrum, const SeriesReading& series, double strongestPartial);

// Whether a lower note's partials could hide in the noise beside the series read: where the
// noise at every such place would swallow a partial hiddenRelativeDb below the series' own
// beside it, the note may be the octave or twelfth below, and no reading is certain. (A note
// seldom has all of them that weak: the pluck that silences its 3rd partial leaves the 5th or
// 7th. Below the series' fundamental a small microphone's high-pass takes a lower note's
// partials anyway.)
bool lowerNoteCouldHide(const Spectrum& spectrum, const SeriesReading& series, double lowHz);

// The partials of `series` that no string in `ringing` (the frequencies of strings read lately)
// makes: a partial within borrowedCents of a multiple of such a string may be that string's,
// unless the series and the string are one another's partials. A string still ringing lends a
// new string's series components that fit the octave or twelfth below it.
inline constexpr double borrowedCents = 20.0;
std::vector<Partial> ownPartials(const SeriesReading& series, std::span<const double> ringing);

}  // namespace pitch
