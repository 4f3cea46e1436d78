#include "pitch/pitch_calibration.h"

#include <cmath>

#include "pitch/pitch_estimator.h"

namespace pitch {
std::optional<double> measureNoteCents(NoteRenderer& renderer, int program, int note) {
    const std::vector<float> sound = renderer.play(program, note, calibrationNoteSeconds);
    const double nominal = noteFrequencyHz(note);
    const auto hz =
        estimateFundamentalHz(sound.data(), sound.size(), renderer.sampleRate(), nominal);
    if (!hz)
        return std::nullopt;
    return centsBetween(*hz, nominal);
}

std::optional<NoteErrors> measureErrors(const RendererFactory& renderers,
                                        const PitchCorrections* corrections,
                                        const std::atomic<bool>* cancel) {
    const auto synth = renderers ? renderers() : nullptr;
    if (!synth)
        return std::nullopt;
    if (corrections)
        synth->setCorrections(*corrections);
    NoteErrors errors;
    for (int p = 0; p < guitarProgramCount; ++p) {
        for (int n = 0; n < calibratedNoteCount; ++n) {
            if (cancel && cancel->load())
                return std::nullopt;
            errors[p][n] =
                measureNoteCents(*synth, firstGuitarProgram + p, firstCalibratedNote + n);
        }
    }
    return errors;
}

std::optional<Calibration> calibrate(const RendererFactory& renderers,
                                     const std::atomic<bool>* cancel) {
    const auto before = measureErrors(renderers, nullptr, cancel);
    if (!before)
        return std::nullopt;
    // The whole cents each note should move, and a first request half a cent above them.
    Calibration result;
    result.errors = *before;
    std::array<std::array<std::optional<int>, calibratedNoteCount>, guitarProgramCount> wanted;
    PitchCorrections first;
    for (int p = 0; p < guitarProgramCount; ++p) {
        for (int n = 0; n < calibratedNoteCount; ++n) {
            const auto& error = (*before)[p][n];
            if (!error || std::abs(*error) > maxCorrectionCents)
                continue;
            wanted[p][n] = static_cast<int>(std::lround(-*error));
            first.cents[p][n] = *wanted[p][n] + 0.5;
        }
    }
    // The second rendering shows the whole cents each request really moved its note; a request
    // moved by the difference lands on the wanted cent, as the synth's rounding steps are whole.
    const auto check = measureErrors(renderers, &first, cancel);
    if (!check)
        return std::nullopt;
    for (int p = 0; p < guitarProgramCount; ++p) {
        for (int n = 0; n < calibratedNoteCount; ++n) {
            const auto& error = (*before)[p][n];
            const auto& corrected = (*check)[p][n];
            if (!wanted[p][n] || !corrected) {
                result.unmeasured.push_back({firstGuitarProgram + p, firstCalibratedNote + n});
                continue;
            }
            const long moved = std::lround(*corrected - *error);
            result.corrections.cents[p][n] =
                first.cents[p][n] + static_cast<double>(*wanted[p][n] - moved);
        }
    }
    // What is left of each note's error at 440 Hz, by a rendering of the final requests: at
    // another reference it decides which whole cent comes nearest. A note that stays further
    // off than a residual can be keeps none and moves by the rounded offset.
    const auto residuals = measureErrors(renderers, &result.corrections, cancel);
    if (!residuals)
        return std::nullopt;
    for (int p = 0; p < guitarProgramCount; ++p)
        for (int n = 0; n < calibratedNoteCount; ++n)
            if (const auto& r = (*residuals)[p][n]; r && std::abs(*r) <= maxResidualCents)
                result.corrections.residual[p][n] = *r;
    return result;
}

}  // namespace pitch
