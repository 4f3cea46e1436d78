#include "pitch/discontinuity_detector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "pitch/note_envelope.h"

namespace pitch {
namespace {

constexpr std::size_t predictionOrder = 16;
constexpr double blockSeconds = 0.0005;
constexpr double fitSeconds = 0.016;
constexpr double fitEverySeconds = 0.004;
// The errors' usual level: their median over this many blocks before the one judged (12 ms).
constexpr std::size_t baselineBlocks = 24;
// A burst of the short-term error: this many times its usual power, and at least this share of
// the tone's.
constexpr double burstRatio = 10.0;
constexpr double burstShareOfTone = 3e-4;
// After a break the short-term error is back near its usual power from this many blocks after
// the burst on, for this many blocks: the same tone goes on.
constexpr std::size_t tailFrom = 3;
constexpr std::size_t tailBlocks = 4;
constexpr double tailRatio = 3.0;
// The period: looked for from 1.2 to 20 ms (830 to 50 Hz) over 20 ms at about 11 kHz, where the
// normalised difference of the signal and itself a period earlier falls below this.
constexpr double periodRate = 11025.0;
constexpr double shortestPeriod = 0.0012;
constexpr double longestPeriod = 0.020;
constexpr double periodWindow = 0.020;
constexpr double periodThreshold = 0.2;
constexpr std::size_t periodEveryBlocks = 32;
// A burst of the long-term error (the signal less itself a period earlier): this many times its
// usual power over the blocks screened, and at least this share of the tone's. It lasts one
// period after a break: then both the signal and the one a period earlier follow it.
constexpr double longBurstRatio = 20.0;
constexpr double longBurstShareOfTone = 1e-2;
constexpr std::size_t quietBlocks = 3;
// The block a long-term burst starts in, and the next, rise at least this far above the usual
// level.
constexpr double longStartRatio = 5.0;
// The tone's level: its mean power over this many blocks (25 ms, a period of the lowest bass
// string), before the break and after it. After a break it is the tone's as before, within
// this factor (a decaying note loses far less in 25 ms); an onset raises it.
constexpr std::size_t levelBlocks = 50;
constexpr std::size_t levelParts = 5;
constexpr double maxLevelRise = 1.6;
// A hole: a block just after the burst this far below the tone's power; over once a block is
// this far above the hole's noise, or after this many blocks (100 ms: the sound has ended).
constexpr double holeShare = 0.01;
constexpr double backRatio = 10.0;
constexpr std::uint64_t longestHoleBlocks = 200;
// Bursts are screened this many blocks late, and decided on when the level after, and the
// long-term error a period after, are known.
constexpr std::size_t screenLookahead = tailFrom + tailBlocks;
constexpr std::size_t decideLookahead = 2 + levelBlocks;
// After an onset, the blocks until the errors' usual levels and the predictors are the new
// tone's: the fit, its delay, and the baseline's span.
constexpr std::size_t settleBlocks = static_cast<std::size_t>(fitSeconds / blockSeconds) +
                                     screenLookahead + 1 + baselineBlocks +
                                     static_cast<std::size_t>(fitEverySeconds / blockSeconds);
constexpr std::size_t keptBlocks = levelBlocks + decideLookahead + 2;

// Levinson-Durbin: the predictor x[n] ~ sum a[k] x[n-1-k] from autocorrelations r[0..order].
std::vector<double> predictor(const std::vector<double>& r, std::size_t order) {
    std::vector<double> a(order, 0.0), previous(order, 0.0);
    double error = r[0];
    for (std::size_t i = 0; i < order && error > 0.0; ++i) {
        double acc = r[i + 1];
        for (std::size_t k = 0; k < i; ++k)
            acc -= a[k] * r[i - k];
        const double reflection = acc / error;
        previous = a;
        a[i] = reflection;
        for (std::size_t k = 0; k < i; ++k)
            a[k] = previous[k] - reflection * previous[i - 1 - k];
        error *= 1.0 - reflection * reflection;
    }
    return a;
}

std::size_t samplesIn(double seconds, double sampleRate) {
    return std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(seconds * sampleRate)));
}

// The sum of squared differences of the `n` samples ending at `end` and those `lag` earlier, at
// a fractional lag by linear interpolation.
double differenceAt(const float* end, std::size_t n, double lag) {
    const auto whole = static_cast<std::ptrdiff_t>(lag);
    const double frac = lag - static_cast<double>(whole);
    double sum = 0.0;
    for (std::ptrdiff_t i = -static_cast<std::ptrdiff_t>(n); i < 0; ++i) {
        const double earlier = (1.0 - frac) * end[i - whole] + frac * end[i - whole - 1];
        sum += (end[i] - earlier) * (end[i] - earlier);
    }
    return sum;
}

// The same at a whole lag, as the search over every lag asks for it: no interpolation.
double differenceAt(const float* end, std::size_t n, std::size_t lag) {
    const float* earlier = end - lag;
    double sum = 0.0;
    for (std::ptrdiff_t i = -static_cast<std::ptrdiff_t>(n); i < 0; ++i) {
        const double difference = double(end[i]) - double(earlier[i]);
        sum += difference * difference;
    }
    return sum;
}

// The minimum of a parabola through three equally spaced values, as an offset from the middle.
double parabolaMinimum(double left, double middle, double right) {
    const double curvature = left - 2.0 * middle + right;
    return curvature > 0.0 ? std::clamp(0.5 * (left - right) / curvature, -0.5, 0.5) : 0.0;
}

}  // namespace

DiscontinuityDetector::DiscontinuityDetector(double sampleRate)
    : block_(samplesIn(blockSeconds, sampleRate)),
      fitLength_(std::max(4 * predictionOrder, samplesIn(fitSeconds, sampleRate))),
      fitEvery_(block_ * samplesIn(fitEverySeconds / blockSeconds, 1.0)),
      latency_((decideLookahead + 1) * block_),
      coarse_(std::max<std::size_t>(1, static_cast<std::size_t>(sampleRate / periodRate))),
      coarseRate_(sampleRate / static_cast<double>(coarse_)),
      periodWindow_(samplesIn(periodWindow, sampleRate)) {
    taper_.resize(fitLength_);
    for (std::size_t i = 0; i < fitLength_; ++i)
        taper_[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (static_cast<double>(i) + 0.5) /
                                         static_cast<double>(fitLength_));
    reset();
}

void DiscontinuityDetector::reset() {
    history_.clear();
    historyStart_ = 0;
    received_ = 0;
    handedOn_ = 0;
    coefficients_.assign(predictionOrder, 0.0);
    period_ = 0.0;
    periodGain_ = 0.0;
    coarseHistory_.clear();
    coarseSum_ = 0.0;
    errorPower_.clear();
    longErrorPower_.clear();
    power_.clear();
    blocksDone_ = 0;
    screened_ = 0;
    decided_ = 0;
    errorSum_ = 0.0;
    longErrorSum_ = 0.0;
    longErrorValid_ = true;
    powerSum_ = 0.0;
    candidates_.clear();
    holeNoise_ = 0.0;
    holeStart_.reset();
    settledFrom_ = 0;
    fitFrom_ = 0;
    cleanFrom_ = 0;
}

const float* DiscontinuityDetector::at(std::uint64_t index) const {
    return history_.data() + (index - historyStart_);
}

std::span<const float> DiscontinuityDetector::push(std::span<const float> samples) {
    for (const float sample : samples) {
        history_.push_back(sample);
        const std::uint64_t n = received_++;
        const float* x = at(n);
        double predicted = 0.0;
        if (n >= historyStart_ + predictionOrder)
            for (std::size_t k = 0; k < predictionOrder; ++k)
                predicted += coefficients_[k] * x[-1 - static_cast<std::ptrdiff_t>(k)];
        errorSum_ += (sample - predicted) * (sample - predicted);
        powerSum_ += static_cast<double>(sample) * sample;
        const auto whole = static_cast<std::uint64_t>(period_);
        if (period_ > 0.0 && n >= historyStart_ + whole + 1) {
            const double frac = period_ - static_cast<double>(whole);
            const auto back = static_cast<std::ptrdiff_t>(whole);
            const double earlier = (1.0 - frac) * x[-back] + frac * x[-back - 1];
            const double error = sample - periodGain_ * earlier;
            longErrorSum_ += error * error;
        } else {
            longErrorValid_ = false;
        }
        coarseSum_ += sample;
        if (received_ % coarse_ == 0) {
            coarseHistory_.push_back(static_cast<float>(coarseSum_ / static_cast<double>(coarse_)));
            coarseSum_ = 0.0;
        }
        if (received_ % block_ == 0)
            endOfBlock();
        if (received_ % fitEvery_ == 0)
            refit();
    }
    out_.clear();
    const std::uint64_t until = received_ - std::min<std::uint64_t>(received_, latency_);
    if (until > handedOn_) {
        out_.assign(at(handedOn_), at(until));
        handedOn_ = until;
    }
    // Keep what the fits and the predictions reach back to.
    const std::uint64_t keep = 3 * periodWindow_ + latency_;
    if (received_ - historyStart_ > 2 * keep) {
        const std::uint64_t from = received_ - keep;
        history_.erase(history_.begin(),
                       history_.begin() + static_cast<std::ptrdiff_t>(from - historyStart_));
        historyStart_ = from;
    }
    const std::size_t coarseKeep = 3 * periodWindow_ / coarse_;
    if (coarseHistory_.size() > 2 * coarseKeep)
        coarseHistory_.erase(coarseHistory_.begin(),
                             coarseHistory_.end() - static_cast<std::ptrdiff_t>(coarseKeep));
    return out_;
}

std::uint64_t DiscontinuityDetector::fitEnd() const {
    // Fits use samples already screened and after the latest break: a predictor fitted across
    // one predicts neither side.
    return received_ - std::min<std::uint64_t>(received_, (screenLookahead + 1) * block_);
}

void DiscontinuityDetector::refit() {
    const std::uint64_t end = fitEnd();
    if (end < std::max(cleanFrom_, fitFrom_) + fitLength_)
        return;
    const float* x = at(end - fitLength_);
    std::vector<double> weighted(fitLength_);
    for (std::size_t i = 0; i < fitLength_; ++i)
        weighted[i] = taper_[i] * x[i];
    std::vector<double> r(predictionOrder + 1, 0.0);
    for (std::size_t lag = 0; lag <= predictionOrder; ++lag)
        for (std::size_t i = lag; i < fitLength_; ++i)
            r[lag] += weighted[i] * weighted[i - lag];
    // A little white noise keeps the predictor stable on a pure tone or silence.
    r[0] = r[0] * (1.0 + 1e-9) + 1e-30;
    coefficients_ = predictor(r, predictionOrder);
}

void DiscontinuityDetector::findPeriod() {
    // On the coarse copy first (the normalised difference of YIN), then refined on the stream.
    const std::uint64_t end = fitEnd();
    const auto shortest = static_cast<std::size_t>(shortestPeriod * coarseRate_);
    const auto longest = static_cast<std::size_t>(longestPeriod * coarseRate_);
    const std::size_t window = periodWindow_ / coarse_;
    const std::uint64_t coarseEnd = end / coarse_;
    const std::uint64_t coarseReceived = received_ / coarse_;
    if (end < std::max(cleanFrom_, fitFrom_) + (window + longest + 2) * coarse_ ||
        coarseReceived - coarseEnd + window + longest + 2 > coarseHistory_.size())
        return;
    const float* y = coarseHistory_.data() + coarseHistory_.size() - (coarseReceived - coarseEnd);
    std::vector<double> d(longest + 2, 0.0);
    double running = 0.0;
    std::optional<std::size_t> found;
    for (std::size_t lag = 1; lag <= longest + 1; ++lag) {
        d[lag] = differenceAt(y, window, lag);
        running += d[lag];
        d[lag] *= static_cast<double>(lag) / std::max(running, 1e-30);
        if (!found && lag > shortest + 1 && d[lag - 1] < periodThreshold && d[lag - 1] <= d[lag] &&
            d[lag - 1] <= d[lag - 2])
            found = lag - 1;
    }
    if (!found) {
        period_ = 0.0;
        return;
    }
    const double coarseLag =
        static_cast<double>(*found) + parabolaMinimum(d[*found - 1], d[*found], d[*found + 1]);
    double lag = std::round(coarseLag * static_cast<double>(coarse_));
    const float* x = at(end);
    const double left = differenceAt(x, periodWindow_, lag - 1.0);
    const double middle = differenceAt(x, periodWindow_, lag);
    const double right = differenceAt(x, periodWindow_, lag + 1.0);
    lag += parabolaMinimum(left, middle, right);
    double cross = 0.0, earlier = 0.0;
    const auto whole = static_cast<std::ptrdiff_t>(lag);
    const double frac = lag - static_cast<double>(whole);
    for (std::ptrdiff_t i = -static_cast<std::ptrdiff_t>(periodWindow_); i < 0; ++i) {
        const double e = (1.0 - frac) * x[i - whole] + frac * x[i - whole - 1];
        cross += x[i] * e;
        earlier += e * e;
    }
    period_ = lag;
    periodGain_ = earlier > 0.0 ? std::clamp(cross / earlier, 0.0, 1.2) : 0.0;
}

void DiscontinuityDetector::endOfBlock() {
    const auto n = static_cast<double>(block_);
    errorPower_.push_back(errorSum_ / n);
    longErrorPower_.push_back(longErrorValid_ ? longErrorSum_ / n : -1.0);
    power_.push_back(powerSum_ / n);
    errorSum_ = 0.0;
    longErrorSum_ = 0.0;
    longErrorValid_ = true;
    powerSum_ = 0.0;
    ++blocksDone_;
    while (screened_ + screenLookahead < blocksDone_)
        screen(screened_++);
    while (decided_ + decideLookahead < blocksDone_)
        decide(decided_++);
    if (blocksDone_ % periodEveryBlocks == 0)
        findPeriod();
    if (power_.size() > 2 * keptBlocks) {
        const auto drop = static_cast<std::ptrdiff_t>(power_.size() - keptBlocks);
        errorPower_.erase(errorPower_.begin(), errorPower_.begin() + drop);
        longErrorPower_.erase(longErrorPower_.begin(), longErrorPower_.begin() + drop);
        power_.erase(power_.begin(), power_.begin() + drop);
    }
}

double DiscontinuityDetector::power(std::uint64_t block) const {
    return power_[block - (blocksDone_ - power_.size())];
}

double DiscontinuityDetector::errorPower(std::uint64_t block) const {
    return errorPower_[block - (blocksDone_ - errorPower_.size())];
}

double DiscontinuityDetector::longErrorPower(std::uint64_t block) const {
    return longErrorPower_[block - (blocksDone_ - longErrorPower_.size())];
}

double DiscontinuityDetector::meanPower(std::uint64_t first, std::size_t count) const {
    double sum = 0.0;
    for (std::uint64_t b = first; b < first + count; ++b)
        sum += power(b);
    return sum / static_cast<double>(count);
}

std::optional<double> DiscontinuityDetector::longErrorOver(std::uint64_t first,
                                                           std::size_t count) const {
    double sum = 0.0;
    for (std::uint64_t b = first; b < first + count; ++b) {
        if (longErrorPower(b) < 0.0)
            return std::nullopt;
        sum += longErrorPower(b);
    }
    return sum / static_cast<double>(count);
}

double DiscontinuityDetector::usualLevel(std::uint64_t block, bool longTerm) const {
    std::array<double, baselineBlocks> usual{};
    for (std::size_t i = 0; i < baselineBlocks; ++i)
        usual[i] = longTerm ? longErrorPower(block - baselineBlocks + i)
                            : errorPower(block - baselineBlocks + i);
    std::nth_element(usual.begin(), usual.begin() + baselineBlocks / 2, usual.end());
    return usual[baselineBlocks / 2];
}

void DiscontinuityDetector::screen(std::uint64_t block) {
    if (block <= levelBlocks + baselineBlocks)
        return;
    if (holeStart_) {
        if (block <= *holeStart_)
            return;
        holeNoise_ = std::max(std::min(holeNoise_, power(block)), silenceRms * silenceRms);
        if (power(block) >= backRatio * holeNoise_) {
            cleanFrom_ = std::max(cleanFrom_, (block + tailFrom) * block_);
            holeStart_.reset();
        } else if (block - *holeStart_ > longestHoleBlocks) {
            holeStart_.reset();
        }
        return;
    }
    if (block < settledFrom_)
        return;
    // A tone that has sounded all through the span before: not silence, not an onset from it.
    constexpr std::size_t part = levelBlocks / levelParts;
    for (std::uint64_t first = block - levelBlocks; first < block; first += part)
        if (meanPower(first, part) < silenceRms * silenceRms)
            return;
    const double level = meanPower(block - levelBlocks, levelBlocks);
    const double baseline = usualLevel(block, false);
    const bool shortBurst =
        errorPower(block) >= burstRatio * baseline && errorPower(block) >= burstShareOfTone * level;
    // The long-term error, where a period is known all through: quiet before the block, high
    // from it on.
    const auto longBefore = longErrorOver(block - baselineBlocks, baselineBlocks);
    const double longBaseline = longBefore ? usualLevel(block, true) : 0.0;
    const auto pulse = std::min<std::size_t>(
        screenLookahead, static_cast<std::size_t>(period_ / static_cast<double>(block_)));
    const auto justBefore = longErrorOver(block - quietBlocks, quietBlocks);
    const double longNow = pulse > 1 ? longErrorOver(block, pulse).value_or(0.0) : 0.0;
    // A period after a break the long-term error echoes it: the samples a period earlier lie
    // before it.
    const bool echo =
        static_cast<double>(block * block_) < static_cast<double>(cleanFrom_) + period_;
    const bool longBurst = !echo && longBefore && justBefore &&
                           *justBefore <= tailRatio * longBaseline &&
                           longNow >= longBurstRatio * longBaseline &&
                           longErrorPower(block) >= longStartRatio * longBaseline &&
                           longErrorPower(block + 1) >= longStartRatio * longBaseline &&
                           longNow >= longBurstShareOfTone * level;
    if (!shortBurst && !longBurst)
        return;
    // The level falls away at once: a hole, over where the level is back above its noise.
    for (std::uint64_t b = block + 1; b < block + tailFrom; ++b)
        if (power(b) < holeShare * level) {
            holeStart_ = b;
            holeNoise_ = std::max(power(b), silenceRms * silenceRms);
            cleanFrom_ = std::max(cleanFrom_, b * block_);
            return;
        }
    // The short-term error falls back at once after a break: the same tone goes on. The long-term
    // error alone is judged once a period has passed.
    if (shortBurst) {
        double tail = 0.0;
        for (std::size_t i = tailFrom; i < tailFrom + tailBlocks; ++i)
            tail += errorPower(block + i);
        tail /= tailBlocks;
        if (tail > tailRatio * std::max(baseline, burstShareOfTone * level / burstRatio)) {
            settledFrom_ = block + settleBlocks;
            return;
        }
    }
    candidates_.push_back({block, longBefore ? period_ : 0.0, longBaseline, shortBurst});
    fitFrom_ = std::max(fitFrom_, block * block_);
}

void DiscontinuityDetector::decide(std::uint64_t block) {
    if (candidates_.empty() || candidates_.front().block != block)
        return;
    const Candidate candidate = candidates_.front();
    candidates_.pop_front();
    if (block < settledFrom_)
        return;
    const double before = meanPower(block - levelBlocks, levelBlocks);
    const double after = meanPower(block + 2, levelBlocks);
    if (after > maxLevelRise * before) {
        settledFrom_ = block + settleBlocks;
        return;
    }
    // A period after a break the long-term error is back to its usual level, and where it alone
    // found the break, it was high all through that period.
    const auto periodBlocks =
        static_cast<std::size_t>(std::ceil(candidate.period / static_cast<double>(block_)));
    if (candidate.period > 0.0 && periodBlocks + tailFrom + tailBlocks <= decideLookahead) {
        const auto longAfter = longErrorOver(block + periodBlocks + tailFrom, tailBlocks);
        const auto longThrough = longErrorOver(block, periodBlocks);
        const double back = std::max(tailRatio * candidate.longBaseline,
                                     longThrough.value_or(0.0) / longBurstRatio);
        if ((longAfter && *longAfter > back) ||
            (!candidate.sharp &&
             longThrough.value_or(0.0) <
                 std::max(longBurstRatio * candidate.longBaseline, longBurstShareOfTone * before)))
            return;
    } else if (!candidate.sharp) {
        return;
    }
    cleanFrom_ = std::max(cleanFrom_, (block + tailFrom) * block_);
}

}  // namespace pitch
