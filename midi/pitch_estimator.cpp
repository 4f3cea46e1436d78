#include "midi/pitch_estimator.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace midi {
namespace {

using Complex = std::complex<double>;

constexpr double twoPi = 2.0 * std::numbers::pi;

// Envelope blocks of 10 ms find the note's steady part.
constexpr double blockSeconds = 0.010;
// The attack (pluck transient, sample start) is skipped for this long after the envelope peak.
constexpr double attackSeconds = 0.030;
// The steady part ends where the envelope has fallen this far below its peak...
constexpr double decayEndDb = -30.0;
// ...or after this long: longer adds nothing but time.
constexpr double maxWindowSeconds = 1.0;
// Fewer periods than this cannot separate the fundamental from its second partial cleanly.
constexpr double minPeriods = 12.0;
constexpr double minWindowSeconds = 0.1;
// Below this RMS the note is silence (16-bit quantisation sits near 1e-5).
constexpr double silenceRms = 1e-4;
// The fundamental is looked for within a semitone of the hint.
constexpr double searchCents = 100.0;
// A fundamental weaker than this relative to the strongest partial is not there at all.
constexpr double minFundamentalDb = -60.0;
// A component at half the found frequency stronger than this (relative to the found peak)
// means the note is really an octave below the hint.
constexpr double subharmonicDb = -26.0;
// Partials 2 to this one take part in the fit of the series, where at least this strong
// relative to the strongest partial and within this distance of k times the fundamental.
constexpr int maxPartials = 8;
constexpr double minPartialDb = -40.0;
constexpr double partialSearchCents = 50.0;
// Zero padding of the coarse spectrum: grid step of a quarter bin or finer.
constexpr std::size_t zeroPadding = 4;

double dbToAmplitude(double db) {
    return std::pow(10.0, db / 20.0);
}

// In-place iterative radix-2 FFT; data.size() must be a power of two.
void fft(std::vector<Complex>& data) {
    const std::size_t n = data.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::size_t half = len / 2;
        std::vector<Complex> twiddle(half);
        for (std::size_t k = 0; k < half; ++k)
            twiddle[k] =
                std::polar(1.0, -twoPi * static_cast<double>(k) / static_cast<double>(len));
        for (std::size_t start = 0; start < n; start += len) {
            for (std::size_t k = 0; k < half; ++k) {
                const Complex t = data[start + k + half] * twiddle[k];
                data[start + k + half] = data[start + k] - t;
                data[start + k] += t;
            }
        }
    }
}

// 4-term Blackman-Harris window of length n.
std::vector<double> blackmanHarris(std::size_t n) {
    std::vector<double> w(n);
    const double denominator = static_cast<double>(n - 1);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = twoPi * static_cast<double>(i) / denominator;
        w[i] =
            0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
    }
    return w;
}

// Squared magnitude of the discrete-time Fourier transform of `y` at `cyclesPerSample`. The
// rotating phasor is re-anchored now and then so rounding cannot accumulate.
double dtftPower(const std::vector<double>& y, double cyclesPerSample) {
    const double omega = -twoPi * cyclesPerSample;
    const Complex step = std::polar(1.0, omega);
    constexpr std::size_t anchorEvery = 1024;
    Complex sum;
    Complex phasor(1.0, 0.0);
    for (std::size_t i = 0; i < y.size(); ++i) {
        if (i % anchorEvery == 0)
            phasor = std::polar(1.0, omega * static_cast<double>(i));
        sum += y[i] * phasor;
        phasor *= step;
    }
    return std::norm(sum);
}

struct SteadyPart {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Finds the part of the note after its attack and before it has died away; empty (begin ==
// end) for silence. Envelope blocks span at least two periods so a steady tone reads steady.
SteadyPart steadyPart(const float* samples, std::size_t count, double sampleRate,
                      double expectedHz) {
    const double seconds = std::max(blockSeconds, 2.0 / expectedHz);
    const std::size_t block = std::max<std::size_t>(1, std::lround(seconds * sampleRate));
    std::vector<double> rms;
    for (std::size_t b = 0; b + block <= count; b += block) {
        double sum = 0.0;
        for (std::size_t i = b; i < b + block; ++i)
            sum += double{samples[i]} * samples[i];
        rms.push_back(std::sqrt(sum / static_cast<double>(block)));
    }
    if (rms.empty())
        return {};
    const double peak = *std::max_element(rms.begin(), rms.end());
    if (peak < silenceRms)
        return {};
    // The attack ends at the first block within 3 dB of the loudest.
    const std::size_t attackBlock = static_cast<std::size_t>(
        std::find_if(rms.begin(), rms.end(),
                     [&](double r) { return r >= peak * dbToAmplitude(-3.0); }) -
        rms.begin());
    const std::size_t begin =
        std::min(count, attackBlock * block + std::lround(attackSeconds * sampleRate));
    const double floor = peak * dbToAmplitude(decayEndDb);
    std::size_t end = count;
    for (std::size_t b = begin / block + 1; b < rms.size(); ++b) {
        if (rms[b] < floor) {
            end = b * block;
            break;
        }
    }
    end = std::min({end, count, begin + static_cast<std::size_t>(maxWindowSeconds * sampleRate)});
    return {begin, std::max(begin, end)};
}

// The windowed steady part and its zero-padded spectrum, searched for partials.
class Spectrum {
public:
    struct Peak {
        double hz;
        double amplitude;
    };

    Spectrum(const float* samples, std::size_t n, double sampleRate) : sampleRate_(sampleRate) {
        const std::vector<double> window = blackmanHarris(n);
        weighted_.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            weighted_[i] = window[i] * samples[i];
        size_ = 1;
        while (size_ < n * zeroPadding)
            size_ <<= 1;
        std::vector<Complex> spectrum(size_);
        std::copy(weighted_.begin(), weighted_.end(), spectrum.begin());
        fft(spectrum);
        magnitude_.resize(size_ / 2);
        for (std::size_t k = 0; k < magnitude_.size(); ++k)
            magnitude_[k] = std::abs(spectrum[k]);
    }

    double strongest() const { return *std::max_element(magnitude_.begin() + 1, magnitude_.end()); }

    // The strongest local maximum of the grid within `cents` of `hz`.
    std::optional<Peak> coarsePeakNear(double hz, double cents) const {
        const auto bin = strongestBinNear(hz, cents);
        if (!bin)
            return std::nullopt;
        return Peak{static_cast<double>(*bin) * binHz(), magnitude_[*bin]};
    }

    // The same peak refined on the exact transform: golden-section search for its maximum
    // between the grid points either side.
    std::optional<Peak> peakNear(double hz, double cents) const {
        const auto bin = strongestBinNear(hz, cents);
        if (!bin)
            return std::nullopt;
        const double invPhi = (std::sqrt(5.0) - 1.0) / 2.0;
        double a = (static_cast<double>(*bin) - 1.0) / static_cast<double>(size_);
        double b = (static_cast<double>(*bin) + 1.0) / static_cast<double>(size_);
        double c = b - invPhi * (b - a);
        double d = a + invPhi * (b - a);
        double pc = dtftPower(weighted_, c);
        double pd = dtftPower(weighted_, d);
        const double tolerance = 1e-10 * (a + b);
        while (b - a > tolerance) {
            if (pc > pd) {
                b = d;
                d = c;
                pd = pc;
                c = b - invPhi * (b - a);
                pc = dtftPower(weighted_, c);
            } else {
                a = c;
                c = d;
                pc = pd;
                d = a + invPhi * (b - a);
                pd = dtftPower(weighted_, d);
            }
        }
        return Peak{(a + b) / 2.0 * sampleRate_, std::sqrt(std::max(pc, pd))};
    }

private:
    double binHz() const { return sampleRate_ / static_cast<double>(size_); }

    std::optional<std::size_t> strongestBinNear(double hz, double cents) const {
        const double ratio = std::pow(2.0, cents / 1200.0);
        auto binOf = [&](double f) { return static_cast<std::size_t>(std::lround(f / binHz())); };
        const std::size_t low = binOf(hz / ratio);
        const std::size_t high = binOf(hz * ratio);
        std::optional<std::size_t> best;
        for (std::size_t k = low + 1; k < high && k + 1 < magnitude_.size(); ++k) {
            if (magnitude_[k] < magnitude_[k - 1] || magnitude_[k] < magnitude_[k + 1])
                continue;
            if (!best || magnitude_[k] > magnitude_[*best])
                best = k;
        }
        return best;
    }

    double sampleRate_;
    std::vector<double> weighted_;
    std::size_t size_ = 1;
    std::vector<double> magnitude_;
};

}  // namespace

double noteFrequencyHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

double centsBetween(double hz, double referenceHz) {
    return 1200.0 * std::log2(hz / referenceHz);
}

std::optional<double> estimateFundamentalHz(const float* samples, std::size_t count,
                                            double sampleRate, double expectedHz) {
    if (!samples || sampleRate <= 0.0 || !(expectedHz > 0.0) || expectedHz * 4 > sampleRate)
        return std::nullopt;
    const SteadyPart part = steadyPart(samples, count, sampleRate, expectedHz);
    const std::size_t n = part.end - part.begin;
    const double minSeconds = std::max(minWindowSeconds, minPeriods / expectedHz);
    if (n < static_cast<std::size_t>(minSeconds * sampleRate))
        return std::nullopt;

    const Spectrum spectrum(samples + part.begin, n, sampleRate);
    const auto fundamental = spectrum.peakNear(expectedHz, searchCents);
    if (!fundamental)
        return std::nullopt;
    const double strongest = spectrum.strongest();
    if (fundamental->amplitude < strongest * dbToAmplitude(minFundamentalDb))
        return std::nullopt;
    const auto below = spectrum.coarsePeakNear(fundamental->hz / 2, 50.0);
    if (below && below->amplitude > fundamental->amplitude * dbToAmplitude(subharmonicDb))
        return std::nullopt;

    // The partials of a string follow f_k = k * F * sqrt(1 + B k^2): (f_k / k)^2 is a straight
    // line in k^2, and its value at k = 1 is the fundamental. Fitting the line through the
    // strong partials reads the pitch of the whole series, so a fundamental whose phase wanders
    // (a clipped tone changing shape as it decays) is held by its partials, while the stretch
    // of a stiff string is modelled rather than averaged into the result.
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    auto add = [&](int k, const Spectrum::Peak& p) {
        const double x = double(k) * k;
        const double y = (p.hz / k) * (p.hz / k);
        const double w = p.amplitude;
        sw += w;
        sx += w * x;
        sy += w * y;
        sxx += w * x * x;
        sxy += w * x * y;
    };
    add(1, *fundamental);
    int used = 1;
    for (int k = 2; k <= maxPartials && k * fundamental->hz < 0.45 * sampleRate; ++k) {
        const auto p = spectrum.peakNear(k * fundamental->hz, partialSearchCents);
        if (!p || p->amplitude < strongest * dbToAmplitude(minPartialDb))
            continue;
        add(k, *p);
        ++used;
    }
    if (used < 3)
        return fundamental->hz;
    const double det = sw * sxx - sx * sx;
    if (!(det > 0))
        return fundamental->hz;
    const double slope = (sw * sxy - sx * sy) / det;
    const double intercept = (sy - slope * sx) / sw;
    const double atOne = intercept + slope;
    if (!(atOne > 0))
        return std::nullopt;
    return std::sqrt(atOne);
}

}  // namespace midi
