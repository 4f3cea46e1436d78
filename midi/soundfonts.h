#pragma once
// The General MIDI SoundFonts the built-in synth looks for, best first, each with the synth gain
// that puts a single guitar note at full velocity (programs 24 to 30, notes 28 to 69) between
// -12 and -1 dBFS: measured peaks at gain 1.5 were -10.5 to -3.7 dBFS for TimGM6mb, and FluidR3
// runs about 5 dB hotter.

#include <string>

namespace midi {

struct SoundFontChoice {
    const char* path;
    double gain;
};

inline constexpr SoundFontChoice soundFontCandidates[] = {
    // Looped guitar samples that hold their pitch; loads in about 20 ms.
    {"/usr/share/sounds/sf2/TimGM6mb.sf2", 1.5},
    {"/usr/share/sounds/sf2/FluidR3_GM.sf2", 0.95},
    {"/usr/share/sounds/sf2/default-GM.sf2", 0.95},
    {"/usr/share/sounds/sf3/default-GM.sf3", 0.95},
};

// Gain for a SoundFont that is none of the candidates.
inline constexpr double unknownSoundFontGain = 1.0;

// Names a SoundFont file to play instead of the candidates (a font of the user's own, or one of
// the others installed, as the benchmarks compare them); ignored when it names no file.
inline constexpr const char* soundFontVariable = "TOLMARY_SOUNDFONT";

// The SoundFont soundFontVariable names, else the first installed candidate, or none (empty
// path) when no General MIDI font is installed.
SoundFontChoice installedSoundFont();

// The gain that suits `path`: its candidate's gain, else unknownSoundFontGain.
double gainFor(const std::string& path);

}  // namespace midi
