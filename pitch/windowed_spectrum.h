#pragma once
// The spectrum of a stretch of sound, as both pitch estimators read it: weighted by a 4-term
// Blackman-Harris window (sidelobes below -92 dB, so even partials 40 dB stronger leak nothing
// measurable) and transformed by an FFT zero-padded to the next power of two, whose grid finds
// harmonic series and peaks; a peak is then refined on the exact transform by successive
// parabolic interpolation of the log power (a windowed partial's magnitude spectrum is
// symmetric about its frequency whatever its decay, so a fast decay does not bias it).

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

namespace pitch {

// Levels relative to a peak are given in dB. (exp, not pow: the note search converts
// thresholds some ten thousand times a window.)
inline double dbToAmplitude(double db) {
    return std::exp(db * (std::numbers::ln10 / 20.0));
}

class Spectrum {
public:
    struct Peak {
        double hz;
        double amplitude;
    };

    Spectrum(const float* samples, std::size_t n, double sampleRate);

    // How strongly a harmonic series on `hz` sounds: the summed magnitudes at its first
    // `partials` multiples below the Nyquist limit.
    double harmonicScore(double hz, int partials) const;

    // The grid frequency from `lowHz` to `highHz` whose harmonic series sounds strongest, of
    // those whose fundamental is at least `minFundamental` strong; none when there is no such
    // grid frequency.
    std::optional<double> strongestSeriesIn(double lowHz, double highHz, int partials,
                                            double minFundamental = 0.0) const;

    // The grid's step, and its largest magnitude within a step of `hz`: what a harmonic series
    // on a grid frequency finds at each multiple.
    double gridHz() const { return binHz(); }
    double levelNear(double hz) const;

    // The level of the noise around `hz`: the median magnitude the noise alone would give, from
    // a low quantile of the grid in a band around it (a third of an octave, at least 50 Hz),
    // which the gaps between a note's partials reach however dense they are.
    double noiseAt(double hz) const;

    // The largest magnitude of the grid.
    double strongest() const;

    // The magnitude of the grid point nearest `hz`.
    double levelAt(double hz) const;

    // The strongest local maximum of the grid within `cents` of `hz`.
    std::optional<Peak> coarsePeakNear(double hz, double cents) const;

    // Its magnitude, 0 where there is none. The note search asks this thousands of times a
    // window: it is answered from a table of the grid's strongest local maxima over spans of
    // 2, 4, 8... grid points, made at the first call.
    double coarsePeakLevelNear(double hz, double cents) const;

    // The same peak refined on the exact transform: far below a thousandth of a cent.
    std::optional<Peak> peakNear(double hz, double cents) const;

    // peakNear of a fixed frequency asked again and again (a mains harmonic, which the note
    // search weighs thousands of times a window): refined once.
    std::optional<Peak> keptPeakNear(double hz, double cents) const;

    // The width of one bin of the unpadded transform, the resolution of the window.
    double resolutionHz() const;

private:
    double binHz() const;
    std::optional<std::size_t> strongestBinNear(double hz, double cents) const;
    // The grid points a peak within `cents` of `hz` is looked for at: first and last.
    std::pair<std::size_t, std::size_t> binsNear(double hz, double cents) const;
    // Adds the next level j to strongestMaxima_.
    void addStrongestMaxima() const;

    double sampleRate_;
    std::vector<double> weighted_;
    std::size_t size_ = 1;
    std::vector<double> magnitude_;
    // The largest magnitude but the constant's, asked for by every partial weighed.
    double strongest_ = 0.0;
    // The noise level at each grid point.
    std::vector<double> noise_;
    // Level j: of grid points i to i + 2^j - 1, the local maximum with the largest magnitude,
    // or the grid's size where there is none. Levels are made as queries need them.
    mutable std::vector<std::vector<std::uint32_t>> strongestMaxima_;
    struct KeptPeak {
        double hz, cents;
        std::optional<Peak> peak;
    };
    mutable std::vector<KeptPeak> keptPeaks_;
};

}  // namespace pitch
