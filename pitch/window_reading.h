// One window of the listening tuner read: the note whose series its spectrum holds, with the
// evidence the estimator weighs across windows (whether the note is certain in this window
// alone, whether a lower note may hide under it), and its reading where the window is long
// enough and the reading precise enough to make.

#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "pitch/live_reading.h"
#include "pitch/windowed_spectrum.h"

namespace pitch {

struct WindowOutcome {
    std::optional<Reading> reading;
    // When there is no reading yet because the window holds too few periods of the note, the
    // window length it needs.
    std::size_t needs = 0;
    // Whether the reading stands alone: its fundamental measured, its spread small. Any other
    // wants an earlier window of its row to have read the same note.
    bool sure = false;
    // Whether the note may be a lower one's partials, hidden in the noise: it wants a row of
    // windows that read it.
    bool uncertain = false;
    // Whether any note stood out of the noise: where none did, a longer window is not tried.
    bool heard = true;
    // The note whose series the window heard, read or not; where it heard a lower note under a
    // series instead, that series' note.
    std::optional<int> note;
    std::optional<int> overLowerNote;
    // Whether the series hardly rose from the noise, as the noise of an empty room makes one
    // now and then: it does not keep the longer window tried in the windows after it.
    bool faint = false;
    // Whether the series read holds an odd partial, one off every third: what the series on
    // its octave or twelfth above lacks.
    bool oddPartial = false;
    bool nonTriplePartial = false;
    // Whether the reading is a damped string's fundamental, read alone for want of a series.
    bool damped = false;
    // Whether the series heard is one component, which names no note of its own.
    bool lone = false;
    // Where the series is too faint, a lone component too weak, or its partials only those two
    // strings sounding together make, to name its note, the reading it would make: shown only
    // where it continues a row of windows that read the note.
    std::optional<Reading> continuation;
};

// The note whose series sounds on `hz` (a grid frequency the note search found, refined), and
// its reading where the window of `n` samples at `rate` holds enough periods of it; with
// `tryBelow`, the octave or twelfth below where its partials show under the series. `ringing`
// holds the frequencies of the strings read lately.
WindowOutcome readNoteAt(const Spectrum& spectrum, double hz, std::size_t n, double rate,
                         double lowHz, double highHz, bool tryBelow,
                         std::span<const double> ringing);

// The note of the strongest series and the notes below it; a component standing over the
// noise alone makes the octave below where `overNoiseAlone`.
WindowOutcome readSpectrum(const Spectrum& spectrum, std::size_t n, double rate, double lowHz,
                           double highHz, bool overNoiseAlone, std::span<const double> ringing);

}  // namespace pitch
