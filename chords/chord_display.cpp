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
    shown_ = &grip;
}

void ChordDisplay::play() {
    if (shown_ == nullptr)
        return;
    if (const auto host = host_.lock())
        host->strum(strumOf(*shown_));
}

void ChordDisplay::silence() {
    if (const auto host = host_.lock())
        host->silence();
}

void ChordDisplay::showStoredHand() {
    const auto host = host_.lock();
    hand_ = host && host->leftHanded() ? Hand::left : Hand::right;
    board_.showHand(hand_);
}

void ChordDisplay::chooseHand(Hand hand) {
    hand_ = hand;
    board_.showHand(hand_);
    if (const auto host = host_.lock())
        host->setLeftHanded(hand_ == Hand::left);
}

}  // namespace chords
