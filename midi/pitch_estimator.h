#pragma once
// Pitch estimation of one rendered note: finds the frequency of its fundamental partial, with
// the note's nominal frequency as a hint, to well under a tenth of a cent.
//
// Method: a fit of the partial series, not a periodicity estimate. The note's steady part
// (from just after the attack until it has decayed by 30 dB, at most one second) is weighted by
// a 4-term Blackman-Harris window (sidelobes below -92 dB, so even partials 40 dB stronger leak
// nothing measurable). The fundamental is the strongest spectral peak within a semitone of the
// hint (an FFT finds it, so a strong second harmonic is never taken for the note); it and the
// partials up to the 8th are refined on the exact discrete-time Fourier transform by
// golden-section search (a windowed partial's magnitude spectrum is symmetric about its
// frequency whatever its decay, so fast decay does not bias it). A string's partials follow
// f_k = k F sqrt(1 + B k^2); a weighted straight-line fit of (f_k / k)^2 against k^2, read at
// k = 1, gives the fundamental. Why not YIN or autocorrelation: a periodicity estimate measures
// a compromise of all partials and is pulled sharp by a stiff string's stretched partials. Why
// not the fundamental peak alone: on a clipped tone that changes shape as it decays, the
// fundamental's phase wanders and its peak reads off by a tenth of a cent or more, while the
// series holds it. libaubio offers YIN variants only, hence this own estimator.
//
// The result is empty when the note cannot be measured reliably: silence, fewer than 12
// periods of steady sound, no clear peak near the hint, or a fundamental at half the found
// frequency (the note is an octave lower than the hint says).

#include <cstddef>
#include <optional>

namespace midi {

std::optional<double> estimateFundamentalHz(const float* samples, std::size_t count,
                                            double sampleRate, double expectedHz);

// Equal-tempered frequency of MIDI note `note` with A4 (69) at 440 Hz.
double noteFrequencyHz(double note);

// Signed distance from `referenceHz` to `hz` in cents.
double centsBetween(double hz, double referenceHz);

}  // namespace midi
