// Reference pitch of every guitar program and calibrated note of each installed SoundFont:
// maximum and mean absolute error before and after the corrections, each by its own rendering.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "midi/offline_synth.h"
#include "midi/soundfonts.h"
#include "pitch/pitch_calibration.h"
#include "pitch/shipped_pitch_corrections.h"

int main() {
    using namespace midi;
    using namespace pitch;
    for (const SoundFontChoice& font : soundFontCandidates) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(font.path, ec))
            continue;
        if (std::filesystem::is_symlink(font.path, ec))
            continue;
        const auto start = std::chrono::steady_clock::now();
        const auto renderers = offlineSynths(font.path, font.gain);
        const auto calibration = calibrate(renderers);
        const auto calibrated = std::chrono::steady_clock::now();
        if (!calibration)
            continue;
        const auto& before = calibration->errors;
        // What a user hears: the shipped table where the SoundFont has one.
        const auto hash = soundFontHash(font.path);
        const auto shipped = hash ? shippedCorrectionsFor(*hash) : std::nullopt;
        const PitchCorrections& applied = shipped ? *shipped : calibration->corrections;
        const auto after = measureErrors(renderers, &applied);
        if (!after)
            continue;
        const double seconds = std::chrono::duration<double>(calibrated - start).count();
        std::printf("\n%s (%s table; calibration %.1f s, %zu notes unmeasured)\n", font.path,
                    shipped ? "shipped" : "freshly calibrated", seconds,
                    calibration->unmeasured.size());
        std::printf("program | before max | before mean | after max | after mean | unmeasured\n");
        for (int p = 0; p < guitarProgramCount; ++p) {
            double maxBefore = 0, sumBefore = 0, maxAfter = 0, sumAfter = 0;
            int countBefore = 0, countAfter = 0, missing = 0;
            for (int n = 0; n < calibratedNoteCount; ++n) {
                if (const auto& e = before[p][n]) {
                    maxBefore = std::max(maxBefore, std::abs(*e));
                    sumBefore += std::abs(*e);
                    ++countBefore;
                }
                if (const auto& e = (*after)[p][n]) {
                    maxAfter = std::max(maxAfter, std::abs(*e));
                    sumAfter += std::abs(*e);
                    ++countAfter;
                } else {
                    ++missing;
                }
            }
            std::printf("%7d | %10.2f | %11.2f | %9.3f | %10.2f | %d\n", firstGuitarProgram + p,
                        maxBefore, countBefore ? sumBefore / countBefore : 0.0, maxAfter,
                        countAfter ? sumAfter / countAfter : 0.0, missing);
        }
    }
    return 0;
}
