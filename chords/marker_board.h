#pragma once
// Whatever shows the 67 grip markers; ChordDisplay drives it by marker index (markerPlaces).

namespace chords {

class MarkerBoard {
public:
    virtual ~MarkerBoard() = default;
    virtual void setMarkerVisible(int markerIndex, bool visible) = 0;
};

}  // namespace chords
