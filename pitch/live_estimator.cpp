#include "pitch/live_estimator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

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
// A note a twelfth below the series found must add at least this share of the series' level.
constexpr double minOwnShare = 0.5;
// A run of exact zeros this long is a dropout, not a zero crossing of a tone or a quiet room.
constexpr double dropoutSeconds = 0.0003;
// Time between readings.
constexpr double hopSeconds = 0.05;
// Partials take part where at least this strong relative to the strongest...
constexpr double minPartialDb = -40.0;
// ...and this far above the noise between the partials.
constexpr double partialOverNoiseDb = 15.0;
// A partial's frequency spreads by this many bins of the window times the noise over its
// amplitude: measured on sines and harmonic series in white noise (0.68 to 0.75 over 82 and
// 330 Hz, windows of 0.2 and 0.35 s, 20 to 40 dB), noise taken as the median level between
// the partials.
constexpr double binsPerNoiseToAmplitude = 0.72;
// Readings that spread more than this in the noise are not made.
constexpr double maxSpreadCents = 0.1;
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

// The note below the series found at `hz`, if one sounds. An octave below, a clear component,
// as the one-shot estimator checks. A twelfth below, a clear component whose own partials (those
// not on the series found) sound at least half as strong as the series' partials: a bright
// tone's every third partial can outweigh the rest, while a string that rings on a twelfth
// below a new note adds far less than that.
std::optional<double> noteBelow(const Spectrum& spectrum, double hz, double lowHz, double rate) {
    const auto partials = coarsePartials(spectrum, hz, rate);
    if (partials.empty())
        return std::nullopt;
    const double strongest = strongestOf(partials);
    if (hz / 2 >= lowHz && soundsClearlyAt(spectrum, hz / 2, strongest))
        return hz / 2;
    if (hz / 3 < lowHz || !soundsClearlyAt(spectrum, hz / 3, strongest))
        return std::nullopt;
    double own = 0.0, shared = 0.0;
    for (const Partial& p : coarsePartials(spectrum, hz / 3, rate))
        (p.k % 3 == 0 ? shared : own) += p.amplitude;
    return own >= minOwnShare * shared ? std::optional(hz / 3) : std::nullopt;
}

// The noise between the partials of the series on `hz`: the median level halfway between
// neighbours (where one is missing, where it would be), away from their main lobes whatever the
// window.
double noiseBetween(const Spectrum& spectrum, const std::vector<Partial>& partials, double hz) {
    const auto position = [&](int k) {
        const auto p = std::ranges::find(partials, k, &Partial::k);
        return p != partials.end() ? p->hz : k * hz;
    };
    std::vector<double> levels;
    for (int k = 1; k < maxPartials; ++k)
        levels.push_back(spectrum.levelAt(0.5 * (position(k) + position(k + 1))));
    const auto middle = levels.begin() + static_cast<std::ptrdiff_t>(levels.size() / 2);
    std::nth_element(levels.begin(), middle, levels.end());
    return *middle;
}

struct Outcome {
    std::optional<double> hz;
    // When there is no reading yet because the window holds too few periods of the note, the
    // window length it needs.
    std::size_t needs = 0;
};

Outcome readSpectrum(const Spectrum& spectrum, std::size_t n, double rate, double lowHz,
                     double highHz) {
    // The candidates are notes whose fundamental sounds: two strings sounding together (a
    // fourth apart, say) have a common subharmonic whose series holds all their partials, but no
    // fundamental; nor has the subharmonic of a pure tone.
    const double minFundamental = spectrum.strongest() * dbToAmplitude(minPartialDb);
    const auto found = spectrum.strongestSeriesIn(lowHz, highHz, maxPartials, minFundamental);
    if (!found)
        return {};
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
    const double noise = noiseBetween(spectrum, coarse, hz);
    const double floor = std::max(strongestOf(coarse) * dbToAmplitude(minPartialDb),
                                  noise * dbToAmplitude(partialOverNoiseDb));
    const auto reading = readSeries(findPartials(spectrum, hz, floor, rate));
    // The fundamental must stand out of the noise and belong to the series read, not be a
    // stray component near it (a guitar body's resonance in the attack under a note an octave
    // above, say).
    if (!reading || reading->partials.front().k != 1 || reading->hz < lowHz || reading->hz > highHz)
        return {};
    const double spreadHz =
        readingSpreadHz(*reading, binsPerNoiseToAmplitude * spectrum.resolutionHz() * noise);
    if (centsPerRatio * spreadHz / reading->hz > maxSpreadCents)
        return {};
    return {reading->hz};
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
      hop_(static_cast<std::size_t>(hopSeconds * rate_)),
      attackSkip_(attackSkip(rate_)),
      dropoutSamples_(static_cast<std::size_t>(std::ceil(dropoutSeconds * sampleRate))) {
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
    zeroRun_ = 0;
    inputReceived_ = 0;
    cleanFrom_ = 0;
}

const float* LiveEstimator::at(std::uint64_t index) const {
    return history_.data() + (index - historyStart_);
}

std::vector<Reading> LiveEstimator::push(std::span<const float> samples) {
    std::vector<Reading> readings;
    if (!usable_)
        return readings;
    findDropouts(samples);
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
    const std::uint64_t keep = maxWindow_ + (attackBlocks + 2 * onsetBlocks_) * block_;
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
        attackRms_ = {rms};
        steady_ = false;
    }
}

void LiveEstimator::analyse(std::uint64_t end, std::vector<Reading>& readings) {
    nextAnalysis_ = end + hop_;
    const std::uint64_t earliest = std::max(steadyStart_, cleanFrom_);
    if (!steady_ || end < earliest + minWindow_)
        return;
    if (recentRms_.back() < silenceRms)
        return;
    const std::uint64_t start = std::max(earliest, end - std::min<std::uint64_t>(end, maxWindow_));
    const auto n = static_cast<std::size_t>(end - start);
    const Spectrum spectrum(at(start), n, rate_);
    const Outcome outcome = readSpectrum(spectrum, n, rate_, lowHz_, highHz_);
    // Decimated sample j is the filtered input at sample j times the factor.
    if (outcome.hz)
        readings.push_back(
            {*outcome.hz, (end - 1) * static_cast<std::uint64_t>(decimator_.factor()) + 1});
    else if (outcome.needs > n && outcome.needs <= maxWindow_)
        nextAnalysis_ = std::min(nextAnalysis_, start + outcome.needs);
}

}  // namespace pitch
