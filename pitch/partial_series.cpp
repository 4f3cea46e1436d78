#include "pitch/partial_series.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "pitch/pitch_estimator.h"
#include "pitch/windowed_spectrum.h"

namespace pitch {
namespace {

// Where partial k is looked for around k times the series frequency.
constexpr double fundamentalSearchCents = 30.0;
constexpr double partialSearchCents = 50.0;
// A partial further than this from the fitted series does not belong to it.
constexpr double seriesToleranceCents = 3.0;
// Stiffness B beyond any guitar string: the fit has gone astray.
constexpr double maxStiffness = 3e-3;
// A damped string's partials scatter by several cents and fit no series: its fundamental may be
// read alone where at least this many of the others lie within this much of its multiples.
constexpr int dampedPartials = 3;
constexpr double dampedOffCents = 25.0;
// A component below a series stronger than this (relative to its strongest partial) is clear.
constexpr double subharmonicDb = -26.0;

struct SeriesFit {
    double intercept;  // F^2
    double slope;      // F^2 B
    double partialHz(int k) const { return k * std::sqrt(intercept + slope * k * k); }
};

// The sums of a weighted straight-line fit of (f_k / k)^2 against k^2.
struct FitSums {
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;

    explicit FitSums(const std::vector<Partial>& points) {
        for (const Partial& p : points) {
            const double x = double(p.k) * p.k;
            const double y = (p.hz / p.k) * (p.hz / p.k);
            sw += p.amplitude;
            sx += p.amplitude * x;
            sy += p.amplitude * y;
            sxx += p.amplitude * x * x;
            sxy += p.amplitude * x * y;
        }
    }
    double determinant() const { return sw * sxx - sx * sx; }
};

std::optional<SeriesFit> fitSeries(const std::vector<Partial>& points) {
    const FitSums s(points);
    const double det = s.determinant();
    if (!(det > 0.0))
        return std::nullopt;
    const double slope = (s.sw * s.sxy - s.sx * s.sy) / det;
    const double intercept = (s.sy - slope * s.sx) / s.sw;
    if (!(intercept > 0.0) || !(intercept + slope > 0.0))
        return std::nullopt;
    return SeriesFit{intercept, slope};
}

// Each partial of the series on `seriesHz` as `peak(hz, cents)` finds it, where at least
// `floor` strong.
template <typename PeakNear>
std::vector<Partial> partialsBy(PeakNear peak, double seriesHz, double floor, double sampleRate,
                                int count) {
    std::vector<Partial> partials;
    for (int k = 1; k <= count && k * seriesHz < highestPartialShare * sampleRate; ++k) {
        const auto p = peak(k * seriesHz, k == 1 ? fundamentalSearchCents : partialSearchCents);
        if (p && p->amplitude >= floor)
            partials.push_back({k, p->hz, p->amplitude});
    }
    return partials;
}

}  // namespace

std::vector<Partial> findPartials(const Spectrum& spectrum, double seriesHz, double floor,
                                  double sampleRate, int count) {
    return partialsBy([&](double hz, double cents) { return spectrum.peakNear(hz, cents); },
                      seriesHz, floor, sampleRate, count);
}

std::vector<Partial> coarsePartials(const Spectrum& spectrum, double seriesHz, double sampleRate,
                                    int count) {
    return partialsBy([&](double hz, double cents) { return spectrum.coarsePeakNear(hz, cents); },
                      seriesHz, 0.0, sampleRate, count);
}

std::optional<SeriesReading> fundamentalAlone(const std::vector<Partial>& partials) {
    if (partials.empty() || partials.front().k != 1)
        return std::nullopt;
    const Partial& fundamental = partials.front();
    SeriesReading alone{fundamental.hz, {}};
    std::ranges::copy_if(partials, std::back_inserter(alone.partials), [&](const Partial& p) {
        return std::abs(centsBetween(p.hz, p.k * fundamental.hz)) <= dampedOffCents;
    });
    if (alone.partials.size() < 1 + dampedPartials)
        return std::nullopt;
    return alone;
}

std::optional<SeriesReading> readSeries(std::vector<Partial> partials) {
    if (partials.empty())
        return std::nullopt;
    const Partial strongest = *std::max_element(
        partials.begin(), partials.end(),
        [](const Partial& a, const Partial& b) { return a.amplitude < b.amplitude; });
    const std::optional<Partial> fundamental =
        partials.front().k == 1 ? std::optional(partials.front()) : std::nullopt;
    // Partials that do not fit the series are dropped, worst first.
    while (partials.size() >= 3) {
        const auto fit = fitSeries(partials);
        if (!fit)
            return std::nullopt;
        auto worst = partials.begin();
        double worstCents = 0.0;
        for (auto p = partials.begin(); p != partials.end(); ++p) {
            const double off = std::abs(centsBetween(p->hz, fit->partialHz(p->k)));
            if (off > worstCents) {
                worstCents = off;
                worst = p;
            }
        }
        if (worstCents <= seriesToleranceCents) {
            if (std::abs(fit->slope / fit->intercept) > maxStiffness)
                return std::nullopt;
            return SeriesReading{fit->partialHz(1), std::move(partials)};
        }
        partials.erase(worst);
    }
    if (!fundamental)
        return std::nullopt;
    // No consistent series of three (a damped string's partials scatter by several cents):
    // the fundamental itself, where it is the note's strongest partial; or where one other
    // partial, stronger, lies on its multiple (a muted string behind a small microphone's
    // high-pass, its partials above the 2nd dying at once), the two, read as the fundamental.
    if (fundamental->amplitude < strongest.amplitude) {
        const Partial& other = partials.back();
        if (partials.size() != 2 || partials.front().k != 1 ||
            std::abs(centsBetween(other.hz, other.k * fundamental->hz)) > seriesToleranceCents)
            return std::nullopt;
        return SeriesReading{fundamental->hz, std::move(partials)};
    }
    return SeriesReading{fundamental->hz, {*fundamental}};
}

// The fit's value at k = 1 is linear in the points' y = (f_k / k)^2 with coefficients c_k;
// each point's spread passes through dy/df = 2 f_k / k^2, and the fundamental's through
// dF/dy = 1 / (2 F).
double readingSpreadHz(const SeriesReading& reading,
                       const std::function<double(const Partial&)>& spreadAmplitudeHz) {
    const auto& points = reading.partials;
    if (points.size() < 2)
        return points.empty() ? 0.0 : spreadAmplitudeHz(points.front()) / points.front().amplitude;
    const FitSums s(points);
    const double det = s.determinant();
    double variance = 0.0;
    for (const Partial& p : points) {
        const double x = double(p.k) * p.k;
        const double c = p.amplitude * (1.0 / s.sw + (1.0 - s.sx / s.sw) * (s.sw * x - s.sx) / det);
        const double dyByDf = 2.0 * p.hz / x;
        const double spread = c * dyByDf * spreadAmplitudeHz(p) / p.amplitude;
        variance += spread * spread;
    }
    return std::sqrt(variance) / (2.0 * reading.hz);
}

bool soundsClearlyAt(const Spectrum& spectrum, double hz, double strongestPartial) {
    const auto below = spectrum.coarsePeakNear(hz, partialSearchCents);
    return below && below->amplitude > strongestPartial * dbToAmplitude(subharmonicDb);
}

}  // namespace pitch
