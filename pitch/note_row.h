#pragma once
// The row of analysis windows that read the same note: a note that may be a lower one's
// partials hidden in the noise is read only once enough windows in a row have read it, their
// readings agreeing. The listening estimator tells the row what each window heard and asks how
// long the row is.

#include <optional>

#include "pitch/live_reading.h"

namespace pitch {

class NoteRow {
public:
    // What one window heard: the note whose series it heard (read or not), or the series it
    // heard over a lower note; its reading, whether that note was certain in it, and whether
    // the series was one component alone.
    struct Window {
        std::optional<int> note;
        std::optional<int> overLowerNote;
        std::optional<Reading> reading;
        bool uncertain = false;
        bool lone = false;
    };

    // The row after `window`. A window that heard another note, or a lower note under the
    // series, breaks the row; one that heard nothing, or heard the note but could not read it,
    // leaves it be. So does one that heard the series an octave or a twelfth above the row's note
    // over a lower note: the row's note, heard first by its upper partials; and so does one
    // that heard a lone component, unread, where a partial of the row's note lies, and up to
    // two that read a note on its partials, uncertain, after a row of readings. An uncertain
    // reading that disagrees with the row's latest starts a new row: a series whose reading
    // jumps from one window to the next is partials of more than one note fitted as one.
    void add(const Window& window);

    // The note the latest window heard, read or not, that did not leave the row be, and how
    // many windows in a row read it.
    std::optional<int> note() const { return note_; }
    int windows() const { return windows_; }
    // Whether `reading` agrees with the row's latest.
    bool continues(const Reading& reading) const;

private:
    std::optional<int> note_;
    int windows_ = 0;
    // How many windows in a row, up to the latest, read the row's partials and left it be.
    int partialWindows_ = 0;
    std::optional<Reading> reading_;
};

}  // namespace pitch
