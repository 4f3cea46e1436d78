#pragma once
// What the chord window does with its neck: clearing it, showing one catalogue row, strumming
// the grip shown through the ChordHost, and the right- or left-handed view it remembers there.

#include <memory>

#include "chords/chord_catalogue.h"
#include "chords/chord_host.h"
#include "chords/marker_board.h"

namespace chords {

class ChordDisplay {
public:
    // Without a host the window is silent and forgets the view.
    explicit ChordDisplay(MarkerBoard& board, std::weak_ptr<ChordHost> host = {})
        : board_(board), host_(std::move(host)) {}

    // Hides all 67 markers, E1 to E12 first, then B, G, D, A and EE.
    void cisti();

    // Clears the neck, then shows the grip's markers for strings 1 to 6 in turn.
    void showChord(const ChordGrip& grip);
    // The grip the neck shows; none before the first chord.
    const ChordGrip* shownGrip() const { return shown_; }

    // Strums the grip shown; nothing before the first chord.
    void play();
    // Ends the strum, as the window goes away.
    void silence();

    // Shows the view the host remembers.
    void showStoredHand();
    // Shows `hand`'s view and has the host remember it.
    void chooseHand(Hand hand);
    Hand hand() const { return hand_; }

private:
    MarkerBoard& board_;
    std::weak_ptr<ChordHost> host_;
    const ChordGrip* shown_ = nullptr;
    Hand hand_ = Hand::right;
};

}  // namespace chords
