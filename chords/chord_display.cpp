#include "chords/chord_display.h"

#include "chords/marker_layout.h"

namespace chords {

void ChordDisplay::cisti() {
    for (int i = 0; i < markerCount; ++i)
        board_.setMarkerVisible(i, false);
}

void ChordDisplay::showChord(const ChordGrip& grip) {
    cisti();
    for (int s = 1; s <= stringCount; ++s)
        if (grip.fretOn(s) != unmarked)
            board_.setMarkerVisible(markerIndex(s, grip.fretOn(s)), true);
}

}  // namespace chords
