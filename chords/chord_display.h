#pragma once
// Shows chord grips on a marker board: clearing the neck and showing one catalogue row.

#include "chords/chord_catalogue.h"
#include "chords/marker_board.h"

namespace chords {

class ChordDisplay {
public:
    explicit ChordDisplay(MarkerBoard& board) : board_(board) {}

    // Hides all 67 markers, E1 to E12 first, then B, G, D, A and EE.
    void cisti();

    // Clears the neck, then shows the grip's markers for strings 1 to 6 in turn.
    void showChord(const ChordGrip& grip);

private:
    MarkerBoard& board_;
};

}  // namespace chords
