#pragma once
// Whatever shows the 67 grip markers; ChordDisplay drives it by marker index (markerPlaces).

#include "chords/marker_layout.h"

namespace chords {

class MarkerBoard {
public:
    virtual ~MarkerBoard() = default;
    virtual void setMarkerVisible(int markerIndex, bool visible) = 0;
    // Shows the neck and places every marker as a player of `hand` reads the chart.
    virtual void showHand(Hand hand) = 0;
};

}  // namespace chords
