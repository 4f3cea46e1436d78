#include "pitch/live_estimator.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <optional>
#include <utility>

#include "pitch/note_envelope.h"
#include "pitch/partial_series.h"
#include "pitch/pitch_estimator.h"
#include "pitch/windowed_spectrum.h"

namespace pitch {
namespace {

// A stream at a rate outside these gives no readings: below, the partials read do not fit.
constexpr double minSampleRate = 8000.0;
constexpr double maxSampleRate = 768000.0;
// Half a semitone beyond the lowest and highest note, so that a string tuned far off is read.
constexpr double rangeMarginNotes = 0.5;
// The decimated rate: the 8th partial of note 72 (4.2 kHz, a little more on a stiff string)
// stays in the passband.
constexpr double minDecimatedRate = 11000.0;
constexpr double passbandHz = 4600.0;
// An onset: the level of the last blocks (two periods of the lowest note) this much above that
// of the same span before.
constexpr double onsetRatio = 2.0;
// The peak of a pluck lies within this many blocks of its onset.
constexpr std::size_t attackBlocks = 8;
// Windows: before any analysis, this many periods of the lowest note, so that a low note's
// partials are resolved and cannot pass for a higher note's; this many of the note read; at most
// this long, so that a turned tuning peg shows at once.
constexpr double minPeriodsOfLowest = 8.0;
constexpr double minPeriods = 10.0;
constexpr double maxWindowSeconds = 0.35;
// Where such a window gives no reading (a distant microphone's partials hardly rise from the
// room's noise), one of up to this long ending at the same sample: a steady partial stands 4.6
// dB further above the noise, at the cost of following a turned peg more slowly. It is tried
// only where at least this much longer than the short window.
constexpr double longWindowSeconds = 1.0;
constexpr double minLongWindowShare = 1.25;
// A string does not leap to its own octave or twelfth: until a new onset or silence, a series
// there (within this much) is the string's own partials outlasting the rest.
constexpr double partialOfToneCents = 50.0;
// A note a twelfth below the series found must add at least this share of the series' level.
constexpr double minOwnShare = 0.5;
// Partials whose presence decides which note sounds must stand this far above the noise
// around them: noise alone reaches it in one of some 50,000 grid points.
constexpr double evidenceDb = 12.0;
// ...and at least this strong relative to the strongest component.
constexpr double evidenceRelativeDb = -30.0;
// A lone fundamental (a pure tone, a flute-like high note) stands this far above the noise;
// with another low partial, this far.
constexpr double loneFundamentalDb = 20.0;
constexpr double clearFundamentalDb = 15.0;
// A lower note's partials make the note read uncertain where they are this strong relative to
// the strongest partial of its series (or, beside it, relative to the series' own partials
// there) and above the noise: below its fundamental...
constexpr double underRelativeDb = -15.0;
constexpr double underOverNoiseDb = 6.0;
// ...and above it.
constexpr double aboveRelativeDb = -25.0;
// The strongest partial of a series read stands this far above the noise around it.
constexpr double certainOverNoiseDb = 20.0;
// A note's odd partials are seldom this much weaker than its even ones: where the noise would
// hide a partial this weak beside the series read, the octave or twelfth below may be sounding.
constexpr double hiddenRelativeDb = -18.0;
// A lower note's partial is looked for this close to where it would be.
constexpr double partialSearchCents = 30.0;
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
// A run of exact zeros this long is a dropout, not a zero crossing of a tone or a quiet room.
constexpr double dropoutSeconds = 0.0003;
// Time between readings.
constexpr double hopSeconds = 0.05;
// Partials take part where at least this strong relative to the strongest...
constexpr double minPartialDb = -40.0;
// ...and this far above the noise around them.
constexpr double partialOverNoiseDb = 10.0;
// A partial's frequency spreads by this many bins of the window times the noise over its
// amplitude: measured on sines and harmonic series in white noise (0.68 to 0.75 over 82 and
// 330 Hz, windows of 0.2 and 0.35 s, 20 to 40 dB), noise taken as the median level between
// the partials.
constexpr double binsPerNoiseToAmplitude = 0.72;
// Readings that spread more than this in the noise are not made: the note is certain, the
// cents would not be.
constexpr double maxSpreadCents = 3.0;
// A reading this precise, its fundamental measured, is made at once; a less certain one (a
// distant microphone's, a lost fundamental's) only where the window before it heard the same
// note: a momentary series of partials that passes for another note is not read.
constexpr double sureCents = 0.3;
constexpr double centsPerRatio = 1200.0 / std::numbers::ln2;

double strongestOf(const std::vector<Partial>& partials) {
    return std::ranges::max(partials, {}, &Partial::amplitude).amplitude;
}

// The series frequency refined from one of its partials: the frequency found is too coarse to
// place the 8th partial of a low note. The strongest of the first four partials, whose stretch
// on a stiff string is small; where none of them sounds, the strongest of all.
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

// The level of a component near `hz`: a peak of its own, not the skirt of a neighbour's; 0
// where there is none.
double peakLevel(const Spectrum& spectrum, double hz) {
    const auto peak = spectrum.coarsePeakNear(hz, partialSearchCents);
    return peak ? peak->amplitude : 0.0;
}

bool overNoise(const Spectrum& spectrum, double hz, double level, double db) {
    return level >= spectrum.noiseAt(hz) * dbToAmplitude(db);
}

// Whether a component stands `db` above the noise around it, and among the partials that
// shape the tone (not a faint artefact that only a noiseless recording shows).
bool standsOut(const Spectrum& spectrum, double hz, double db) {
    const double level = peakLevel(spectrum, hz);
    return overNoise(spectrum, hz, level, db) &&
           level >= spectrum.strongest() * dbToAmplitude(evidenceRelativeDb);
}

// How many of the partials `ks` of the series on `hz` (below the band's edge) stand out.
int clearPartials(const Spectrum& spectrum, double hz, std::initializer_list<int> ks, double rate) {
    int count = 0;
    for (int k : ks)
        count += k * hz < highestPartialShare * rate && standsOut(spectrum, k * hz, evidenceDb);
    return count;
}

// Mains hum and its harmonics are a series as exact as a string's; no note is read where only
// they could be sounding: at the mains frequency or twice it (a transformer's hum, which may
// lack the mains frequency itself), or at a higher harmonic where the hum's lower harmonics
// sound too, not far below the component there. A string tuned onto a higher harmonic (a G
// string a third of a semitone sharp sounds at 200 Hz) is read where no such hum sounds.
bool mayBeHum(const Spectrum& spectrum, double hz) {
    for (double mains : {50.0, 60.0})
        for (int j = 1; j <= mainsHarmonics; ++j) {
            if (std::abs(hz - j * mains) > j * mainsToleranceHz)
                continue;
            if (j <= alwaysHumHarmonics)
                return true;
            const double level = peakLevel(spectrum, hz);
            for (int i = 1; i < j; ++i)
                if (standsOut(spectrum, i * mains, evidenceDb) &&
                    peakLevel(spectrum, i * mains) >= level * dbToAmplitude(humBelowDb))
                    return true;
        }
    return false;
}

// Two notes sounding together (a string still ringing under the next) make a series on their
// common subharmonic that holds the partials of both and none of the others: a fourth apart,
// its partials 3, 4, 6 and 8; a fifth, 2, 3, 4, 6 and 8; a major third, 4, 5 and 8; a minor
// third, 5 and 6. A note whose fundamental is lost shows itself by the 2nd or 3rd partial and
// by one of neither kind, the 5th or the 7th.
bool ofNeitherKind(int k) {
    return k % 2 != 0 && k % 3 != 0;
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
    if (standsOut(spectrum, hz, loneFundamentalDb))
        return true;
    if (standsOut(spectrum, hz, clearFundamentalDb) && clearPartials(spectrum, hz, {2, 3, 4}, rate))
        return true;
    if (standsOut(spectrum, hz, partialOverNoiseDb) && clearPartials(spectrum, hz, {3, 5, 7}, rate))
        return true;
    const int low = clearPartials(spectrum, hz, {2, 3}, rate);
    const int neither = clearPartials(spectrum, hz, {5, 7}, rate);
    // The 2nd and 3rd partials are heard as their fundamental where it sounds at all, however
    // weakly; two strings have no common fundamental.
    const bool faintFundamental =
        overNoise(spectrum, hz, peakLevel(spectrum, hz), partialOverNoiseDb);
    return ((low == 2 && faintFundamental) || (low >= 1 && neither >= 1)) &&
           low + neither + clearPartials(spectrum, hz, {4, 6, 8}, rate) >= 3;
}

// The grid frequency from `lowHz` to `highHz` that may be a note and whose partials stand
// furthest above the noise, summed up to a common frequency: a note then outscores its own
// octave and twelfth above, whose partials it holds, even where its fundamental is lost.
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
    std::optional<double> best;
    double bestScore = 0.0;
    for (double hz = lowHz; hz <= highHz;) {
        const double span = std::max(scoreSpanHz, maxPartials * hz);
        const double top = std::min(span, highestPartialShare * rate);
        // Candidates close enough that the highest partial summed lands within a grid step.
        const double next = hz * (1.0 + 2.0 * grid / span);
        double score = 0.0;
        for (double partial = hz; partial < top; partial += hz)
            score += excess[static_cast<std::size_t>(std::lround(partial / grid))];
        if (score > bestScore && mayBeNote(spectrum, hz, rate)) {
            bestScore = score;
            best = hz;
        }
        hz = next;
    }
    return best;
}

// The note below the series found at `hz`, if one sounds. An octave below: a clear component
// there, as the one-shot estimator checks, or, where the fundamental is lost, two of the lower
// note's odd partials (3, 5, 7), which the series found does not hold. A twelfth below: a clear
// component there or the lower note's partials 2 and 4, and its own partials (those not on the
// series found) at least half as strong as the series' partials: a bright tone's every third
// partial can outweigh the rest, while a string that rings on a twelfth below a new note adds
// far less than that.
std::optional<double> noteBelow(const Spectrum& spectrum, double hz, double lowHz, double rate) {
    const auto partials = coarsePartials(spectrum, hz, rate);
    if (partials.empty())
        return std::nullopt;
    const double strongest = strongestOf(partials);
    const auto sounds = [&](double at) {
        return soundsClearlyAt(spectrum, at, strongest) && standsOut(spectrum, at, evidenceDb);
    };
    const double octave = hz / 2, twelfth = hz / 3;
    if (octave >= lowHz && !mayBeHum(spectrum, octave) &&
        (sounds(octave) || clearPartials(spectrum, octave, {3, 5, 7}, rate) >= 2))
        return octave;
    if (twelfth < lowHz || mayBeHum(spectrum, twelfth) ||
        !(sounds(twelfth) || clearPartials(spectrum, twelfth, {2, 4}, rate) == 2))
        return std::nullopt;
    double own = 0.0, shared = 0.0;
    for (const Partial& p : coarsePartials(spectrum, twelfth, rate))
        (p.k % 3 == 0 ? shared : own) += p.amplitude;
    return own >= minOwnShare * shared ? std::optional(twelfth) : std::nullopt;
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

// Whether a lower note may sound under the series, too weak to be found as the note, so that
// the note read may be one of its partials:
// - a component below the series where the octave or the twelfth below has partials (its
//   fundamental or 2nd partial), strong beside the series even where it hardly rises from
//   the noise;
// - the octave below's 3rd or 5th partial, clear of the noise and as far over it as the
//   series' partials beside it nearly are: over the noise, not in level, since a small
//   microphone's high-pass may take 10 dB off a low partial and off the noise with it;
// - two of the octave below's odd partials, not only the 3rd and 9th (a string a fourth below
//   or a fifth above, still ringing, has partials there);
// - two of the twelfth below's own partials with the 5th or 7th among them (not only a fifth
//   below's).
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
    if (count({1.0 / 2, 1.0 / 3, 2.0 / 3}, underRelativeDb, underOverNoiseDb) > 0)
        return true;
    const auto overNoiseRatio = [&](double at, double level) {
        return level / spectrum.noiseAt(at);
    };
    for (double share : {1.5, 2.5}) {
        const double level = peakLevel(spectrum, share * hz);
        const Partial& beside = besidePartial(series, share);
        if (overNoise(spectrum, share * hz, level, evidenceDb) &&
            overNoiseRatio(share * hz, level) >=
                overNoiseRatio(beside.hz, beside.amplitude) * dbToAmplitude(underRelativeDb))
            return true;
    }
    const int octaveOnly = count({2.5, 3.5, 5.5}, aboveRelativeDb, evidenceDb);
    if (octaveOnly >= 1 && octaveOnly + count({1.5, 4.5}, aboveRelativeDb, evidenceDb) >= 2)
        return true;
    const int notFifth = count({5.0 / 3, 7.0 / 3}, aboveRelativeDb, evidenceDb);
    return notFifth >= 1 && notFifth + count({4.0 / 3, 8.0 / 3}, aboveRelativeDb, evidenceDb) >= 2;
}

// Where a lower note has partials the series on its octave or twelfth above lacks: the octave
// below's fundamental and odd partials, the twelfth below's fundamental and its own partials.
constexpr double octaveBelowShares[] = {1.5, 2.5, 3.5};
constexpr double twelfthBelowShares[] = {4.0 / 3, 5.0 / 3, 7.0 / 3, 8.0 / 3};

// Whether a lower note's partials could hide in the noise beside the series read: where the
// noise at every such place would swallow a partial hiddenRelativeDb below the series' own
// beside it, the note may be the octave or twelfth below, and no reading is certain. (A note
// seldom has all of them that weak: the pluck that silences its 3rd partial leaves the 5th or
// 7th. Below the series' fundamental a small microphone's high-pass takes a lower note's
// partials anyway.)
bool lowerNoteCouldHide(const Spectrum& spectrum, const SeriesReading& series, double lowHz) {
    const auto hides = [&](double share) {
        return spectrum.noiseAt(share * series.hz) * dbToAmplitude(evidenceDb) >
               besidePartial(series, share).amplitude * dbToAmplitude(hiddenRelativeDb);
    };
    return (series.hz / 2 >= lowHz && std::ranges::all_of(octaveBelowShares, hides)) ||
           (series.hz / 3 >= lowHz && std::ranges::all_of(twelfthBelowShares, hides));
}

struct Outcome {
    std::optional<Reading> reading;
    // When there is no reading yet because the window holds too few periods of the note, the
    // window length it needs.
    std::size_t needs = 0;
    // Whether the reading stands alone: its fundamental measured, its spread small. Any other
    // wants the window before it to have heard the same note.
    bool sure = false;
    // Whether any note stood out of the noise: where none did, a longer window is not tried.
    bool heard = true;
};

Outcome readSpectrum(const Spectrum& spectrum, std::size_t n, double rate, double lowHz,
                     double highHz) {
    const auto found = strongestNote(spectrum, lowHz, highHz, rate);
    if (!found) {
        Outcome nothing;
        nothing.heard = false;
        return nothing;
    }
    double hz = refinedSeriesHz(spectrum, *found, rate);
    // Four steps down span more than the range of a guitar or a bass.
    for (int step = 0; step < 4; ++step) {
        const auto lower = noteBelow(spectrum, hz, lowHz, rate);
        if (!lower)
            break;
        hz = refinedSeriesHz(spectrum, *lower, rate);
    }
    const auto needs = static_cast<std::size_t>(std::ceil(minPeriods * rate / hz));
    if (n < needs)
        return {std::nullopt, needs};

    const auto coarse = coarsePartials(spectrum, hz, rate);
    if (coarse.empty())
        return {};
    // Partials take part where they stand out of the noise around them.
    auto partials =
        findPartials(spectrum, hz, strongestOf(coarse) * dbToAmplitude(minPartialDb), rate);
    std::erase_if(partials, [&](const Partial& p) {
        return p.amplitude < spectrum.noiseAt(p.hz) * dbToAmplitude(partialOverNoiseDb);
    });
    const auto reading = readSeries(partials);
    if (!reading || reading->hz < lowHz || reading->hz > highHz || mayBeHum(spectrum, reading->hz))
        return {};
    // Where the series hardly rises from the noise, the partials of a lower note could hide in
    // it: the note is not certain.
    const Partial& top = std::ranges::max(reading->partials, {}, &Partial::amplitude);
    if (top.amplitude < spectrum.noiseAt(top.hz) * dbToAmplitude(certainOverNoiseDb) ||
        lowerNoteUnder(spectrum, *reading, top.amplitude) ||
        lowerNoteCouldHide(spectrum, *reading, lowHz))
        return {};
    // The note rests on a series: its fundamental and another partial, three partials where
    // the fundamental is lost (so that the series' stretch is known) with the 5th or 7th among
    // them, or a fundamental far above the noise alone.
    const auto& used = reading->partials;
    if (used.front().k == 1
            ? used.size() < 2 && !standsOut(spectrum, reading->hz, loneFundamentalDb)
            : used.size() < 3 ||
                  std::ranges::none_of(used, [](const Partial& p) { return ofNeitherKind(p.k); }))
        return {};
    const double spreadHz = readingSpreadHz(*reading, [&](const Partial& p) {
        return binsPerNoiseToAmplitude * spectrum.resolutionHz() * spectrum.noiseAt(p.hz);
    });
    const double spreadCents = centsPerRatio * spreadHz / reading->hz;
    if (spreadCents > maxSpreadCents)
        return {};
    return {Reading{reading->hz, 0, spreadCents}, 0,
            used.front().k == 1 && spreadCents < sureCents};
}

bool usable(double sampleRate) {
    return sampleRate >= minSampleRate && sampleRate <= maxSampleRate;
}

}  // namespace

LiveEstimator::LiveEstimator(double sampleRate, double lowestNote, double highestNote)
    : usable_(usable(sampleRate)),
      decimator_(usable_ ? sampleRate : minSampleRate, minDecimatedRate, passbandHz),
      rate_(decimator_.outputRate()),
      lowHz_(noteFrequencyHz(lowestNote - rangeMarginNotes)),
      highHz_(noteFrequencyHz(highestNote + rangeMarginNotes)),
      block_(envelopeBlock(rate_, highHz_)),  // 10 ms
      onsetBlocks_((envelopeBlock(rate_, lowHz_) + block_ - 1) / block_),
      minWindow_(static_cast<std::size_t>(std::ceil(minPeriodsOfLowest * rate_ / lowHz_))),
      maxWindow_(static_cast<std::size_t>(maxWindowSeconds * rate_)),
      longWindow_(static_cast<std::size_t>(longWindowSeconds * rate_)),
      hop_(static_cast<std::size_t>(hopSeconds * rate_)),
      attackSkip_(attackSkip(rate_)),
      dropoutSamples_(static_cast<std::size_t>(std::ceil(dropoutSeconds * sampleRate))),
      discontinuities_(usable_ ? sampleRate : minSampleRate) {
    reset();
}

void LiveEstimator::reset() {
    decimator_.reset();
    history_.clear();
    historyStart_ = 0;
    received_ = 0;
    // The stream starts after silence.
    recentRms_.assign(2 * onsetBlocks_, 0.0);
    onset_.reset();
    attackRms_.clear();
    steady_ = false;
    steadyStart_ = 0;
    nextAnalysis_ = 0;
    previousNote_.reset();
    toneHz_.reset();
    zeroRun_ = 0;
    inputReceived_ = 0;
    cleanFrom_ = 0;
    discontinuities_.reset();
}

bool LiveEstimator::partialOfTone(double hz) const {
    if (!toneHz_)
        return false;
    for (double k : {2.0, 3.0})
        if (std::abs(centsPerRatio * std::log(hz / (k * *toneHz_))) < partialOfToneCents)
            return true;
    return false;
}

const float* LiveEstimator::at(std::uint64_t index) const {
    return history_.data() + (index - historyStart_);
}

std::vector<Reading> LiveEstimator::push(std::span<const float> input) {
    std::vector<Reading> readings;
    if (!usable_)
        return readings;
    // A break found in the stream cuts the tone as a dropout does.
    const std::span<const float> samples = discontinuities_.push(input);
    findDropouts(samples);
    cleanFrom_ = std::max(
        cleanFrom_, (discontinuities_.cleanFrom() + decimator_.reach() + decimator_.factor() - 1) /
                        decimator_.factor());
    decimated_.clear();
    decimator_.push(samples, decimated_);
    history_.insert(history_.end(), decimated_.begin(), decimated_.end());
    const std::uint64_t end = received_ + decimated_.size();
    // Envelope blocks and analyses in the order of their times.
    while (received_ < end) {
        const std::uint64_t blockEnd = (received_ / block_ + 1) * block_;
        const std::uint64_t analysis = std::max(nextAnalysis_, received_ + 1);
        const std::uint64_t next = std::min({blockEnd, analysis, end});
        received_ = next;
        if (next == blockEnd)
            endOfBlock(next);
        if (next == analysis)
            analyse(next, readings);
    }
    // Keep what the longest window and an attack still to be placed can reach.
    const std::uint64_t keep = longWindow_ + (attackBlocks + 2 * onsetBlocks_) * block_;
    if (history_.size() > 2 * keep) {
        const std::size_t drop = history_.size() - keep;
        history_.erase(history_.begin(), history_.begin() + static_cast<std::ptrdiff_t>(drop));
        historyStart_ += drop;
    }
    return readings;
}

void LiveEstimator::findDropouts(std::span<const float> samples) {
    const auto factor = static_cast<std::uint64_t>(decimator_.factor());
    for (std::size_t i = 0; i <= samples.size(); ++i) {
        const bool zero = i < samples.size() && samples[i] == 0.0f;
        if (zero) {
            ++zeroRun_;
            continue;
        }
        // At a run's end, or where the pushed samples end inside a long one.
        if (zeroRun_ >= dropoutSamples_) {
            const std::uint64_t after = inputReceived_ + i + decimator_.reach();
            cleanFrom_ = std::max(cleanFrom_, (after + factor - 1) / factor);
        }
        if (i < samples.size())
            zeroRun_ = 0;
    }
    inputReceived_ += samples.size();
}

void LiveEstimator::endOfBlock(std::uint64_t end) {
    const double rms = blockRms(at(end - block_), block_);
    recentRms_.erase(recentRms_.begin());
    recentRms_.push_back(rms);
    if (!steady_ && !attackRms_.empty()) {
        attackRms_.push_back(rms);
        if (attackRms_.size() == attackBlocks) {
            steadyStart_ = *onset_ + attackEndBlock(attackRms_) * block_ + attackSkip_;
            steady_ = true;
            nextAnalysis_ = std::max(nextAnalysis_, steadyStart_ + minWindow_);
        }
    }
    // No new onset until the level it is compared with lies wholly after the last one.
    if (onset_ && end - *onset_ < 2 * onsetBlocks_ * block_)
        return;
    const auto level = [&](std::size_t first) {
        double sum = 0.0;
        for (std::size_t i = first; i < first + onsetBlocks_; ++i)
            sum += recentRms_[i] * recentRms_[i];
        return std::sqrt(sum / static_cast<double>(onsetBlocks_));
    };
    const double now = level(onsetBlocks_);
    if (now >= silenceRms && now >= onsetRatio * level(0)) {
        onset_ = end - block_;
        toneHz_.reset();
        attackRms_ = {rms};
        steady_ = false;
    }
}

void LiveEstimator::analyse(std::uint64_t end, std::vector<Reading>& readings) {
    nextAnalysis_ = end + hop_;
    const std::optional<int> previousNote = std::exchange(previousNote_, std::nullopt);
    // While a new pluck's attack is being placed, nothing is read; where no onset was heard
    // (a distant microphone's note hardly rises above the room), the windows simply slide.
    if (onset_ && !steady_)
        return;
    const std::uint64_t earliest = std::max(steadyStart_, cleanFrom_);
    if (end < earliest + minWindow_)
        return;
    if (recentRms_.back() < silenceRms) {
        toneHz_.reset();
        return;
    }
    const std::uint64_t start = std::max(earliest, end - std::min<std::uint64_t>(end, maxWindow_));
    const auto n = static_cast<std::size_t>(end - start);
    const Spectrum spectrum(at(start), n, rate_);
    Outcome outcome = readSpectrum(spectrum, n, rate_, lowHz_, highHz_);
    // A quiet note: the longer window's evidence, its reading never standing alone; not tried
    // where nothing but noise was heard, so that a noisy room costs little.
    const auto longN =
        static_cast<std::size_t>(std::min<std::uint64_t>(longWindow_, end - earliest));
    if (!outcome.reading && outcome.needs == 0 && outcome.heard &&
        static_cast<double>(longN) >= minLongWindowShare * static_cast<double>(n)) {
        const Spectrum longSpectrum(at(end - longN), longN, rate_);
        outcome = readSpectrum(longSpectrum, longN, rate_, lowHz_, highHz_);
        outcome.sure = false;
    }
    // Decimated sample j is the filtered input at sample j times the factor.
    if (outcome.reading) {
        Reading reading = *outcome.reading;
        reading.atSample = (end - 1) * static_cast<std::uint64_t>(decimator_.factor()) + 1;
        previousNote_ = nearestNote(reading.hz);
        if ((outcome.sure || previousNote == previousNote_) && !partialOfTone(reading.hz)) {
            readings.push_back(reading);
            toneHz_ = reading.hz;
        }
    } else if (outcome.needs > n && outcome.needs <= maxWindow_)
        nextAnalysis_ = std::min(nextAnalysis_, start + outcome.needs);
}

}  // namespace pitch
