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
inline constexpr int firstTunerNote = 28;
inline constexpr int lastTunerNote = 69;
// Those and one beyond each end, whose samples sound the end notes at a reference half a
// semitone or more away (PitchCorrections::requestFor).
inline constexpr int firstCalibratedNote = firstTunerNote - 1;
inline constexpr int lastCalibratedNote = lastTunerNote + 1;
inline constexpr int calibratedNoteCount = lastCalibratedNote - firstCalibratedNote + 1;

using CorrectionTable = std::array<std::array<double, calibratedNoteCount>, guitarProgramCount>;

struct PitchCorrections {
    // Cents, [program - firstGuitarProgram][note - firstCalibratedNote]; 0 where a note could
    // not be measured. The synth turns pitches into frequencies through whole cents, so these
    // are requests that land on the right whole cent at A4 = 440 Hz, not the measured errors
    // themselves.
    CorrectionTable cents{};
    // What each note still measures with `cents` requested at 440 Hz, in cents sharp (within
    // about half a cent). A reference whose offset is no whole number of cents needs it: each
    // note then picks the whole cent nearest its own exact pitch.
    CorrectionTable residual{};

    // The correction of one note; 0 for programs and notes outside the table.
    double centsFor(int program, int note) const;
    // The key tuning request that puts the note nearest its pitch at a reference `offsetCents`
    // from 440 Hz: its request at 440 Hz moved by whole cents only, as a whole cent moves the
    // note by exactly one whatever fraction the synth drops. The synth sounds a key with the
    // sample of the key nearest its tuned pitch: moved half a semitone or more, a note sounds
    // its neighbour's sample and takes the neighbour's correction.
    double requestFor(int program, int note, double offsetCents) const;
};

// How far a key's tuning may move it before the synth sounds the neighbouring key's sample.
inline constexpr double halfSemitone = 50.0;

// A 64-bit FNV-1a hash of the file's bytes, or none when it is no regular file, cannot be read
// or `cancel` became true (a large SoundFont takes a fraction of a second).
std::optional<std::uint64_t> soundFontHash(const std::string& path,
                                           const std::atomic<bool>* cancel = nullptr);

// A content hash as the cache files write it: 16 lower-case hex digits.
std::string hashText(std::uint64_t hash);

// The text of a cache file for the SoundFont with hash `soundFontHash`: a format line, the
// SoundFont's hash, a line of requests and a line of residuals per program and a checksum of all
// of that.
std::string serializeCorrections(const PitchCorrections& corrections, std::uint64_t soundFontHash);

// Reads a cache file's text; none when it is damaged (its checksum catches a value changed
// within range), of another format or of another SoundFont than `soundFontHash`.
std::optional<PitchCorrections> parseCorrections(std::string_view text,
                                                 std::uint64_t soundFontHash);

// Largest correction a table may hold: SoundFonts are off by a few cents, never by a quarter
// tone; anything larger is a damaged file or a failed measurement.
inline constexpr double maxCorrectionCents = 50.0;
// Largest residual a table may hold: a note measured within half a cent, with room for the
// estimator's hundredths.
inline constexpr double maxResidualCents = 1.0;

}  // namespace pitch
