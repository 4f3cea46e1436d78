#include "pitch/pitch_estimator.h"

#include <cmath>

#include "pitch/note_envelope.h"
#include "pitch/partial_series.h"
#include "pitch/windowed_spectrum.h"

namespace pitch {
namespace {

// Fewer periods than this cannot separate the fundamental from its second partial cleanly.
constexpr double minPeriods = 12.0;
constexpr double minWindowSeconds = 0.1;
// The fundamental is looked for within a semitone of the hint.
constexpr double searchCents = 100.0;
// Partials take part where at least this strong relative to the strongest component.
constexpr double minPartialDb = -40.0;

}  // namespace

double noteFrequencyHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

int nearestNote(double hz) {
    return static_cast<int>(std::lround(69.0 + 12.0 * std::log2(hz / 440.0)));
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
    // The series that sounds strongest near the hint, not merely its strongest peak: a loud
    // noise or distortion product near the fundamental has no partials above it.
    const double ratio = std::pow(2.0, searchCents / 1200.0);
    const double seriesHz =
        spectrum.strongestSeriesIn(expectedHz / ratio, expectedHz * ratio, maxPartials)
            .value_or(expectedHz);
    const double floor = spectrum.strongest() * dbToAmplitude(minPartialDb);
    const auto partials = findPartials(spectrum, seriesHz, floor, sampleRate);
    if (partials.empty())
        return std::nullopt;
    double strongestPartial = 0.0;
    for (const Partial& p : partials)
        strongestPartial = std::max(strongestPartial, p.amplitude);
    const auto reading = readSeries(partials);
    // A clear component an octave below means the note is lower than the hint says.
    if (!reading || soundsClearlyAt(spectrum, reading->hz / 2, strongestPartial))
        return std::nullopt;
    return reading->hz;
}

}  // namespace pitch
