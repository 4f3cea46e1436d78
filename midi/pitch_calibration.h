#pragma once
// Calibration of a SoundFont's guitar programs: each note the tuner can play is rendered offline
// through the same path as a played note (program change, key tuning, note-on on channel index
// 1) and its fundamental measured against equal temperament (A4 = 440 Hz). The synth resolves
// pitch in whole cents, dropping fractions from a base that differs from sample to sample, so
// the nearest whole cent is requested with half a cent to spare, checked by a second rendering
// and moved by the whole cents it missed by.

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "midi/pitch_corrections.h"

namespace midi {

class SynthDevice;

// The MIDI channel index the tuner plays on.
inline constexpr int tunerChannel = 1;

// A SoundFont loaded into a synth of its own, without audio output, playing one note at a time.
class OfflineSynth {
public:
    // Null when the SoundFont cannot be loaded; the reason goes to `error`.
    static std::unique_ptr<OfflineSynth> create(const std::string& soundFont, double gain,
                                                std::string& error);
    ~OfflineSynth();
    OfflineSynth(const OfflineSynth&) = delete;
    OfflineSynth& operator=(const OfflineSynth&) = delete;

    // Loads corrections into the synth's key tunings.
    void setCorrections(const PitchCorrections& corrections);
    // Silences whatever sounds, selects `program` and renders `seconds` of `note` at full
    // velocity, left and right channels summed.
    std::vector<float> play(int program, int note, double seconds);
    double sampleRate() const;

private:
    explicit OfflineSynth(std::unique_ptr<SynthDevice> device);
    std::unique_ptr<SynthDevice> device_;
};

// How long each note is rendered: the attack plus the estimator's longest steady part.
inline constexpr double calibrationNoteSeconds = 1.2;

// The note's distance from its equal-tempered pitch in cents, or none when it cannot be
// measured reliably.
std::optional<double> measureNoteCents(OfflineSynth& synth, int program, int note);

// Cents from equal temperament of every guitar program and calibrated note.
using NoteErrors =
    std::array<std::array<std::optional<double>, calibratedNoteCount>, guitarProgramCount>;

struct NoteId {
    int program;
    int note;
    bool operator==(const NoteId&) const = default;
};

struct Calibration {
    PitchCorrections corrections;
    // What each note measured before correction, in cents from equal temperament.
    NoteErrors errors;
    // Notes whose pitch could not be measured; their correction stays 0.
    std::vector<NoteId> unmeasured;
};

// Measures every guitar program and calibrated note. Stops early (and returns none) when
// `cancel` becomes true, or when the SoundFont cannot be loaded.
std::optional<Calibration> calibrate(const std::string& soundFont, double gain,
                                     const std::atomic<bool>* cancel = nullptr);

// Each note's remaining error in cents after `corrections` (the before-figures with an empty
// table), by a fresh rendering; none where the note cannot be measured. Stops early (and returns
// none) when `cancel` becomes true, or when the SoundFont cannot be loaded.
std::optional<NoteErrors> measureErrors(const std::string& soundFont, double gain,
                                        const PitchCorrections* corrections,
                                        const std::atomic<bool>* cancel = nullptr);

}  // namespace midi
