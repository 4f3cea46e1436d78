#include "pitch/window_reading.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <numbers>
#include <utility>

#include "pitch/note_evidence.h"
#include "pitch/partial_series.h"
#include "pitch/pitch_estimator.h"

namespace pitch {
namespace {

// A window holds at least this many periods of the note it reads.
constexpr double minPeriods = 10.0;
// Where the strongest partial of a series stands this far above the noise around it, and the
// partials of a lower note could not hide in the noise, the note is certain in one window...
constexpr double certainOverNoiseDb = 20.0;
// ...where it stands less far (but this far), the note is not certain in one window; fainter,
// the series is heard but not read.
constexpr double faintOverNoiseDb = 14.0;
// A partial's frequency spreads by this many bins of the window times the noise over its
// amplitude: measured on sines and harmonic series in white noise (0.68 to 0.75 over 82 and
// 330 Hz, windows of 0.2 and 0.35 s, 20 to 40 dB), noise taken as the median level between
// the partials.
constexpr double binsPerNoiseToAmplitude = 0.72;
// A series within this many of its spreads of a mains harmonic may be the hum.
constexpr double humSpreads = 3.0;
// Readings that spread more than this in the noise are not made: the note is certain, the
// cents would not be.
constexpr double maxSpreadCents = 3.0;
// A reading this precise, its fundamental measured, is made at once; a less certain one (a
// distant microphone's, a lost fundamental's) only where the window before it heard the same
// note: a momentary series of partials that passes for another note is not read.
constexpr double sureCents = 0.3;
// A fundamental read alone is no reading where a partial up to this one, at least this strong
// beside it, lies this far off its multiple: the two components disagree on the note.
constexpr int offSeriesPartials = 2;
constexpr double offSeriesDb = -6.0;
constexpr double offSeriesCents = 25.0;
constexpr double centsPerRatio = 1200.0 / std::numbers::ln2;

// Whether a series read names its note: by its fundamental, or without it by partials that two
// strings sounding together do not make.
bool namesANote(const SeriesReading& reading) {
    return reading.partials.front().k == 1 || namesANoteWithoutFundamental(reading.partials);
}

// Those of `partials` among the first maxPartials: a low note's odd partials that tell it from
// the octave above, and a damped string's fundamental read alone, rest on these, where they are
// strong. Further up, a distorted tone's products and a string ringing beside it put components
// on its odd multiples.
std::vector<Partial> firstPartials(const std::vector<Partial>& partials) {
    std::vector<Partial> first;
    std::ranges::copy_if(partials, std::back_inserter(first),
                         [](const Partial& p) { return p.k <= maxPartials; });
    return first;
}

}  // namespace

// The note whose series sounds on `hz` (a grid frequency the note search found, refined), and
// its reading where the window holds enough periods of it. `ringing` holds the frequencies of
// the strings read lately.
WindowOutcome readNoteAt(const Spectrum& spectrum, double hz, std::size_t n, double rate,
                         double lowHz, double highHz, bool tryBelow,
                         std::span<const double> ringing) {
    const auto needs = static_cast<std::size_t>(std::ceil(minPeriods * rate / hz));
    if (n < needs) {
        WindowOutcome tooShort;
        tooShort.needs = needs;
        return tooShort;
    }

    // Partials take part where they stand out of the noise around them.
    auto partials = partialsOverNoise(spectrum, hz, rate);
    if (partials.empty())
        return {};
    auto reading = readSeries(partials);
    // Where the first partials name no note, the series is read again from partials up to the
    // 16th: a small microphone's resonance may lift a high note's 9th to 12th partials far
    // over its faint 5th and 7th. A low note's were looked for that far already.
    if (reading && !namesANote(*reading) && seriesPartialsFor(hz) < maxSeriesPartials) {
        auto further = partialsOverNoise(spectrum, hz, rate, maxSeriesPartials);
        if (auto wider = readSeries(further); wider && namesANote(*wider)) {
            partials = std::move(further);
            reading = std::move(wider);
        }
    }
    // A damped string's partials scatter by several cents: they fit no series, or a few of
    // them fit one by chance that names no note without its fundamental (it holds neither the
    // 5th nor the 7th partial). Its fundamental is read alone where the partials lie near its
    // multiples; they are the series the note's evidence is weighed on.
    bool damped = false;
    if (!reading || !namesANote(*reading))
        if (auto alone = fundamentalAlone(firstPartials(partials))) {
            reading = std::move(alone);
            damped = true;
        }
    if (!reading || reading->hz < lowHz || reading->hz > highHz)
        return {};
    // Without its fundamental, a series is named by partials of neither kind (the 5th, the
    // 7th), which a string still ringing may lend it: with D2 ringing on, a new E2's series and
    // D2's 4th partial make E1's, its 7th among them. Named only by such partials, the series
    // is the note an octave or a twelfth above, whose series it holds, or no note.
    if (reading->partials.front().k != 1 && !ringing.empty() && namesANote(*reading)) {
        const auto own = ownPartials(*reading, ringing);
        if (!namesANoteWithoutFundamental(own)) {
            for (const int share : {2, 3})
                if (std::ranges::all_of(own, [&](const Partial& p) { return p.k % share == 0; }))
                    return readNoteAt(spectrum, share * reading->hz, n, rate, lowHz, highHz,
                                      tryBelow, ringing);
            return {};
        }
    }
    // Hum on the mains frequency or twice it is no note in any window, so a longer one is not
    // tried (an empty room with hum would cost twice as much); on a higher harmonic a string
    // may sound, which a longer window tells apart from it.
    if (mayBeHum(spectrum, reading->hz)) {
        WindowOutcome hum;
        hum.heard = !onLowMainsHarmonic(reading->hz);
        return hum;
    }
    const Partial& top = std::ranges::max(reading->partials, {}, &Partial::amplitude);
    if (lowerNoteUnder(spectrum, *reading, top.amplitude)) {
        // A lower note's partials show, but its own low partials were too weak to name it (a
        // small microphone's high-pass): the series on the octave or twelfth below that holds
        // partials this one lacks, never certain in one window.
        if (tryBelow)
            for (const int share : {2, 3}) {
                const double below = reading->hz / share;
                if (below < lowHz)
                    continue;
                WindowOutcome lower =
                    readNoteAt(spectrum, below, n, rate, lowHz, highHz, false, ringing);
                const bool ownPartial = share == 2 ? lower.oddPartial : lower.nonTriplePartial;
                if (lower.note && ownPartial && *lower.note == nearestNote(below)) {
                    lower.sure = false;
                    lower.uncertain = true;
                    return lower;
                }
            }
        WindowOutcome lower;
        lower.overLowerNote = nearestNote(reading->hz);
        return lower;
    }
    WindowOutcome result;
    result.note = nearestNote(reading->hz);
    // A damped string's fundamental read alone is a note only where it is read: else its
    // scattered partials are no evidence for a row of windows.
    const auto unread = [&] { return damped ? WindowOutcome{} : result; };
    const auto lowPartials = firstPartials(reading->partials);
    result.oddPartial = std::ranges::any_of(
        lowPartials, [](const Partial& p) { return p.k % 2 != 0; });
    result.nonTriplePartial = std::ranges::any_of(
        lowPartials, [](const Partial& p) { return p.k % 3 != 0; });
    const auto over = [&](double db) {
        return top.amplitude >= spectrum.noiseAt(top.hz) * dbToAmplitude(db);
    };
    // What would make a reading of its own too weak to name the note may still continue a
    // row of windows that named it: the string's tail, sinking into the noise.
    bool onlyContinues = false;
    if (!over(faintOverNoiseDb)) {
        result.faint = true;
        onlyContinues = true;
    }
    // Where the series hardly rises from the noise, the partials of a lower note could hide in
    // it: the note is not certain in this window alone.
    const bool uncertain =
        !over(certainOverNoiseDb) || lowerNoteCouldHide(spectrum, *reading, lowHz);
    if (damped && uncertain)
        return {};
    // The note rests on a series: its fundamental and another partial, three partials where
    // the fundamental is lost (so that the series' stretch is known) with one of neither kind
    // among them and two among the first eight (a distorted string's products fit a low
    // note's 7th, 15th and 16th), or a fundamental far above the noise alone.
    const auto& used = reading->partials;
    result.lone = used.size() < 2;
    if (used.front().k != 1 && firstPartials(used).size() < 2)
        return unread();
    // Partials that two strings sounding together make name no note; where no other string
    // rings, they may still continue the row of the note they fit, whose 5th and 7th partials
    // sink into the noise first.
    if (used.front().k != 1 && !namesANoteWithoutFundamental(used)) {
        const bool otherStringRings = std::ranges::any_of(
            ringing, [&](double hz) { return nearestNote(hz) != nearestNote(reading->hz); });
        if (otherStringRings)
            return unread();
        onlyContinues = true;
    }
    // A lone partial may be any note below it whose other partials the noise could hide;
    // a lone fundamental not far over the noise is as weak. (A damped string's reading holds
    // its fundamental and three partials beside it: it is neither case.)
    if (used.size() < 2 && (uncertain || (used.front().k == 1 &&
                                          !standsOut(spectrum, reading->hz, loneFundamentalDb))))
        onlyContinues = true;
    // A fundamental alone whose strong low partials lie off its series is no reading: a
    // distorted string's beating once pulled its peak 70 cents off the note its 2nd partial,
    // 3 dB weaker, named.
    const auto offSeries = [&](const Partial& p) {
        return p.k > 1 && p.k <= offSeriesPartials &&
               p.amplitude >= used.front().amplitude * dbToAmplitude(offSeriesDb) &&
               std::abs(centsBetween(p.hz, p.k * reading->hz)) > offSeriesCents;
    };
    if (used.size() < 2 && !damped && std::ranges::any_of(partials, offSeries))
        return unread();
    const SeriesReading measured =
        damped ? SeriesReading{reading->hz, {reading->partials.front()}} : *reading;
    const double spreadHz = readingSpreadHz(measured, [&](const Partial& p) {
        return binsPerNoiseToAmplitude * spectrum.resolutionHz() * spectrum.noiseAt(p.hz);
    });
    // Hum's own series, read through the noise, may land a little off the mains frequency.
    if (mayBeHum(spectrum, reading->hz, humSpreads * spreadHz))
        return {};
    const double spreadCents = centsPerRatio * spreadHz / reading->hz;
    if (spreadCents > maxSpreadCents)
        return unread();
    if (onlyContinues) {
        result.continuation = Reading{reading->hz, 0, spreadCents};
        return result;
    }
    result.reading = Reading{reading->hz, 0, spreadCents};
    result.damped = damped;
    result.sure = used.front().k == 1 && spreadCents < sureCents && !uncertain;
    result.uncertain = uncertain;
    return result;
}

// The note of the strongest series and the notes below it; a component standing over the
// noise alone makes the octave below where `overNoiseAlone`.
WindowOutcome readSpectrum(const Spectrum& spectrum, std::size_t n, double rate, double lowHz,
                           double highHz, bool overNoiseAlone, std::span<const double> ringing) {
    const auto found = strongestNote(spectrum, lowHz, highHz, rate);
    if (!found) {
        WindowOutcome nothing;
        nothing.heard = false;
        return nothing;
    }
    double hz = refinedSeriesHz(spectrum, *found, rate);
    // Four steps down span more than the range of a guitar or a bass.
    for (int step = 0; step < 4; ++step) {
        const auto lower = noteBelow(spectrum, hz, lowHz, rate, overNoiseAlone);
        if (!lower)
            break;
        hz = refinedSeriesHz(spectrum, *lower, rate);
    }
    return readNoteAt(spectrum, hz, n, rate, lowHz, highHz, true, ringing);
}

}  // namespace pitch
