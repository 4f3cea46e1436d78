#include "pitch/note_row.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "pitch/pitch_estimator.h"

namespace pitch {
namespace {

// The readings of a row agree within this many of their spreads, and this many cents more (a
// string's pitch glides between windows of different lengths): a series whose reading jumps
// further from one window to the next is partials of more than one note fitted as one (a
// distorted B1's even partials and what the distortion made of its odd ones, read as B2).
constexpr double rowAgreementSpreads = 3.0;
constexpr double rowAgreementCents = 2.0;

// Semitones from a note to its partials 2 to 8: where a lone component names no note, it may
// be the row's note's partial standing out of the noise alone (a clean electric G3's 4th).
constexpr int partialSemitones[] = {12, 19, 24, 28, 31, 34, 36};

// An uncertain reading of a note on the row's partials leaves a row of this many readings be,
// up to this many windows in a row.
constexpr int rowOfPartials = 2;
constexpr int partialWindowsLeftBe = 2;

bool onPartial(int note, int rowNote) {
    return std::ranges::find(partialSemitones, note - rowNote) != std::end(partialSemitones);
}

bool agree(const Reading& a, const Reading& b) {
    return std::abs(centsBetween(a.hz, b.hz)) <=
           rowAgreementSpreads * std::hypot(a.spreadCents, b.spreadCents) + rowAgreementCents;
}

}  // namespace

bool NoteRow::continues(const Reading& reading) const {
    return reading_ && agree(reading, *reading_);
}

void NoteRow::add(const Window& window) {
    if (!window.note && !window.overLowerNote)
        return;
    const int above = window.overLowerNote && note_ ? *window.overLowerNote - *note_ : 0;
    if (above == 12 || above == 19)
        return;
    if (window.lone && !window.reading && window.note && note_ && onPartial(*window.note, *note_))
        return;
    // Where a string's lower partials dip into the noise for a moment, the window may read one
    // of its upper partials as a note (an overdriven D2 through a phone, read as D4 or F#4
    // now and then): that leaves a row of the string's readings be. A new string there,
    // plucked too softly for an onset to be heard, breaks the row in the third window.
    if (window.reading && window.uncertain && window.note && note_ && windows_ >= rowOfPartials &&
        partialWindows_ < partialWindowsLeftBe && onPartial(*window.note, *note_)) {
        ++partialWindows_;
        return;
    }
    partialWindows_ = 0;
    int row = window.note && window.note == note_ ? windows_ : 0;
    if (row > 0 && window.reading && window.uncertain && reading_ &&
        !agree(*window.reading, *reading_))
        row = 0;
    if (window.reading)
        reading_ = window.reading;
    note_ = window.note;
    windows_ = window.note ? row + (window.reading ? 1 : 0) : 0;
}

}  // namespace pitch
