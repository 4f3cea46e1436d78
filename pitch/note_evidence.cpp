#include "pitch/note_evidence.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <vector>

#include "pitch/partial_series.h"
#include "pitch/pitch_estimator.h"
#include "pitch/windowed_spectrum.h"

namespace pitch {
namespace {

// A note a twelfth below the series found must add at least this share of the series' level.
constexpr double minOwnShare = 0.5;
// Partials whose presence decides which note sounds must stand this far above the noise
// around them: noise alone reaches it in one of some 50,000 grid points.
constexpr double evidenceDb = 12.0;
// ...and at least this strong relative to the strongest component.
constexpr double evidenceRelativeDb = -30.0;
// With another low partial, a fundamental stands this far above the noise.
constexpr double clearFundamentalDb = 15.0;
// A lower note's partials make the note read uncertain where they are this strong relative to
// the strongest partial of its series (or, beside it, relative to the series' own partials
// there) and above the noise: below its fundamental...
constexpr double underRelativeDb = -15.0;
constexpr double underOverNoiseDb = 6.0;
// ...and above it.
constexpr double aboveRelativeDb = -25.0;
// A component under the series standing less than evidenceDb over the noise is a lower note's
// where one of that note's first partials up to this one, which the series lacks, stands so far.
constexpr int lowerNoteOwnPartials = 5;
// A note's odd partials are seldom this much weaker than its even ones: where the noise would
// hide a partial this weak beside the series read, the octave or twelfth below may be sounding.
constexpr double hiddenRelativeDb = -24.0;
// A lower note sounds where this many of its odd partials up to this one show, faint but over
// the noise: where none stands out enough to decide alone (a distant phone's B1 whose 3rd and
// 5th partials are gone), several do.
constexpr int faintPartialsBelow = 3;
constexpr int highestOddPartialBelow = 15;
// A lower note's partial is looked for this close to where it would be.
constexpr double partialSearchCents = 30.0;
// A low note's partials are looked for up to this frequency, up to this many of them.
constexpr double lowNoteSeriesSpanHz = 1000.0;
// A candidate note's score sums its partials up to this frequency (or its 8th partial, where
// higher) that stand this far over the noise.
constexpr double scoreSpanHz = 2000.0;
constexpr double scoreOverNoiseDb = 6.0;
// Mains hum: its first harmonics, within this much of the nominal frequency.
constexpr int mainsHarmonics = 4;
constexpr double mainsToleranceHz = 0.2;
// A component on the first harmonics is taken for hum whatever else sounds; on a higher one,
// where a lower harmonic sounds at most this far below it.
constexpr int alwaysHumHarmonics = 2;
constexpr double humBelowDb = -20.0;
// A series on a higher harmonic is compared with the hum by the strongest of its first
// partials.
constexpr int humComparePartials = 4;
// A component within this many of the window's bins of the mains frequency or twice it, where
// hum sounds, is the hum's: the window's main lobe reaches 4 bins, and beyond 3 its skirt lies
// under the noise...
constexpr double humLobeBins = 3.0;
// ...and hum sounds where the peak there, refined, lies this much further off the harmonic at
// most: the noise moves it.
constexpr double humPeakSlackHz = 0.1;

// Whether `hz` lies on the `j`th harmonic of `mains`.
bool onMainsHarmonic(double hz, double mains, int j, double spreadHz) {
    return std::abs(hz - j * mains) <= j * mainsToleranceHz + spreadHz;
}

bool overNoise(const Spectrum& spectrum, double hz, double level, double db) {
    return level >= spectrum.noiseAt(hz) * dbToAmplitude(db);
}

// Whether a component of `level` at `hz` stands nearly as far over the noise as `beside`, a
// partial of the series read: over the noise, not in level, since a small microphone's
// high-pass takes a low partial and the noise around it down together.
bool nearlyAsFarOverNoise(const Spectrum& spectrum, double hz, double level,
                          const Partial& beside) {
    return level / spectrum.noiseAt(hz) >=
           beside.amplitude / spectrum.noiseAt(beside.hz) * dbToAmplitude(underRelativeDb);
}

// The level of the grid's strongest local maximum near `hz`, whatever made it.
double anyPeakLevel(const Spectrum& spectrum, double hz) {
    return spectrum.coarsePeakLevelNear(hz, partialSearchCents);
}

// Whether `hz` lies within the main lobe of hum on the mains frequency or twice it. The window
// spreads the hum over several grid points, where the noise makes local maxima of their own (a
// peak on 55 Hz beside 50 Hz hum, passing for a note's fundamental or a lower note's). Hum
// sounds there where the peak near the harmonic, refined, lands on it and stands out of the
// noise; a string beside it whose fundamental outweighs the hum pulls that peak off the
// harmonic and stays a note. The peak may lie `slackHz` further off (up to half the window's
// resolution, where hum and a component beside it are one peak).
bool onHumLobe(const Spectrum& spectrum, double hz, double slackHz = humPeakSlackHz) {
    const double lobeHz = humLobeBins * spectrum.resolutionHz();
    for (double mains : {50.0, 60.0})
        for (int j = 1; j <= alwaysHumHarmonics; ++j) {
            const double harmonic = j * mains;
            // Refined only where a peak there stands out at all: most windows hold no hum.
            if (std::abs(hz - harmonic) > lobeHz ||
                !overNoise(spectrum, harmonic, anyPeakLevel(spectrum, harmonic), evidenceDb))
                continue;
            const auto peak =
                spectrum.keptPeakNear(harmonic, centsBetween(harmonic + lobeHz, harmonic));
            if (peak && onMainsHarmonic(peak->hz, mains, j, slackHz) &&
                overNoise(spectrum, harmonic, peak->amplitude, evidenceDb))
                return true;
        }
    return false;
}

// The level of a component near `hz`: a peak of its own, not the skirt of a neighbour's nor
// the hum's; 0 where there is none.
double peakLevel(const Spectrum& spectrum, double hz) {
    return onHumLobe(spectrum, hz) ? 0.0 : anyPeakLevel(spectrum, hz);
}

// Whether a component of `level` at `hz` stands out, as standsOut asks of the peak there.
bool levelStandsOut(const Spectrum& spectrum, double hz, double level, double db) {
    return overNoise(spectrum, hz, level, db) &&
           level >= spectrum.strongest() * dbToAmplitude(evidenceRelativeDb);
}

// How many of the partials `ks` of the series on `hz` (below the band's edge) stand out, at
// least `atLeast` in level.
int clearPartials(const Spectrum& spectrum, double hz, std::initializer_list<int> ks, double rate,
                  double atLeast = 0.0) {
    int count = 0;
    for (int k : ks)
        count += k * hz < highestPartialShare * rate && standsOut(spectrum, k * hz, evidenceDb) &&
                 (atLeast <= 0.0 || peakLevel(spectrum, k * hz) >= atLeast);
    return count;
}

// A grid frequency a note may sound at, by the partials that stand out of the noise: its
// fundamental far above it (a pure tone); its fundamental well above it and another of its
// first four partials; its fundamental above it and an odd partial, the 3rd, 5th or 7th; or,
// where the fundamental is lost (a small microphone or a distant one), three of partials 2 to
// 8 with the 2nd or 3rd and the 5th or 7th among them. The subharmonic an octave below a note
// has no odd partials but its fundamental, which noise alone hardly ever makes; a series of
// even partials alone is the note an octave up.
bool mayBeNote(const Spectrum& spectrum, double hz, double rate) {
    if (mayBeHum(spectrum, hz))
        return false;
    // In a noisy room thousands of candidates a window are asked and nearly all fail: each
    // partial is looked up once, and only as far as the answer needs.
    const double fundamental = peakLevel(spectrum, hz);
    const auto fundamentalStandsOut = [&](double db) {
        return levelStandsOut(spectrum, hz, fundamental, db);
    };
    if (fundamentalStandsOut(loneFundamentalDb))
        return true;
    if (fundamentalStandsOut(clearFundamentalDb) && clearPartials(spectrum, hz, {2, 3, 4}, rate))
        return true;
    if (fundamentalStandsOut(partialOverNoiseDb) && clearPartials(spectrum, hz, {3, 5, 7}, rate))
        return true;
    const int low = clearPartials(spectrum, hz, {2, 3}, rate);
    if (low == 0)
        return false;
    const int neither = clearPartials(spectrum, hz, {5, 7}, rate);
    // The 2nd and 3rd partials are heard as their fundamental where it sounds at all, however
    // weakly; two strings have no common fundamental.
    const bool faintFundamental = overNoise(spectrum, hz, fundamental, partialOverNoiseDb);
    return ((low == 2 && faintFundamental) || neither >= 1) &&
           low + neither + clearPartials(spectrum, hz, {4, 6, 8}, rate) >= 3;
}

// The series' partial beside `share` times its frequency: the stronger of the two around it (the
// first partial it holds, where it has neither).
const Partial& besidePartial(const SeriesReading& series, double share) {
    const Partial* beside = nullptr;
    for (const Partial& p : series.partials)
        if (std::abs(p.k - share) < 1.0 && (!beside || p.amplitude > beside->amplitude))
            beside = &p;
    return beside ? *beside : series.partials.front();
}

// Where a lower note has partials the series on its octave or twelfth above lacks: the octave
// below's fundamental and odd partials, the twelfth below's fundamental and its own partials.
constexpr double octaveBelowShares[] = {1.5, 2.5, 3.5};
constexpr double twelfthBelowShares[] = {4.0 / 3, 5.0 / 3, 7.0 / 3, 8.0 / 3};

}  // namespace

double strongestOf(const std::vector<Partial>& partials) {
    return std::ranges::max(partials, {}, &Partial::amplitude).amplitude;
}

int seriesPartialsFor(double hz, int atLeast) {
    return std::clamp(static_cast<int>(lowNoteSeriesSpanHz / hz), atLeast, maxSeriesPartials);
}

std::vector<Partial> partialsOverNoise(const Spectrum& spectrum, double hz, double rate,
                                       int atLeast) {
    const int count = seriesPartialsFor(hz, atLeast);
    const auto coarse = coarsePartials(spectrum, hz, rate, count);
    if (coarse.empty())
        return {};
    auto partials =
        findPartials(spectrum, hz, strongestOf(coarse) * dbToAmplitude(minPartialDb), rate, count);
    std::erase_if(partials, [&](const Partial& p) {
        return p.amplitude < spectrum.noiseAt(p.hz) * dbToAmplitude(partialOverNoiseDb);
    });
    return partials;
}

double refinedSeriesHz(const Spectrum& spectrum, double hz, double rate) {
    const auto partials = coarsePartials(spectrum, hz, rate);
    if (partials.empty())
        return hz;
    const auto louder = [](const Partial& a, const Partial& b) {
        return a.amplitude < b.amplitude;
    };
    const Partial* best = &*std::ranges::max_element(partials, louder);
    const auto low = std::ranges::find_if(partials, [](const Partial& p) { return p.k > 4; });
    const auto lowBest = std::max_element(partials.begin(), low, louder);
    if (lowBest != low && lowBest->amplitude >= best->amplitude * dbToAmplitude(minPartialDb))
        best = &*lowBest;
    const auto peak = spectrum.peakNear(best->hz, 0.0);
    return peak ? peak->hz / best->k : hz;
}

bool standsOut(const Spectrum& spectrum, double hz, double db) {
    return levelStandsOut(spectrum, hz, peakLevel(spectrum, hz), db);
}

bool onLowMainsHarmonic(double hz, double spreadHz) {
    for (double mains : {50.0, 60.0})
        for (int j = 1; j <= alwaysHumHarmonics; ++j)
            if (onMainsHarmonic(hz, mains, j, spreadHz))
                return true;
    return false;
}

bool mayBeHum(const Spectrum& spectrum, double hz, double spreadHz) {
    if (onLowMainsHarmonic(hz, spreadHz))
        return true;
    for (double mains : {50.0, 60.0})
        for (int j = alwaysHumHarmonics + 1; j <= mainsHarmonics; ++j) {
            if (!onMainsHarmonic(hz, mains, j, spreadHz))
                continue;
            // A string's series is as loud as its strongest low partial: the fundamental alone
            // may lie under a small microphone's high-pass, beside hum that is not.
            double level = 0.0;
            for (int k = 1; k <= humComparePartials; ++k)
                level = std::max(level, anyPeakLevel(spectrum, k * hz));
            for (int i = 1; i < j; ++i) {
                const double hum = anyPeakLevel(spectrum, i * mains);
                if (levelStandsOut(spectrum, i * mains, hum, evidenceDb) &&
                    hum >= level * dbToAmplitude(humBelowDb))
                    return true;
            }
        }
    return false;
}

bool ofNeitherKind(int k) {
    return k % 2 != 0 && k % 3 != 0;
}

bool namesANoteWithoutFundamental(const std::vector<Partial>& partials) {
    return partials.size() >= 3 &&
           std::ranges::any_of(
               partials, [](const Partial& p) { return ofNeitherKind(p.k); });
}

std::optional<double> strongestNote(const Spectrum& spectrum, double lowHz, double highHz,
                                    double rate) {
    // Each grid point's excess over the noise, once: the candidates read it thousands of times.
    const double grid = spectrum.gridHz();
    const auto points = static_cast<std::size_t>(highestPartialShare * rate / grid) + 2;
    std::vector<double> excess(points);
    for (std::size_t bin = 1; bin < points; ++bin) {
        const double hz = static_cast<double>(bin) * grid;
        excess[bin] = std::max(
            0.0, spectrum.levelNear(hz) - spectrum.noiseAt(hz) * dbToAmplitude(scoreOverNoiseDb));
    }
    struct Candidate {
        double hz;
        double score;
    };
    std::vector<Candidate> candidates;
    for (double hz = lowHz; hz <= highHz;) {
        const double span = std::max(scoreSpanHz, maxPartials * hz);
        const double top = std::min(span, highestPartialShare * rate);
        // Candidates close enough that the highest partial summed lands within a grid step.
        const double next = hz * (1.0 + 2.0 * grid / span);
        double score = 0.0;
        for (double partial = hz; partial < top; partial += hz)
            score += excess[static_cast<std::size_t>(partial / grid + 0.5)];
        if (score > 0.0)
            candidates.push_back({hz, score});
        hz = next;
    }
    // The best scores first (the lowest of equal ones first): whether a candidate may be a note
    // is asked only until one is, a few times where asking each new best of the scan from below
    // asked thousands of times.
    std::ranges::stable_sort(candidates, std::ranges::greater{}, &Candidate::score);
    const auto note = std::ranges::find_if(
        candidates, [&](const Candidate& c) { return mayBeNote(spectrum, c.hz, rate); });
    return note == candidates.end() ? std::nullopt : std::optional(note->hz);
}

std::optional<double> noteBelow(const Spectrum& spectrum, double hz, double lowHz, double rate,
                                bool overNoiseAlone) {
    const auto partials = coarsePartials(spectrum, hz, rate);
    if (partials.empty())
        return std::nullopt;
    const double strongest = strongestOf(partials);
    const auto sounds = [&](double at) {
        return soundsClearlyAt(spectrum, at, strongest) && standsOut(spectrum, at, evidenceDb);
    };
    const double octave = hz / 2, twelfth = hz / 3;
    // Over the noise nearly as far as the series' first partial, however much weaker in level
    // (a phone's high-pass takes 30 dB off a low string's fundamental and off the noise with
    // it), and not the hum's: a peak within half the window's resolution of a mains harmonic is
    // one with the hum there, which stands as far over that noise.
    const auto overNoiseBeside = [&](double at) {
        const double level = peakLevel(spectrum, at);
        return overNoise(spectrum, at, level, evidenceDb) &&
               !onHumLobe(spectrum, at, 0.5 * spectrum.resolutionHz()) &&
               nearlyAsFarOverNoise(spectrum, at, level, partials.front());
    };
    // The octave below's odd partials count where they are not far weaker than the series'
    // own: a sampled string's loop may leave components on the half multiples of its series,
    // 25 to 30 dB under it, which are no lower string's odd partials.
    if (octave >= lowHz && !mayBeHum(spectrum, octave) &&
        (sounds(octave) || (overNoiseAlone && overNoiseBeside(octave)) ||
         clearPartials(spectrum, octave, {3, 5, 7}, rate,
                       strongest * dbToAmplitude(hiddenRelativeDb)) >= 2))
        return octave;
    if (twelfth < lowHz || mayBeHum(spectrum, twelfth) ||
        !(sounds(twelfth) || clearPartials(spectrum, twelfth, {2, 4}, rate) == 2))
        return std::nullopt;
    double own = 0.0, shared = 0.0;
    for (const Partial& p : coarsePartials(spectrum, twelfth, rate))
        (p.k % 3 == 0 ? shared : own) += p.amplitude;
    return own >= minOwnShare * shared ? std::optional(twelfth) : std::nullopt;
}

bool lowerNoteUnder(const Spectrum& spectrum, const SeriesReading& series,
                    double strongestPartial) {
    const double hz = series.hz;
    const auto count = [&](std::initializer_list<double> shares, double relativeDb,
                           double overNoiseDb) {
        int n = 0;
        for (double share : shares) {
            const double level = peakLevel(spectrum, share * hz);
            n += level >= strongestPartial * dbToAmplitude(relativeDb) &&
                 overNoise(spectrum, share * hz, level, overNoiseDb);
        }
        return n;
    };
    // Under the series: a component an octave below, a little over the noise, is a lower note's
    // fundamental (its odd partials may come and go). One at a third or two thirds of its
    // frequency is a lower note's where it stands far over the noise, or where another partial of
    // that note which the series lacks does: over a faint series, a long window's noise alone
    // rises a little at one of those places now and then.
    if (count({1.0 / 2}, underRelativeDb, underOverNoiseDb) > 0)
        return true;
    for (const double share : {1.0 / 3, 2.0 / 3}) {
        const double level = peakLevel(spectrum, share * hz);
        if (level < strongestPartial * dbToAmplitude(underRelativeDb) ||
            !overNoise(spectrum, share * hz, level, underOverNoiseDb))
            continue;
        if (overNoise(spectrum, share * hz, level, evidenceDb))
            return true;
        for (int m = 2; m <= lowerNoteOwnPartials; ++m) {
            const double at = m * share;
            if (std::abs(at - std::round(at)) > 0.01 &&
                count({at}, underRelativeDb, evidenceDb) > 0)
                return true;
        }
    }
    // A component at `share` times the series' frequency, `db` over the noise and nearly as far
    // over it as the series' partial beside it.
    const auto showsBeside = [&](double share, double db) {
        const double at = share * hz;
        const double level = peakLevel(spectrum, at);
        return overNoise(spectrum, at, level, db) &&
               nearlyAsFarOverNoise(spectrum, at, level, besidePartial(series, share));
    };
    for (double share : {1.5, 2.5})
        if (showsBeside(share, evidenceDb))
            return true;
    // Faint but many: the octave below's odd partials, two of them of neither kind (a string a
    // fourth below or a fifth above, still ringing, sounds on the 3rd, 9th and 15th).
    int faint = 0, neither = 0;
    for (int k = 1; k <= highestOddPartialBelow; k += 2)
        if (showsBeside(k / 2.0, partialOverNoiseDb)) {
            ++faint;
            neither += ofNeitherKind(k);
        }
    if (faint >= faintPartialsBelow && neither >= 2)
        return true;
    const int octaveOnly = count({2.5, 3.5, 5.5}, aboveRelativeDb, evidenceDb);
    if (octaveOnly >= 1 && octaveOnly + count({1.5, 4.5}, aboveRelativeDb, evidenceDb) >= 2)
        return true;
    const int notFifth = count({5.0 / 3, 7.0 / 3}, aboveRelativeDb, evidenceDb);
    return notFifth >= 1 && notFifth + count({4.0 / 3, 8.0 / 3}, aboveRelativeDb, evidenceDb) >= 2;
}

bool lowerNoteCouldHide(const Spectrum& spectrum, const SeriesReading& series, double lowHz) {
    const auto hides = [&](double share) {
        return spectrum.noiseAt(share * series.hz) * dbToAmplitude(evidenceDb) >
               besidePartial(series, share).amplitude * dbToAmplitude(hiddenRelativeDb);
    };
    return (series.hz / 2 >= lowHz && std::ranges::all_of(octaveBelowShares, hides)) ||
           (series.hz / 3 >= lowHz && std::ranges::all_of(twelfthBelowShares, hides));
}

std::vector<Partial> ownPartials(const SeriesReading& series, std::span<const double> ringing) {
    // Within this much of a whole ratio, two notes are one another's partials.
    constexpr double relatedCents = 50.0;
    const auto related = [](double a, double b) {
        const double ratio = std::max(a, b) / std::min(a, b);
        return std::abs(centsBetween(ratio, std::round(ratio))) < relatedCents;
    };
    std::vector<Partial> own;
    std::ranges::copy_if(series.partials, std::back_inserter(own), [&](const Partial& p) {
        return std::ranges::none_of(ringing, [&](double string) {
            const double k = std::round(p.hz / string);
            return k >= 1 && !related(series.hz, string) &&
                   std::abs(centsBetween(p.hz, k * string)) < borrowedCents;
        });
    });
    return own;
}

}  // namespace pitch
