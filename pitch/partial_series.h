#pragma once
// A string's partial series, read from a spectrum. Its partials follow f_k = k F sqrt(1 + B k^2)
// (stiffness B stretches the upper ones): (f_k / k)^2 is a straight line in k^2, and its value
// at k = 1 is the fundamental partial, the frequency a strobe tuner shows. A weighted fit of
// that line through the strong partials reads the pitch of the whole series, so a fundamental
// whose phase wanders (a clipped tone changing shape as it decays) is held by its partials,
// while the stretch of a stiff string is modelled rather than averaged into the result, as a
// periodicity estimate would (pulled sharp by the stretched partials). Partials more than
// 3 cents off the fitted series (noise, a distortion product, a neighbouring resonance) are
// dropped; a damped note whose partials scatter is read at its fundamental partial, if that is
// its strongest.

#include <functional>
#include <optional>
#include <vector>

namespace pitch {

class Spectrum;

// The partials looked for: enough to hold a series, few enough to stay clear of the noise.
inline constexpr int maxPartials = 8;
// Partials above this share of the sample rate are not looked for.
inline constexpr double highestPartialShare = 0.45;

struct Partial {
    int k;
    double hz;
    double amplitude;
};

// Partials 1 to `count` (below 0.45 times the sample rate) of the series on `seriesHz`, each
// the strongest peak within 30 cents (the first) or 50 cents (the others, which a stiff string
// stretches) of k times it, refined; those weaker than `floor` are left out.
std::vector<Partial> findPartials(const Spectrum& spectrum, double seriesHz, double floor,
                                  double sampleRate, int count = maxPartials);

// The same partials as grid peaks, unrefined and however weak: cheap, to see which partials
// stand out and how strong the noise between them is.
std::vector<Partial> coarsePartials(const Spectrum& spectrum, double seriesHz, double sampleRate,
                                    int count = maxPartials);

struct SeriesReading {
    // The fundamental partial.
    double hz;
    // The partials it rests on.
    std::vector<Partial> partials;
};

// The fundamental partial of `partials` (as findPartials gives them), or none when they do not
// form a series and the fundamental is not the strongest of them. A fundamental and one
// stronger partial on its multiple are a series.
std::optional<SeriesReading> readSeries(std::vector<Partial> partials);

// The fundamental of `partials` (as findPartials gives them), first of those that lie within 25
// cents of its multiples, where three others do: a damped string's, whose partials scatter and
// fit no series, where the fundamental is not its strongest partial (behind a small
// microphone's high-pass). Its frequency is the fundamental's alone.
std::optional<SeriesReading> fundamentalAlone(const std::vector<Partial>& partials);

// The spread of a reading in Hz when each of its partials is uncertain by
// `spreadAmplitudeHz(partial)` divided by its amplitude, as a partial in noise is.
double readingSpreadHz(const SeriesReading& reading,
                       const std::function<double(const Partial&)>& spreadAmplitudeHz);

// Whether a clear component sounds at `hz`, relative to the strongest partial of a series
// found above it: at half its frequency, it means the note is an octave lower.
bool soundsClearlyAt(const Spectrum& spectrum, double hz, double strongestPartial);

}  // namespace pitch
