#include "pitch/windowed_spectrum.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <complex>
#include <numbers>

#include "pitch/fft.h"

namespace pitch {
namespace {

using Complex = std::complex<double>;

constexpr double twoPi = 2.0 * std::numbers::pi;

// Zero padding of the coarse spectrum to the next power of two: grid step under a bin, well
// inside the window's main lobe of eight bins.
constexpr std::size_t zeroPadding = 1;
// Parabolic refinement steps of a peak, each narrowing the search eightfold.
constexpr int refinementSteps = 7;
// Noise bands: a third of an octave, at least this wide.
constexpr double bandShare = 0.26;
constexpr double minBandHz = 50.0;
// The band's noise is read at this quantile of its magnitudes, below the partials' lobes; the
// magnitude of noise is Rayleigh distributed, whose median is this many times that quantile.
constexpr double noiseQuantile = 0.15;
constexpr double medianPerQuantile = 2.065;

// The nearest whole number to a value of at least -0.5, as std::lround has it, without its
// library call: the note search asks for grid points some ten thousand times a window.
std::size_t nearestIndex(double x) {
    return x <= 0.0 ? 0 : static_cast<std::size_t>(x + 0.5);
}

// 4-term Blackman-Harris window of length n. A live stream asks for the same few lengths
// window after window: the latest ones are kept.
const std::vector<double>& blackmanHarris(std::size_t n) {
    constexpr std::size_t kept = 4;
    thread_local std::array<std::vector<double>, kept> windows;
    thread_local std::size_t next = 0;
    for (const std::vector<double>& w : windows)
        if (w.size() == n)
            return w;
    std::vector<double>& w = windows[next];
    next = (next + 1) % kept;
    w.resize(n);
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
        // The shift within a block, e^(-i omega0 j), once for all blocks: the samples' phasors
        // are then independent products, not a chain of rotations waiting on each other.
        std::array<double, blockLength> withinRe, withinIm;
        {
            const double stepRe = std::cos(omega0_);
            const double stepIm = -std::sin(omega0_);
            double re = 1.0, im = 0.0;
            for (std::size_t j = 0; j < blockLength; ++j) {
                withinRe[j] = re;
                withinIm[j] = im;
                const double r = re * stepRe - im * stepIm;
                im = re * stepIm + im * stepRe;
                re = r;
            }
        }
        for (std::size_t b = 0; b < blocks; ++b) {
            const std::size_t begin = b * blockLength;
            const std::size_t length = std::min(y.size() - begin, blockLength);
            const double centre = 0.5 * static_cast<double>(length - 1);
            centres_[b] = static_cast<double>(begin) + centre;
            // Each block's shift starts exact, so rounding cannot accumulate.
            const double startRe = std::cos(omega0_ * static_cast<double>(begin));
            const double startIm = -std::sin(omega0_ * static_cast<double>(begin));
            const double* x = y.data() + begin;
            double m[4][2] = {};
            for (std::size_t j = 0; j < length; ++j) {
                const double re = startRe * withinRe[j] - startIm * withinIm[j];
                const double im = startRe * withinIm[j] + startIm * withinRe[j];
                const double zr = x[j] * re;
                const double zi = x[j] * im;
                const double d = static_cast<double>(j) - centre;
                const double d2 = d * d;
                const double d3 = d2 * d;
                m[0][0] += zr;
                m[0][1] += zi;
                m[1][0] += zr * d;
                m[1][1] += zi * d;
                m[2][0] += zr * d2;
                m[2][1] += zi * d2;
                m[3][0] += zr * d3;
                m[3][1] += zi * d3;
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
        if (moments_.empty())
            return 0.0;
        // The blocks' centres lie a block apart (but the last's): their phases by rotation.
        const Complex step = std::polar(1.0, -delta * static_cast<double>(blockLength));
        Complex phase = std::polar(1.0, -delta * centres_.front());
        Complex sum;
        for (std::size_t b = 0; b < moments_.size(); ++b) {
            const auto& m = moments_[b];
            const Complex local = m[0] + t1 * m[1] + t2 * m[2] + t3 * m[3];
            if (b + 1 == moments_.size())
                phase = std::polar(1.0, -delta * centres_[b]);
            sum += phase * local;
            phase *= step;
        }
        return std::norm(sum);
    }

private:
    static constexpr std::size_t blockLength = 256;
    double omega0_;
    std::vector<std::array<Complex, 4>> moments_;
    std::vector<double> centres_;
};

}  // namespace

Spectrum::Spectrum(const float* samples, std::size_t n, double sampleRate)
    : sampleRate_(sampleRate) {
    const std::vector<double>& window = blackmanHarris(n);
    weighted_.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        weighted_[i] = window[i] * samples[i];
    size_ = 2;
    while (size_ < n * zeroPadding)
        size_ <<= 1;
    const std::vector<Complex> spectrum = realFft(weighted_, size_);
    magnitude_.resize(size_ / 2);
    for (std::size_t k = 0; k < magnitude_.size(); ++k)
        magnitude_[k] = std::sqrt(std::norm(spectrum[k]));
    if (magnitude_.size() > 1)
        strongest_ = *std::max_element(magnitude_.begin() + 1, magnitude_.end());
    const auto minBand = static_cast<std::size_t>(std::ceil(minBandHz / binHz()));
    std::vector<double> band, centres, levels;
    for (std::size_t first = 1; first < magnitude_.size();) {
        const std::size_t width =
            std::max(minBand, static_cast<std::size_t>(bandShare * static_cast<double>(first)));
        const std::size_t end = std::min(magnitude_.size(), first + width);
        band.assign(magnitude_.begin() + static_cast<std::ptrdiff_t>(first),
                    magnitude_.begin() + static_cast<std::ptrdiff_t>(end));
        const auto at = band.begin() + static_cast<std::ptrdiff_t>(
                                           noiseQuantile * static_cast<double>(band.size() - 1));
        std::nth_element(band.begin(), at, band.end());
        centres.push_back(0.5 * static_cast<double>(first + end - 1));
        levels.push_back(medianPerQuantile * *at);
        first = end;
    }
    // Between the bands' centres, the noise level runs straight from one to the next. (A
    // stretch of a sample or two has no band: no noise.)
    noise_.resize(magnitude_.size());
    for (std::size_t bin = 0, band = 0; bin < noise_.size() && !levels.empty(); ++bin) {
        const double at = static_cast<double>(bin);
        while (band + 1 < centres.size() && centres[band + 1] <= at)
            ++band;
        if (band + 1 == centres.size() || at <= centres[band]) {
            noise_[bin] = levels[band];
            continue;
        }
        const double share = (at - centres[band]) / (centres[band + 1] - centres[band]);
        noise_[bin] = levels[band] + share * (levels[band + 1] - levels[band]);
    }
}

double Spectrum::levelNear(double hz) const {
    const std::size_t bin = std::max<std::size_t>(1, nearestIndex(hz / binHz()));
    if (bin + 1 >= magnitude_.size())
        return 0.0;
    return std::max({magnitude_[bin - 1], magnitude_[bin], magnitude_[bin + 1]});
}

double Spectrum::noiseAt(double hz) const {
    const std::size_t bin = nearestIndex(hz / binHz());
    return noise_.empty() ? 0.0 : noise_[std::min(bin, noise_.size() - 1)];
}

double Spectrum::harmonicScore(double hz, int partials) const {
    double score = 0.0;
    for (int k = 1; k <= partials; ++k) {
        const std::size_t bin = nearestIndex(k * hz / binHz());
        if (bin + 2 >= magnitude_.size())
            break;
        score += levelNear(k * hz);
    }
    return score;
}

std::optional<double> Spectrum::strongestSeriesIn(double lowHz, double highHz, int partials,
                                                  double minFundamental) const {
    const std::size_t low = std::max<std::size_t>(1, nearestIndex(lowHz / binHz()));
    const std::size_t high = nearestIndex(highHz / binHz());
    std::optional<double> best;
    double bestScore = -1.0;
    for (std::size_t bin = low; bin <= high; ++bin) {
        const double candidate = static_cast<double>(bin) * binHz();
        if (minFundamental > 0 && harmonicScore(candidate, 1) < minFundamental)
            continue;
        const double score = harmonicScore(candidate, partials);
        if (score > bestScore) {
            bestScore = score;
            best = candidate;
        }
    }
    return best;
}

double Spectrum::strongest() const {
    return strongest_;
}

double Spectrum::levelAt(double hz) const {
    const std::size_t bin = nearestIndex(hz / binHz());
    return bin < magnitude_.size() ? magnitude_[bin] : 0.0;
}

std::optional<Spectrum::Peak> Spectrum::coarsePeakNear(double hz, double cents) const {
    const auto bin = strongestBinNear(hz, cents);
    if (!bin)
        return std::nullopt;
    return Peak{static_cast<double>(*bin) * binHz(), magnitude_[*bin]};
}

// Near its maximum the log power of a Blackman-Harris main lobe is all but a parabola: each step
// moves to the vertex through three points and narrows their spacing.
std::optional<Spectrum::Peak> Spectrum::peakNear(double hz, double cents) const {
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

std::optional<Spectrum::Peak> Spectrum::keptPeakNear(double hz, double cents) const {
    for (const KeptPeak& kept : keptPeaks_)
        if (kept.hz == hz && kept.cents == cents)
            return kept.peak;
    return keptPeaks_.emplace_back(KeptPeak{hz, cents, peakNear(hz, cents)}).peak;
}

double Spectrum::resolutionHz() const {
    return sampleRate_ / static_cast<double>(weighted_.size());
}

double Spectrum::binHz() const {
    return sampleRate_ / static_cast<double>(size_);
}

std::pair<std::size_t, std::size_t> Spectrum::binsNear(double hz, double cents) const {
    // A local maximum has a neighbour on either side.
    if (magnitude_.size() < 3)
        return {1, 0};
    const double ratio = std::exp2(cents / 1200.0);
    auto binOf = [&](double f) { return nearestIndex(f / binHz()); };
    // At least two grid steps either side, however narrow the band in cents.
    const std::size_t centre = binOf(hz);
    const std::size_t low = std::max<std::size_t>(1, std::min(binOf(hz / ratio), centre - 2));
    const std::size_t high = std::max(binOf(hz * ratio), centre + 2);
    return {low, std::min(high, magnitude_.size() - 2)};
}

std::optional<std::size_t> Spectrum::strongestBinNear(double hz, double cents) const {
    const auto [low, high] = binsNear(hz, cents);
    std::optional<std::size_t> best;
    for (std::size_t k = low; k <= high; ++k) {
        if (magnitude_[k] < magnitude_[k - 1] || magnitude_[k] < magnitude_[k + 1])
            continue;
        if (!best || magnitude_[k] > magnitude_[*best])
            best = k;
    }
    return best;
}

void Spectrum::addStrongestMaxima() const {
    const std::size_t n = magnitude_.size();
    const auto none = static_cast<std::uint32_t>(n);
    std::vector<std::uint32_t> level(n, none);
    if (strongestMaxima_.empty()) {
        for (std::size_t k = 1; k + 1 < n; ++k)
            if (magnitude_[k] >= magnitude_[k - 1] && magnitude_[k] >= magnitude_[k + 1])
                level[k] = static_cast<std::uint32_t>(k);
    } else {
        const std::vector<std::uint32_t>& below = strongestMaxima_.back();
        const std::size_t span = std::size_t{1} << (strongestMaxima_.size() - 1);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t a = below[i], b = i + span < n ? below[i + span] : none;
            level[i] = a == none ? b : b == none || magnitude_[a] >= magnitude_[b] ? a : b;
        }
    }
    strongestMaxima_.push_back(std::move(level));
}

double Spectrum::coarsePeakLevelNear(double hz, double cents) const {
    const auto [low, high] = binsNear(hz, cents);
    if (low > high)
        return 0.0;
    // Two spans of a power of two that together cover the points.
    const auto j = static_cast<std::size_t>(std::bit_width(high - low + 1) - 1);
    while (strongestMaxima_.size() <= j)
        addStrongestMaxima();
    const std::size_t none = magnitude_.size();
    double level = 0.0;
    for (const std::uint32_t k :
         {strongestMaxima_[j][low], strongestMaxima_[j][high + 1 - (std::size_t{1} << j)]})
        if (k != none)
            level = std::max(level, magnitude_[k]);
    return level;
}

}  // namespace pitch
