// Renders single plucked notes of the recorded guitars in Debian's FluidR3_GM SoundFont (MIT
// licence), detuned, and writes each as a short mono WAV file at a quarter of the synth's
// rate: a lead of silence, then the note. The name tells the sound, the note and the detuning
// in cents ("overdrive-B3+12.wav"), which is all the tests need to know of it.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "midi/offline_synth.h"
#include "midi/soundfonts.h"
#include "pitch/decimator.h"
#include "pitch/pitch_corrections.h"
#include "pitch/reading_text.h"
#include "tests/support/wav_file.h"

namespace {

constexpr const char* soundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
constexpr double leadSeconds = 0.25;
constexpr double noteSeconds = 1.3;
// A quarter of 44.1 kHz: what the listening tuner analyses a microphone at, and small files.
constexpr double excerptRate = 11025.0;

struct Excerpt {
    const char* sound;
    int program;
    int note;
    int detuneCents;
};

// The six open strings and a seven-string guitar's B1 and a drop tuning's D2, over the seven
// guitar sounds; the overdriven and distorted ones, whose intermodulation and strong upper
// partials mislead most, twice.
constexpr Excerpt excerpts[] = {
    {"nylon", 24, 35, -21},    {"nylon", 24, 40, 8},       {"steel", 25, 45, 17},
    {"steel", 25, 50, -9},     {"jazz", 26, 55, 26},       {"clean", 27, 59, -14},
    {"clean", 27, 64, 5},      {"muted", 28, 38, -27},     {"overdrive", 29, 55, 12},
    {"overdrive", 29, 59, -6}, {"distortion", 30, 40, 19}, {"distortion", 30, 59, -17},
};

std::string fileName(const Excerpt& e) {
    char cents[16];
    std::snprintf(cents, sizeof cents, "%+d", e.detuneCents);
    return std::string(e.sound) + '-' + pitch::noteName(e.note) + cents + ".wav";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    std::string error;
    auto synth = midi::OfflineSynth::create(soundFont, midi::gainFor(soundFont), error);
    if (!synth) {
        std::fprintf(stderr, "%s: %s\n", soundFont, error.c_str());
        return 1;
    }
    for (const Excerpt& e : excerpts) {
        pitch::PitchCorrections corrections;
        corrections
            .cents[e.program - pitch::firstGuitarProgram][e.note - pitch::firstCalibratedNote] =
            e.detuneCents;
        synth->setCorrections(corrections);
        std::vector<float> full(static_cast<std::size_t>(leadSeconds * synth->sampleRate()), 0.0f);
        const auto sound = synth->play(e.program, e.note, noteSeconds);
        full.insert(full.end(), sound.begin(), sound.end());

        pitch::Decimator decimator(synth->sampleRate(), excerptRate, 4600.0);
        std::vector<float> reduced;
        decimator.push(full, reduced);
        const std::filesystem::path path = std::filesystem::path(argv[1]) / fileName(e);
        if (!testing::writeWav(path.string(), {reduced, decimator.outputRate()})) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s: %zu samples at %.0f Hz\n", path.c_str(), reduced.size(),
                    decimator.outputRate());
    }
    return 0;
}
