#pragma once
// Calibration of a SoundFont's guitar programs: each note the tuner can play is rendered offline
// through the same path as a played note (a NoteRenderer the synth provides) and its fundamental
// measured against equal temperament (A4 = 440 Hz). The synth resolves pitch in whole cents,
// dropping fractions from a base that differs from sample to sample, so the nearest whole cent
// is requested with half a cent to spare, checked by a second rendering and moved by the whole
// cents it missed by; a third rendering measures what is left, the residual a reference other
// than 440 Hz needs.

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "pitch/pitch_corrections.h"

namespace pitch {

// Plays one note at a time offline, with a correction table in place.
class NoteRenderer {
public:
    virtual ~NoteRenderer() = default;
    // Loads corrections into the renderer's key tunings.
    virtual void setCorrections(const PitchCorrections& corrections) = 0;
    // Silences whatever sounds, selects `program` and renders `seconds` of `note` at full
    // velocity as one mono signal.
    virtual std::vector<float> play(int program, int note, double seconds) = 0;
    virtual double sampleRate() const = 0;
};

// Makes a fresh renderer for each measuring pass; null when the SoundFont cannot be loaded.
using RendererFactory = std::function<std::unique_ptr<NoteRenderer>()>;

// How long each note is rendered: the attack plus the estimator's longest steady part.
inline constexpr double calibrationNoteSeconds = 1.2;

// The note's distance from its equal-tempered pitch in cents, or none when it cannot be
// measured reliably.
std::optional<double> measureNoteCents(NoteRenderer& renderer, int program, int note);

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
// `cancel` becomes true, or when no renderer can be made.
std::optional<Calibration> calibrate(const RendererFactory& renderers,
                                     const std::atomic<bool>* cancel = nullptr);

// Each note's remaining error in cents after `corrections` (the before-figures with an empty
// table), by a fresh rendering; none where the note cannot be measured. Stops early (and returns
// none) when `cancel` becomes true, or when no renderer can be made.
std::optional<NoteErrors> measureErrors(const RendererFactory& renderers,
                                        const PitchCorrections* corrections,
                                        const std::atomic<bool>* cancel = nullptr);

}  // namespace pitch
