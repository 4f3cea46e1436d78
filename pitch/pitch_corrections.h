#pragma once
// Per-key pitch corrections of a SoundFont's guitar programs: the offset in cents from equal
// temperament to ask of the synth's key tuning for each note the tuner can play, so that the
// note sounds at its equal-tempered pitch. They come from the
// tables shipped for the SoundFonts Debian installs, from the user's cache, or from a
// calibration (pitch_calibration.h); key_tuning.h hands them to the synth. A SoundFont is
// known by a hash of its content, so a changed file is never corrected with another's table.

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pitch {

inline constexpr int firstGuitarProgram = 24;
inline constexpr int lastGuitarProgram = 30;
inline constexpr int guitarProgramCount = lastGuitarProgram - firstGuitarProgram + 1;
// The notes any tuning of the tuner's catalogue sounds.
inline constexpr int firstCalibratedNote = 28;
inline constexpr int lastCalibratedNote = 69;
inline constexpr int calibratedNoteCount = lastCalibratedNote - firstCalibratedNote + 1;

using CorrectionTable = std::array<std::array<double, calibratedNoteCount>, guitarProgramCount>;

struct PitchCorrections {
    // Cents, [program - firstGuitarProgram][note - firstCalibratedNote]; 0 where a note could
    // not be measured. The synth turns pitches into frequencies through whole cents, so these
    // are requests that land on the right whole cent, not the measured errors themselves.
    CorrectionTable cents{};

    // The correction of one note; 0 for programs and notes outside the table.
    double centsFor(int program, int note) const;
};

// A 64-bit FNV-1a hash of the file's bytes, or none when it is no regular file, cannot be read
// or `cancel` became true (a large SoundFont takes a fraction of a second).
std::optional<std::uint64_t> soundFontHash(const std::string& path,
                                           const std::atomic<bool>* cancel = nullptr);

// A content hash as the cache files write it: 16 lower-case hex digits.
std::string hashText(std::uint64_t hash);

// The text of a cache file for the SoundFont with hash `soundFontHash`: a format line, the
// SoundFont's hash, one line per program and a checksum of all of that.
std::string serializeCorrections(const PitchCorrections& corrections, std::uint64_t soundFontHash);

// Reads a cache file's text; none when it is damaged (its checksum catches a value changed
// within range), of another format or of another SoundFont than `soundFontHash`.
std::optional<PitchCorrections> parseCorrections(std::string_view text,
                                                 std::uint64_t soundFontHash);

// Largest correction a table may hold: SoundFonts are off by a few cents, never by a quarter
// tone; anything larger is a damaged file or a failed measurement.
inline constexpr double maxCorrectionCents = 50.0;

}  // namespace pitch
