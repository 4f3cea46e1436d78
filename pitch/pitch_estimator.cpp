#include "pitch/pitch_estimator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace pitch {
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
// A component at half the found frequency stronger than this (relative to the found peak)
// means the note is really an octave below the hint.
constexpr double subharmonicDb = -26.0;
// Partials 2 to this one take part in the fit of the series, where at least this strong
// relative to the strongest partial and within this distance of k times the fundamental.
constexpr int maxPartials = 8;
constexpr double minPartialDb = -40.0;
constexpr double partialSearchCents = 50.0;
constexpr double fundamentalSearchCents = 30.0;
// A partial further than this from the fitted series does not belong to it.
constexpr double seriesToleranceCents = 3.0;
// Stiffness B beyond any guitar string: the fit has gone astray.
constexpr double maxStiffness = 3e-3;
// Zero padding of the coarse spectrum to the next power of two: grid step under a bin, well
// inside the window's main lobe of eight bins.
constexpr std::size_t zeroPadding = 1;
// Parabolic refinement steps of a peak, each narrowing the search eightfold.
constexpr int refinementSteps = 7;

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
    std::vector<Complex> twiddle(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k)
        twiddle[k] = std::polar(1.0, -twoPi * static_cast<double>(k) / static_cast<double>(n));
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::size_t half = len / 2;
        const std::size_t stride = n / len;
        for (std::size_t start = 0; start < n; start += len) {
            for (std::size_t k = 0; k < half; ++k) {
                const Complex t = data[start + k + half] * twiddle[k * stride];
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
        const double c = std::cos(twoPi * static_cast<double>(i) / denominator);
        // cos 2x and cos 3x from cos x.
        w[i] = 0.35875 - 0.48829 * c + 0.14128 * (2 * c * c - 1) - 0.01168 * (4 * c * c - 3) * c;
    }
    return w;
}

// The discrete-time Fourier transform of a signal near one frequency, cheap to evaluate at
// small offsets from it. The signal is shifted down by that frequency once; per block of
// samples the moments sum z[n] (n - c)^k, k = 0..3, around the block centre c are kept, and the
// transform at offset d is the sum over blocks of e^(-i d c) times the Taylor series of
// e^(-i d (n - c)) applied to the moments. Within half a grid step of the centre the
// neglected fourth-order term is below 1e-10 of the result.
class LocalTransform {
public:
    LocalTransform(const std::vector<double>& y, double centreCyclesPerSample)
        : omega0_(twoPi * centreCyclesPerSample) {
        const std::size_t blocks = (y.size() + blockLength - 1) / blockLength;
        moments_.resize(blocks);
        centres_.resize(blocks);
        const double stepRe = std::cos(omega0_);
        const double stepIm = -std::sin(omega0_);
        for (std::size_t b = 0; b < blocks; ++b) {
            const std::size_t begin = b * blockLength;
            const std::size_t end = std::min(y.size(), begin + blockLength);
            const double centre = 0.5 * static_cast<double>(begin + end - 1);
            centres_[b] = centre;
            // The rotating phasor starts exact at each block, so rounding cannot accumulate.
            double re = std::cos(omega0_ * static_cast<double>(begin));
            double im = -std::sin(omega0_ * static_cast<double>(begin));
            double m[4][2] = {};
            for (std::size_t i = begin; i < end; ++i) {
                const double zr = y[i] * re;
                const double zi = y[i] * im;
                const double d = static_cast<double>(i) - centre;
                double power = 1.0;
                for (auto& moment : m) {
                    moment[0] += zr * power;
                    moment[1] += zi * power;
                    power *= d;
                }
                const double r = re * stepRe - im * stepIm;
                im = re * stepIm + im * stepRe;
                re = r;
            }
            for (int k = 0; k < 4; ++k)
                moments_[b][k] = Complex(m[k][0], m[k][1]);
        }
    }

    // Squared magnitude of the transform at the centre plus `offset` cycles per sample.
    double power(double offset) const {
        const double delta = twoPi * offset;
        const Complex minusIDelta(0.0, -delta);
        const Complex t1 = minusIDelta;
        const Complex t2 = t1 * minusIDelta / 2.0;
        const Complex t3 = t2 * minusIDelta / 3.0;
        Complex sum;
        for (std::size_t b = 0; b < moments_.size(); ++b) {
            const auto& m = moments_[b];
            const Complex local = m[0] + t1 * m[1] + t2 * m[2] + t3 * m[3];
            sum += std::polar(1.0, -delta * centres_[b]) * local;
        }
        return std::norm(sum);
    }

private:
    static constexpr std::size_t blockLength = 256;
    double omega0_;
    std::vector<std::array<Complex, 4>> moments_;
    std::vector<double> centres_;
};

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
            magnitude_[k] = std::sqrt(std::norm(spectrum[k]));
    }

    // How strongly a harmonic series on `hz` sounds: the summed magnitudes at its first
    // `partials` multiples below the Nyquist limit.
    double harmonicScore(double hz, int partials) const {
        double score = 0.0;
        for (int k = 1; k <= partials; ++k) {
            const std::size_t bin = static_cast<std::size_t>(std::lround(k * hz / binHz()));
            if (bin + 2 >= magnitude_.size())
                break;
            score += std::max({magnitude_[bin - 1], magnitude_[bin], magnitude_[bin + 1]});
        }
        return score;
    }

    // The grid frequency within `cents` of `hz` whose harmonic series sounds strongest.
    double strongestSeriesNear(double hz, double cents, int partials) const {
        const double ratio = std::pow(2.0, cents / 1200.0);
        const std::size_t low = std::max<std::size_t>(1, std::lround(hz / ratio / binHz()));
        const std::size_t high = std::lround(hz * ratio / binHz());
        double best = hz;
        double bestScore = -1.0;
        for (std::size_t bin = low; bin <= high; ++bin) {
            const double candidate = static_cast<double>(bin) * binHz();
            const double score = harmonicScore(candidate, partials);
            if (score > bestScore) {
                bestScore = score;
                best = candidate;
            }
        }
        return best;
    }

    double strongest() const { return *std::max_element(magnitude_.begin() + 1, magnitude_.end()); }

    // The strongest local maximum of the grid within `cents` of `hz`.
    std::optional<Peak> coarsePeakNear(double hz, double cents) const {
        const auto bin = strongestBinNear(hz, cents);
        if (!bin)
            return std::nullopt;
        return Peak{static_cast<double>(*bin) * binHz(), magnitude_[*bin]};
    }

    // The same peak refined on the exact transform. Near its maximum the log power of a
    // Blackman-Harris main lobe is all but a parabola: each step moves to the vertex through
    // three points and narrows their spacing, converging far below a thousandth of a cent.
    std::optional<Peak> peakNear(double hz, double cents) const {
        const auto bin = strongestBinNear(hz, cents);
        if (!bin)
            return std::nullopt;
        const double sizeD = static_cast<double>(size_);
        const double coarse = static_cast<double>(*bin) / sizeD;
        const LocalTransform transform(weighted_, coarse);
        double x = 0.0;
        double h = 0.5 / sizeD;
        double centrePower = 0.0;
        for (int step = 0; step < refinementSteps; ++step) {
            centrePower = transform.power(x);
            const double below = std::log(transform.power(x - h));
            const double centre = std::log(centrePower);
            const double above = std::log(transform.power(x + h));
            const double curvature = below - 2.0 * centre + above;
            if (curvature < 0.0) {
                const double offset = 0.5 * h * (below - above) / curvature;
                x += std::clamp(offset, -h, h);
            } else {
                x += below > above ? -h : h;
            }
            h /= 8.0;
        }
        return Peak{(coarse + x) * sampleRate_, std::sqrt(centrePower)};
    }

private:
    double binHz() const { return sampleRate_ / static_cast<double>(size_); }

    std::optional<std::size_t> strongestBinNear(double hz, double cents) const {
        const double ratio = std::pow(2.0, cents / 1200.0);
        auto binOf = [&](double f) { return static_cast<std::size_t>(std::lround(f / binHz())); };
        // At least two grid steps either side, however narrow the band in cents.
        const std::size_t centre = binOf(hz);
        const std::size_t low = std::max<std::size_t>(1, std::min(binOf(hz / ratio), centre - 2));
        const std::size_t high = std::max(binOf(hz * ratio), centre + 2);
        std::optional<std::size_t> best;
        for (std::size_t k = low; k <= high && k + 1 < magnitude_.size(); ++k) {
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

namespace {

struct SeriesPoint {
    int k;
    double hz;
    double weight;
};

struct SeriesFit {
    double intercept;  // F^2
    double slope;      // F^2 B
    double partialHz(int k) const { return k * std::sqrt(intercept + slope * k * k); }
};

// Weighted straight-line fit of (f_k / k)^2 against k^2.
std::optional<SeriesFit> fitSeries(const std::vector<SeriesPoint>& points) {
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const SeriesPoint& p : points) {
        const double x = double(p.k) * p.k;
        const double y = (p.hz / p.k) * (p.hz / p.k);
        sw += p.weight;
        sx += p.weight * x;
        sy += p.weight * y;
        sxx += p.weight * x * x;
        sxy += p.weight * x * y;
    }
    const double det = sw * sxx - sx * sx;
    if (!(det > 0.0))
        return std::nullopt;
    const double slope = (sw * sxy - sx * sy) / det;
    const double intercept = (sy - slope * sx) / sw;
    if (!(intercept > 0.0) || !(intercept + slope > 0.0))
        return std::nullopt;
    return SeriesFit{intercept, slope};
}

}  // namespace

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
    const double floor = spectrum.strongest() * dbToAmplitude(minPartialDb);
    // The series that sounds strongest near the hint, not merely its strongest peak: a loud
    // noise or distortion product near the fundamental has no partials above it.
    const double seriesHz = spectrum.strongestSeriesNear(expectedHz, searchCents, maxPartials);

    // The partials of a string follow f_k = k * F * sqrt(1 + B k^2): (f_k / k)^2 is a straight
    // line in k^2, and its value at k = 1 is the fundamental. Fitting the line through the
    // strong partials reads the pitch of the whole series, so a fundamental whose phase wanders
    // (a clipped tone changing shape as it decays) is held by its partials, while the stretch
    // of a stiff string is modelled rather than averaged into the result.
    std::vector<SeriesPoint> points;
    std::optional<double> fundamentalHz;
    double strongestPartial = 0.0;
    double fundamentalAmplitude = 0.0;
    for (int k = 1; k <= maxPartials && k * seriesHz < 0.45 * sampleRate; ++k) {
        const auto p =
            spectrum.peakNear(k * seriesHz, k == 1 ? fundamentalSearchCents : partialSearchCents);
        if (!p || p->amplitude < floor)
            continue;
        points.push_back({k, p->hz, p->amplitude});
        strongestPartial = std::max(strongestPartial, p->amplitude);
        if (k == 1) {
            fundamentalHz = p->hz;
            fundamentalAmplitude = p->amplitude;
        }
    }
    if (points.empty())
        return std::nullopt;

    // Partials that do not fit the series (noise, a distortion product, a neighbouring
    // resonance) are dropped, worst first.
    std::optional<double> result;
    while (points.size() >= 3) {
        const auto fit = fitSeries(points);
        if (!fit)
            return std::nullopt;
        auto worst = points.begin();
        double worstCents = 0.0;
        for (auto p = points.begin(); p != points.end(); ++p) {
            const double off = std::abs(centsBetween(p->hz, fit->partialHz(p->k)));
            if (off > worstCents) {
                worstCents = off;
                worst = p;
            }
        }
        if (worstCents <= seriesToleranceCents) {
            if (std::abs(fit->slope / fit->intercept) > maxStiffness)
                return std::nullopt;
            result = fit->partialHz(1);
            break;
        }
        points.erase(worst);
    }
    if (!result) {
        // No consistent series (a damped string's partials scatter by several cents): the
        // fundamental itself, where it is the note's strongest partial.
        if (!fundamentalHz || fundamentalAmplitude < strongestPartial)
            return std::nullopt;
        result = fundamentalHz;
    }

    // A clear component an octave below means the note is lower than the hint says.
    const auto below = spectrum.coarsePeakNear(*result / 2, 50.0);
    if (below && below->amplitude > strongestPartial * dbToAmplitude(subharmonicDb))
        return std::nullopt;
    return result;
}

}  // namespace pitch
