#include "pitch/live_estimator.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <utility>

#include "pitch/note_envelope.h"
#include "pitch/note_evidence.h"
#include "pitch/partial_series.h"
#include "pitch/pitch_estimator.h"
#include "pitch/window_reading.h"
#include "pitch/windowed_spectrum.h"

namespace pitch {
namespace {

// A stream at a rate outside these gives no readings: below, the partials read do not fit.
constexpr double minSampleRate = 8000.0;
constexpr double maxSampleRate = 768000.0;
// Half a semitone beyond the lowest and highest note, so that a string tuned far off is read.
constexpr double rangeMarginNotes = 0.5;
// The decimated rate: the 8th partial of note 72 (4.2 kHz, a little more on a stiff string)
// stays in the passband.
constexpr double minDecimatedRate = 11000.0;
constexpr double passbandHz = 4600.0;
// An onset: the level of the last blocks (two periods of the lowest note) this much above that
// of the same span before.
constexpr double onsetRatio = 2.0;
// The peak of a pluck lies within this many blocks of its onset.
constexpr std::size_t attackBlocks = 8;
// Windows: before any analysis, this many periods of the lowest note, so that a low note's
// partials are resolved and cannot pass for a higher note's; at most this long, so that a turned
// tuning peg shows at once.
constexpr double minPeriodsOfLowest = 8.0;
constexpr double maxWindowSeconds = 0.35;
// Where such a window gives no reading (a distant microphone's partials hardly rise from the
// room's noise), one of up to this long ending at the same sample: a steady partial stands 5.5
// dB further above the noise, at the cost of following a turned peg more slowly. It is tried
// only where at least this much longer than the short window.
constexpr double longWindowSeconds = 1.25;
constexpr double minLongWindowShare = 1.25;
// Before a pluck's window spans minPeriodsOfLowest periods of the lowest note, early windows,
// from as many periods of the twelfth above it: one is read only where it reads, sure in
// itself, a note this multiple of the lowest or higher (whose partials it resolves), so that a
// guitar's pluck is read before the window could hold a bass's B0; a bass's low strings wait
// for the full window. They are no shorter than this: shorter ones read a steady sine up to
// 0.2 cents off.
constexpr double earlyWindowShare = 3.0;
constexpr double earlyReadShare = 2.0;
constexpr double minEarlyWindowSeconds = 0.1;
// A string does not leap to its own octave or twelfth: until a new onset or silence, a series
// there (within this much) of a note heard in the latest seconds is the string's own partials
// outlasting the rest.
constexpr double partialOfToneCents = 50.0;
constexpr double partialsOfTone[] = {2.0, 3.0};
constexpr double octaveShare[] = {2.0};
// A note never read counts once this many windows have read it: a component that made a lower
// series for one window (a bass G2 through a phone once read as G1) does not silence the string
// above it for as long as it rings.
constexpr int windowsOfAToneNote = 2;
// Nor does it leap down to a note whose partials it is, up to its double octave.
constexpr double partialsOfLowerNote[] = {2.0, 3.0, 4.0};
constexpr double toneMemorySeconds = 2.0;
// Where a note is not certain in one window (it hardly rises from the noise, or the partials of
// a lower note could hide there), it is read once this many windows in a row have read it and no
// lower note: a lower note whose odd partials are weak shows them within that time, as it is
// heard through a distant phone. Windows that hear no note at all (its partials dipping into
// the noise), or hear its series but cannot read it (too faint or too imprecise, no evidence
// that no lower note sounds), do not break the row nor count towards it.
constexpr int uncertainNoteWindows = 5;
// Where a lower note was heard under the series since the latest onset, twice as many: an
// overdriven string's odd partials may dip into the noise for a quarter of a second, leaving
// its octave or double octave above. A string read before the onset, still ringing, lower and
// not holding the series among its partials, is that lower note.
constexpr int overLowerNoteWindows = 10;
// A reading that names no note of its own continues a row of at least this many windows.
constexpr int rowToContinue = 2;
// A run of exact zeros this long is a dropout, not a zero crossing of a tone or a quiet room.
constexpr double dropoutSeconds = 0.0003;
// Time between readings.
constexpr double hopSeconds = 0.05;
// Where no note has been heard for toneMemorySeconds and no pluck is being heard (a tuner left
// listening to an empty room), this long: a pluck's onset brings its first window at once.
constexpr double idleHopSeconds = 0.1;

// Whether `upper` lies within partialOfToneCents of one of the multiples `shares` of `lower`.
bool onMultiple(double upper, double lower, std::span<const double> shares) {
    return std::ranges::any_of(
        shares,
        [&](double k) { return std::abs(centsBetween(upper, k * lower)) < partialOfToneCents; });
}

bool usable(double sampleRate) {
    return sampleRate >= minSampleRate && sampleRate <= maxSampleRate;
}

}  // namespace

LiveEstimator::LiveEstimator(double sampleRate, double lowestNote, double highestNote)
    : usable_(usable(sampleRate)),
      decimator_(usable_ ? sampleRate : minSampleRate, minDecimatedRate, passbandHz),
      rate_(decimator_.outputRate()),
      lowHz_(noteFrequencyHz(lowestNote - rangeMarginNotes)),
      highHz_(noteFrequencyHz(highestNote + rangeMarginNotes)),
      block_(envelopeBlock(rate_, highHz_)),  // 10 ms
      onsetBlocks_((envelopeBlock(rate_, lowHz_) + block_ - 1) / block_),
      minWindow_(static_cast<std::size_t>(std::ceil(minPeriodsOfLowest * rate_ / lowHz_))),
      earlyWindow_(static_cast<std::size_t>(std::ceil(
          std::max(minPeriodsOfLowest / (earlyWindowShare * lowHz_), minEarlyWindowSeconds) *
          rate_))),
      maxWindow_(static_cast<std::size_t>(maxWindowSeconds * rate_)),
      longWindow_(static_cast<std::size_t>(longWindowSeconds * rate_)),
      hop_(static_cast<std::size_t>(hopSeconds * rate_)),
      idleHop_(static_cast<std::size_t>(idleHopSeconds * rate_)),
      attackSkip_(attackSkip(rate_)),
      toneMemory_(static_cast<std::uint64_t>(toneMemorySeconds * rate_)),
      dropoutSamples_(static_cast<std::size_t>(std::ceil(dropoutSeconds * sampleRate))),
      discontinuities_(usable_ ? sampleRate : minSampleRate) {
    reset();
}

void LiveEstimator::reset() {
    decimator_.reset();
    history_.clear();
    historyStart_ = 0;
    received_ = 0;
    // The stream starts after silence.
    recentRms_.assign(2 * onsetBlocks_, 0.0);
    onset_.reset();
    attackRms_.clear();
    steady_ = false;
    steadyStart_ = 0;
    nextAnalysis_ = 0;
    row_ = {};
    lastHeard_.reset();
    tone_.clear();
    overLower_.clear();
    stringBefore_.reset();
    zeroRun_ = 0;
    inputReceived_ = 0;
    cleanFrom_ = 0;
    discontinuities_.reset();
}

std::optional<double> LiveEstimator::partialOfTone(double hz, std::uint64_t at) {
    const auto own = std::ranges::find_if(
        tone_, [&](const HeardNote& note) { return nearestNote(note.hz) == nearestNote(hz); });
    // A note read already is the string's, whatever was heard below it since (a faint component
    // an octave under an overdriven string, read in a long window but never confirmed).
    if (own != tone_.end() && own->read)
        return std::nullopt;
    // A note never read claims the series only where it was heard in more windows than the
    // series' own note: an overdriven E4 through a phone, heard for three windows, then for two
    // over a component an octave under it that the distortion made, is still E4.
    const int ownWindows = own == tone_.end() ? 0 : own->windows;
    const auto note = std::ranges::find_if(tone_, [&](const HeardNote& note) {
        return (note.read || (note.windows >= windowsOfAToneNote && note.windows > ownWindows)) &&
               onMultiple(hz, note.hz, partialsOfTone);
    });
    if (note == tone_.end())
        return std::nullopt;
    // Its partials still ringing, the note is still heard.
    note->at = at;
    return note->hz;
}

bool LiveEstimator::heardOverLower(double hz) const {
    const auto explains = [&](double lower) {
        return nearestNote(lower) < nearestNote(hz) && !onMultiple(hz, lower, partialsOfLowerNote);
    };
    if ((stringBefore_ && explains(*stringBefore_)) ||
        std::ranges::any_of(tone_, [&](const HeardNote& n) { return n.read && explains(n.hz); }))
        return false;
    // Under the series an octave above, the lower note may be this one, heard by its upper
    // partials, or one below it whose odd partials have dipped into the noise (an overdriven
    // B1 through a phone, read as B2 from its 4th, 6th and 10th partials).
    const int note = nearestNote(hz);
    return std::ranges::any_of(overLower_, [&](const SeriesOverLower& heard) {
        return heard.note == note || heard.note == note + 12;
    });
}

const LiveEstimator::HeardNote* LiveEstimator::lastRead(std::uint64_t at) const {
    const HeardNote* last = nullptr;
    for (const HeardNote& note : tone_)
        if (note.read && at - note.at <= toneMemory_ && (!last || note.at > last->at))
            last = &note;
    return last;
}

Reading LiveEstimator::atEnd(Reading reading, std::uint64_t end) const {
    // Decimated sample j is the filtered input at sample j times the factor.
    reading.atSample = (end - 1) * static_cast<std::uint64_t>(decimator_.factor()) + 1;
    return reading;
}

const float* LiveEstimator::at(std::uint64_t index) const {
    return history_.data() + (index - historyStart_);
}

std::vector<Reading> LiveEstimator::push(std::span<const float> input) {
    std::vector<Reading> readings;
    if (!usable_)
        return readings;
    // A break found in the stream cuts the tone as a dropout does.
    const std::span<const float> samples = discontinuities_.push(input);
    findDropouts(samples);
    cleanFrom_ = std::max(
        cleanFrom_, (discontinuities_.cleanFrom() + decimator_.reach() + decimator_.factor() - 1) /
                        decimator_.factor());
    decimated_.clear();
    decimator_.push(samples, decimated_);
    history_.insert(history_.end(), decimated_.begin(), decimated_.end());
    const std::uint64_t end = received_ + decimated_.size();
    // Envelope blocks and analyses in the order of their times.
    while (received_ < end) {
        const std::uint64_t blockEnd = (received_ / block_ + 1) * block_;
        const std::uint64_t analysis = std::max(nextAnalysis_, received_ + 1);
        const std::uint64_t next = std::min({blockEnd, analysis, end});
        received_ = next;
        if (next == blockEnd)
            endOfBlock(next);
        if (next == analysis)
            analyse(next, readings);
    }
    // Keep what the longest window and an attack still to be placed can reach.
    const std::uint64_t keep = longWindow_ + (attackBlocks + 2 * onsetBlocks_) * block_;
    if (history_.size() > 2 * keep) {
        const std::size_t drop = history_.size() - keep;
        history_.erase(history_.begin(), history_.begin() + static_cast<std::ptrdiff_t>(drop));
        historyStart_ += drop;
    }
    return readings;
}

void LiveEstimator::findDropouts(std::span<const float> samples) {
    const auto factor = static_cast<std::uint64_t>(decimator_.factor());
    for (std::size_t i = 0; i <= samples.size(); ++i) {
        const bool zero = i < samples.size() && samples[i] == 0.0f;
        if (zero) {
            ++zeroRun_;
            continue;
        }
        // At a run's end, or where the pushed samples end inside a long one.
        if (zeroRun_ >= dropoutSamples_) {
            const std::uint64_t after = inputReceived_ + i + decimator_.reach();
            cleanFrom_ = std::max(cleanFrom_, (after + factor - 1) / factor);
        }
        if (i < samples.size())
            zeroRun_ = 0;
    }
    inputReceived_ += samples.size();
}

void LiveEstimator::endOfBlock(std::uint64_t end) {
    const double rms = blockRms(at(end - block_), block_);
    recentRms_.erase(recentRms_.begin());
    recentRms_.push_back(rms);
    if (!steady_ && !attackRms_.empty()) {
        attackRms_.push_back(rms);
        if (attackRms_.size() == attackBlocks) {
            steadyStart_ = *onset_ + attackEndBlock(attackRms_) * block_ + attackSkip_;
            steady_ = true;
            nextAnalysis_ = std::max(nextAnalysis_, steadyStart_ + earlyWindow_);
        }
    }
    // No new onset until the level it is compared with lies wholly after the last one.
    if (onset_ && end - *onset_ < 2 * onsetBlocks_ * block_)
        return;
    const auto level = [&](std::size_t first) {
        double sum = 0.0;
        for (std::size_t i = first; i < first + onsetBlocks_; ++i)
            sum += recentRms_[i] * recentRms_[i];
        return std::sqrt(sum / static_cast<double>(onsetBlocks_));
    };
    const double now = level(onsetBlocks_);
    if (now >= silenceRms && now >= onsetRatio * level(0)) {
        onset_ = end - block_;
        const HeardNote* last = lastRead(end);
        stringBefore_ = last ? std::optional(last->hz) : std::nullopt;
        tone_.clear();
        overLower_.clear();
        attackRms_ = {rms};
        steady_ = false;
    }
}

void LiveEstimator::analyse(std::uint64_t end, std::vector<Reading>& readings) {
    nextAnalysis_ = end + hop_;
    // A window not read breaks the row.
    const NoteRow row = std::exchange(row_, NoteRow{});
    // While a new pluck's attack is being placed, nothing is read; where no onset was heard
    // (a distant microphone's note hardly rises above the room), the windows simply slide.
    if (onset_ && !steady_)
        return;
    const std::uint64_t earliest = std::max(steadyStart_, cleanFrom_);
    if (end < earliest + earlyWindow_)
        return;
    const bool early = end < earliest + minWindow_;
    // An early window's reading is shown, but what the tone holds is built from full windows,
    // as it was before it. Only a pluck out of silence is read early: a string still ringing
    // beside the new one, a tone away, makes one peak with it in so short a window (a jazz E2
    // and a D2 plucked after it were read as 77.5 Hz), and after a dropout inside a tone a
    // short window tells nothing new. The full windows fall where they would without the
    // early ones.
    if (early && (stringBefore_ || !tone_.empty())) {
        nextAnalysis_ = earliest + minWindow_;
        return;
    }
    if (recentRms_.back() < silenceRms) {
        if (early)
            return;
        tone_.clear();
        overLower_.clear();
        stringBefore_.reset();
        lastHeard_.reset();
        return;
    }
    const std::uint64_t start = std::max(earliest, end - std::min<std::uint64_t>(end, maxWindow_));
    const auto n = static_cast<std::size_t>(end - start);
    const Spectrum spectrum(at(start), n, rate_);
    // Until a note is read in this tone, a component an octave under the series that stands as
    // far over the noise, however weak, is its fundamental under a phone's high-pass; once one
    // is, such a component is another string ringing in sympathy, or an artefact of the sound.
    const bool firstNote = std::ranges::none_of(tone_, &HeardNote::read);
    // The strings read lately, which may ring on and lend a new string's series partials.
    std::vector<double> ringing;
    for (const HeardNote& note : tone_)
        if (note.read && end - note.at <= toneMemory_)
            ringing.push_back(note.hz);
    WindowOutcome outcome = readSpectrum(spectrum, n, rate_, lowHz_, highHz_, firstNote, ringing);
    if (early) {
        if (outcome.reading && outcome.sure && outcome.reading->hz >= earlyReadShare * lowHz_)
            readings.push_back(atEnd(*outcome.reading, end));
        else if (outcome.needs > n)
            nextAnalysis_ = std::min(nextAnalysis_, start + outcome.needs);
        nextAnalysis_ = std::min(nextAnalysis_, earliest + minWindow_);
        return;
    }
    // A quiet note: the longer window's evidence, its reading never standing alone. Where the
    // short window heard no note (a fading note sinks into its noise first), it is asked only
    // for the note read last, up to two seconds after it was last heard; in the two seconds
    // after a pluck where no note has been read yet, for any note (a distant phone's string may
    // never rise far enough over the noise of the short window); or, where a row of windows is
    // reading a note heard lately, only for a lower note under it, which breaks the row: what a
    // string's tail holds (partials outlasting the rest) is no new string. Where there is no
    // pluck to hear nor row to break, or only noise has been heard lately (a faint series in it
    // now and then), it is not tried, so that a noisy room costs little.
    const auto longN =
        static_cast<std::size_t>(std::min<std::uint64_t>(longWindow_, end - earliest));
    std::optional<Spectrum> longSpectrum;
    // The window the outcome was read from.
    const Spectrum* read = &spectrum;
    std::size_t readN = n;
    const HeardNote* fading = outcome.heard ? nullptr : lastRead(end);
    const bool rowToBreak = row.windows() > 0 && lastHeard_ && end - *lastHeard_ <= toneMemory_;
    const bool afterPluck = !fading && onset_ && end - *onset_ <= toneMemory_;
    if (!outcome.reading && outcome.needs == 0 &&
        (outcome.heard || fading || rowToBreak || afterPluck) &&
        static_cast<double>(longN) >= minLongWindowShare * static_cast<double>(n)) {
        longSpectrum.emplace(at(end - longN), longN, rate_);
        WindowOutcome longOutcome =
            fading ? readNoteAt(*longSpectrum, refinedSeriesHz(*longSpectrum, fading->hz, rate_),
                                longN, rate_, lowHz_, highHz_, true, ringing)
                   : readSpectrum(*longSpectrum, longN, rate_, lowHz_, highHz_, firstNote, ringing);
        const bool newNote = !outcome.heard && !afterPluck && longOutcome.note &&
                             (!fading || *longOutcome.note != nearestNote(fading->hz));
        if ((longOutcome.note || longOutcome.overLowerNote) && !newNote) {
            outcome = longOutcome;
            read = &*longSpectrum;
            readN = longN;
        }
    }
    // A series on the octave or twelfth of a note heard lately is that string's partials
    // outlasting the rest (or standing out of the noise for a moment): it is not read. Where
    // the window holds the string's own series too, with a partial the one above lacks, the
    // string is read there: an overdriven D2 through a phone, its 3rd, 6th and 9th partials
    // outweighing the rest, makes the series on A3 stand out in most windows.
    std::erase_if(tone_, [&](const HeardNote& note) { return end - note.at > toneMemory_; });
    std::optional<double> string =
        outcome.reading ? partialOfTone(outcome.reading->hz, end) : std::nullopt;
    if (string) {
        WindowOutcome own = readNoteAt(*read, refinedSeriesHz(*read, *string, rate_), readN, rate_,
                                       lowHz_, highHz_, true, ringing);
        const bool octave = onMultiple(outcome.reading->hz, *string, octaveShare);
        if (own.reading && own.note == nearestNote(*string) &&
            (octave ? own.oddPartial : own.nonTriplePartial) &&
            !partialOfTone(own.reading->hz, end)) {
            outcome = std::move(own);
            string.reset();
        }
    }
    const bool partial = string.has_value();
    // A longer window's reading never stands alone.
    if (read != &spectrum)
        outcome.sure = false;
    std::erase_if(overLower_,
                  [&](const SeriesOverLower& heard) { return end - heard.at > toneMemory_; });
    if (outcome.overLowerNote)
        overLower_.push_back({*outcome.overLowerNote, end});
    if ((outcome.note || outcome.overLowerNote) && !outcome.faint)
        lastHeard_ = end;
    const bool recent = (lastHeard_ && end - *lastHeard_ <= toneMemory_) ||
                        (onset_ && end - *onset_ <= toneMemory_) || lastRead(end);
    if (!recent)
        nextAnalysis_ = end + idleHop_;
    // The partials of a note heard lately leave the row be.
    row_ = row;
    if (!partial)
        row_.add({outcome.note, outcome.overLowerNote, outcome.reading, outcome.uncertain,
                  outcome.lone});
    if (outcome.needs > n && outcome.needs <= maxWindow_)
        nextAnalysis_ = std::min(nextAnalysis_, start + outcome.needs);
    if (!outcome.reading || partial) {
        // The tail of a string read in this tone, too faint to name it or left with partials
        // two strings could make, goes on being read where its row holds and it agrees with
        // the row's latest reading.
        const auto readInTone = [&](const HeardNote& note) {
            return note.read && nearestNote(note.hz) == outcome.note;
        };
        if (outcome.continuation && row_.note() == outcome.note &&
            row_.windows() >= rowToContinue && row_.continues(*outcome.continuation) &&
            std::ranges::any_of(tone_, readInTone))
            readings.push_back(atEnd(*outcome.continuation, end));
        return;
    }
    const Reading reading = atEnd(*outcome.reading, end);
    // A note below one still ringing, whose partials it holds, may be that one's partials and
    // the noise taken for a lower series: it is not certain in one window; a lone component
    // with scattered partials near its multiples is then no note at all. A note heard in one
    // window only is no string ringing: a bass A1 behind a phone's high-pass, its 2nd and 4th
    // partials read once as A2, would need twice as many windows for it.
    if (std::ranges::any_of(tone_, [&](const HeardNote& note) {
            return (note.read || note.windows >= windowsOfAToneNote) &&
                   onMultiple(note.hz, reading.hz, partialsOfLowerNote);
        })) {
        if (outcome.damped)
            return;
        outcome.uncertain = true;
    }
    // A window that left another note's row be is no part of it.
    const bool confirmed =
        row_.note() == outcome.note &&
        (outcome.uncertain ? row_.windows() >= (heardOverLower(reading.hz) ? overLowerNoteWindows
                                                                           : uncertainNoteWindows)
                           : outcome.sure || row_.windows() >= 2);
    if (confirmed)
        readings.push_back(reading);
    // The tone holds each note once, where last heard.
    const auto same = [&](const HeardNote& note) { return nearestNote(note.hz) == *outcome.note; };
    HeardNote heard{reading.hz, end, confirmed};
    if (const auto earlier = std::ranges::find_if(tone_, same); earlier != tone_.end()) {
        heard.read = heard.read || earlier->read;
        heard.windows = earlier->windows + 1;
        tone_.erase(earlier);
    }
    tone_.push_back(heard);
}

}  // namespace pitch
