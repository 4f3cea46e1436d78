#include "pitch/note_envelope.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pitch/windowed_spectrum.h"

namespace pitch {
namespace {

// Envelope blocks of 10 ms find the note's steady part.
constexpr double blockSeconds = 0.010;
// The attack (pluck transient, sample start) is skipped for this long after the envelope peak.
constexpr double attackSeconds = 0.030;
// The attack ends at the first block this close to the loudest.
constexpr double attackEndDb = -3.0;
// The steady part ends where the envelope has fallen this far below its peak...
constexpr double decayEndDb = -30.0;
// ...or after this long: longer adds nothing but time.
constexpr double maxWindowSeconds = 1.0;

}  // namespace

std::size_t envelopeBlock(double sampleRate, double lowestHz) {
    const double seconds = std::max(blockSeconds, 2.0 / lowestHz);
    return std::max<std::size_t>(1, std::lround(seconds * sampleRate));
}

double blockRms(const float* samples, std::size_t count) {
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i)
        sum += double{samples[i]} * samples[i];
    return std::sqrt(sum / static_cast<double>(count));
}

std::size_t attackEndBlock(std::span<const double> rms) {
    if (rms.empty())
        return 0;
    const double peak = *std::max_element(rms.begin(), rms.end());
    return static_cast<std::size_t>(
        std::find_if(rms.begin(), rms.end(),
                     [&](double r) { return r >= peak * dbToAmplitude(attackEndDb); }) -
        rms.begin());
}

std::size_t attackSkip(double sampleRate) {
    return std::lround(attackSeconds * sampleRate);
}

SteadyPart steadyPart(const float* samples, std::size_t count, double sampleRate,
                      double expectedHz) {
    const std::size_t block = envelopeBlock(sampleRate, expectedHz);
    std::vector<double> rms;
    for (std::size_t b = 0; b + block <= count; b += block)
        rms.push_back(blockRms(samples + b, block));
    if (rms.empty())
        return {};
    const double peak = *std::max_element(rms.begin(), rms.end());
    if (peak < silenceRms)
        return {};
    const std::size_t begin = std::min(count, attackEndBlock(rms) * block + attackSkip(sampleRate));
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

}  // namespace pitch
