#pragma once
// Pitch module: measures the fundamental of a sound (this header); from such measurements the
// SoundFonts' per-note corrections are calibrated through a renderer the synth lends
// (pitch_calibration.h), kept as tables (pitch_corrections.h) and found again in the shipped
// tables or the user's cache (pitch_correction_loader.h). It knows nothing of MIDI or audio I/O.
//
// Pitch estimation of one rendered note: finds the frequency of its fundamental partial, with
// the note's nominal frequency as a hint, to well under a tenth of a cent.
//
// Method: the note's steady part (note_envelope.h: from just after the attack until it has
// decayed by 30 dB, at most one second) is read as a spectrum (windowed_spectrum.h). Within a
// semitone of the hint, the frequency whose harmonic series sounds strongest is the note (so
// neither a strong second harmonic nor a loud distortion product near the fundamental is taken for
// it); its partials up to the 8th, refined on the exact transform, are fitted as a stiff string's
// series and read at its fundamental partial (partial_series.h). Why not YIN or
// autocorrelation: a periodicity estimate measures a compromise of all partials and is pulled
// sharp by a stiff string's stretched partials. Why not the fundamental peak alone: on a
// clipped tone that changes shape as it decays, the fundamental's phase wanders and its peak
// reads off by a tenth of a cent or more, while the series holds it.
//
// The result is empty when the note cannot be measured reliably: silence, fewer than 12
// periods of steady sound, no partial series near the hint that fits together, or a clear
// component at half the found frequency (the note is an octave lower than the hint says).

#include <cstddef>
#include <optional>

namespace pitch {

std::optional<double> estimateFundamentalHz(const float* samples, std::size_t count,
                                            double sampleRate, double expectedHz);

// Equal-tempered frequency of MIDI note `note` with A4 (69) at 440 Hz.
double noteFrequencyHz(double note);

// The MIDI note whose equal-tempered pitch is nearest to `hz`.
int nearestNote(double hz);

// Signed distance from `referenceHz` to `hz` in cents.
double centsBetween(double hz, double referenceHz);

}  // namespace pitch
