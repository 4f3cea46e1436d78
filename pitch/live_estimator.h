#pragma once
// The pitch of a live stream (a microphone listening to a guitar): readings of the string's
// fundamental partial, the frequency a strobe tuner shows, many times a second while a tone
// sounds, and none while silence, clicks or noise sound.
//
// The stream is decimated to about 11 to 12 kHz (decimator.h). Its envelope, in 10 ms blocks,
// marks each onset (the level of the last two periods of the lowest note at least 6 dB above
// that of the two before); after the attack (note_envelope.h), a window of up to 0.35 s ending
// at the newest sample is read every 50 ms (where no onset is heard, as from a distant
// microphone, the windows slide all the same; where it gives no reading, as for a quiet note,
// one of up to 1.25 s is read in its place, and follows a note read into the noise as it fades,
// finding no new note there; not where it heard only hum on the mains frequency or twice it) as a
// spectrum (windowed_spectrum.h) and a stiff string's partial series (partial_series.h), like the
// one-shot estimator but with no hint:
// - the note (note_evidence.h) is the frequency from the lowest to the highest note (with half
//   a semitone to spare) whose partials stand furthest above the noise around them, summed up
//   to a common frequency (so a note outscores the octave and twelfth above it, whose
//   partials it holds), of those whose partials make a note: its fundamental with another
//   low partial, or, where the fundamental is lost under a small or distant microphone's
//   high-pass, the 2nd or 3rd partial with the 5th, 7th, 11th or 13th (which two strings
//   sounding together do not make; a low note's partials are looked for up to 1 kHz, its odd
//   ones that tell it from its octave among the first eight); a lower note's own partials
//   standing out make it that lower note; where a lower note's partials show under the series
//   but its own low ones do not (a small microphone's high-pass took them), the series an octave
//   or twelfth below that holds partials the one above lacks is the note, never certain in one
//   window; a lone partial under which a lower note's partials could hide in the noise is no note;
//   where a lower note's partials could hide in the noise, or the series stands only 14 to 20 dB
//   over it, or the note lies an octave, twelfth or double octave under one still ringing, the note
//   is not certain in one window either, and is read only once five windows in a row have read it,
//   their readings agreeing within their spreads and 2 cents, and no lower note (windows that hear
//   nothing, its partials dipping into the noise, or hear its series but cannot read it, neither
//   break the row nor count): the lower note's partials, weak as they may be, show within that time
//   (ten windows where a lower note was heard under the series, or under its octave above, since
//   the onset, other than a string read before it that does not hold the series among its
//   partials);
// - partials count where they stand 10 dB above the noise around them; the reading is the
//   fundamental partial of the stiff string's series fitted to them, measured where the
//   fundamental sounds and extrapolated from the fit where it does not (a damped string's
//   partials, which scatter by several cents and fit no series, give its fundamental read
//   alone where they lie near its multiples), and it comes with its spread in that noise
//   (each partial's level over the noise, propagated through the fit): readings spread by up
//   to 3 cents are made, the note itself being certain; one spread by a third of a cent or
//   more, or whose fundamental is lost, only where an earlier window of its row read the note
//   (a momentary series that passes for the octave or twelfth above is not read), and none
//   at the octave or twelfth of a note read (or read unconfirmed in two windows) since the latest
//   onset or silence and heard in the latest two seconds (a string's partials outlasting the
//   rest are not a new note; where the window holds the string's own series too, with a
//   partial the one above lacks, the string is read there);
// - a series whose strongest partial stands less than 14 dB over the noise, or a lone
//   fundamental less than 20 dB, names no note, but its reading is made where it continues a
//   row of two windows or more that read the note, read in this tone, and agrees with the row's
//   latest reading: a string's tail sinking into the noise; so is a series without its
//   fundamental, 5th and 7th partials (what two strings a fifth apart make) where no other
//   string read lately rings;
// - mains hum (50 or 60 Hz and its first harmonics) is never read as a note, nor taken for a
//   partial of one (a lower note's fundamental under a bass string beside it); a string tuned
//   onto one of its higher harmonics is read, where the hum's lower harmonics do not sound with it;
// - the window first spans 8 periods of the lowest note (so that a low note's partials are
//   resolved and cannot pass for a higher note's), and 10 periods of the note read, so the
//   first reading of a pluck comes 0.2 s after it; over a bass's range, a pluck out of silence
//   is read sooner where a shorter window reads a note an octave above the lowest or higher,
//   certain in itself;
// - where nothing has been heard for two seconds, windows come half as often, and a pluck's
//   onset brings the next at once;
// - a dropout (exact zeros, as a sound server or a recording leaves where data went missing)
//   cuts the tone: no window reaches across it, so it gives no reading rather than a wrong
//   one, and readings resume once a window's worth has followed it; so does a break of another
//   kind, samples cut out or a hole of low noise (discontinuity_detector.h), which delays the
//   stream by 26 ms.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "pitch/decimator.h"
#include "pitch/discontinuity_detector.h"
#include "pitch/live_reading.h"
#include "pitch/note_row.h"

namespace pitch {

class LiveEstimator {
public:
    static constexpr double defaultLowestNote = 33.0;
    static constexpr double defaultHighestNote = 72.0;
    // The first string's 24th fret (E6): the highest note any guitar frets.
    static constexpr double highestFrettedNote = 88.0;
    // A five-string bass's low B (B0): the lowest open string of the catalogue's instruments.
    static constexpr double lowestBassNote = 23.0;

    // Reads notes from `lowestNote` to `highestNote` (MIDI numbers), with half a semitone to
    // spare, of a stream at `sampleRate` (8 to 768 kHz; at any other rate it reads nothing).
    explicit LiveEstimator(double sampleRate, double lowestNote = defaultLowestNote,
                           double highestNote = defaultHighestNote);

    // Feeds the next samples of the stream (mono, any number at a time) and returns the
    // readings they complete, oldest first.
    std::vector<Reading> push(std::span<const float> samples);

    // Forgets the stream; the next sample pushed starts a new one after silence.
    void reset();

private:
    void findDropouts(std::span<const float> samples);
    void endOfBlock(std::uint64_t end);
    void analyse(std::uint64_t end, std::vector<Reading>& readings);
    const float* at(std::uint64_t index) const;
    // `reading` made by the window ending at decimated sample `end`, placed in the input.
    Reading atEnd(Reading reading, std::uint64_t end) const;
    // The string heard lately (since the latest onset or silence) whose octave or twelfth `hz`
    // is, its partials outlasting the rest; it is marked heard at `at`.
    std::optional<double> partialOfTone(double hz, std::uint64_t at);
    struct HeardNote;
    const HeardNote* lastRead(std::uint64_t at) const;
    // Whether a lower note was heard lately under the series of `hz` or of its octave above,
    // none of the strings read before it being that note.
    bool heardOverLower(double hz) const;

    bool usable_;
    Decimator decimator_;
    double rate_;
    double lowHz_, highHz_;
    std::size_t block_;
    std::size_t onsetBlocks_;
    std::size_t minWindow_, earlyWindow_, maxWindow_, longWindow_, hop_, idleHop_, attackSkip_;
    // How long a note heard is remembered, in decimated samples.
    std::uint64_t toneMemory_;

    // Decimated samples from the absolute index historyStart_ to received_.
    std::vector<float> history_;
    std::uint64_t historyStart_ = 0;
    std::uint64_t received_ = 0;
    // RMS of the latest blocks, newest last.
    std::vector<double> recentRms_;
    // Since the latest onset: where it began, its blocks until the attack is over, and where
    // the steady part begins once that is known.
    std::optional<std::uint64_t> onset_;
    std::vector<double> attackRms_;
    std::uint64_t steadyStart_ = 0;
    bool steady_ = false;
    std::uint64_t nextAnalysis_ = 0;
    // The notes read or nearly read (but for the row of windows) since the latest onset or
    // silence, each where last heard, whether it was read, and how many windows read it.
    struct HeardNote {
        double hz;
        std::uint64_t at;
        bool read = false;
        int windows = 1;
    };
    std::vector<HeardNote> tone_;
    // The series a lower note was heard under since the latest onset or silence, each time it
    // was heard in the latest two seconds; the note read last before the latest onset (a string
    // that may ring on under the next).
    struct SeriesOverLower {
        int note;
        std::uint64_t at;
    };
    std::vector<SeriesOverLower> overLower_;
    std::optional<double> stringBefore_;
    // Where the latest window that heard a note (more than a faint series), or a lower note
    // under one, ended.
    std::optional<std::uint64_t> lastHeard_;
    // The windows in a row that read the latest note.
    NoteRow row_;
    // Dropouts: the exact zeros running at the end of the input so far, the input samples
    // pushed, and the first decimated sample no dropout reaches.
    std::size_t dropoutSamples_;
    std::size_t zeroRun_ = 0;
    std::uint64_t inputReceived_ = 0;
    std::uint64_t cleanFrom_ = 0;
    std::vector<float> decimated_;
    DiscontinuityDetector discontinuities_;
};

}  // namespace pitch
