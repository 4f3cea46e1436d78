#pragma once
// Where a note can be measured in time. Its envelope, in blocks of at least two periods so that
// a steady tone reads steady, shows the attack (pluck transient, sample start), skipped until
// just after the envelope has come within 3 dB of its peak, and the decay. Both estimators
// start their windows this way: the one-shot estimator on a whole note, the live one at each
// onset of a stream.

#include <cstddef>
#include <span>

namespace pitch {

// Below this RMS the sound is silence (16-bit quantisation sits near 1e-5).
inline constexpr double silenceRms = 1e-4;

// Samples in one envelope block: 10 ms, and at least two periods of `lowestHz`.
std::size_t envelopeBlock(double sampleRate, double lowestHz);

// RMS of `count` samples.
double blockRms(const float* samples, std::size_t count);

// The block where the attack ends (the first within 3 dB of the loudest) of an envelope that
// begins at the onset; 0 for an empty one.
std::size_t attackEndBlock(std::span<const double> rms);

// Samples skipped after that block's start: the transient of the pluck.
std::size_t attackSkip(double sampleRate);

struct SteadyPart {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The part of a whole recorded note after its attack and before it has decayed by 30 dB (at
// most one second); empty (begin == end) for silence.
SteadyPart steadyPart(const float* samples, std::size_t count, double sampleRate,
                      double expectedHz);

}  // namespace pitch
