#pragma once
// What the chord window takes from the program around it: the sound of a grip (the tuner's
// synth, instrument and note length) and the one choice it remembers. The tuner provides it;
// the chord module knows nothing of MIDI or of the settings store.

#include "chords/chord_strum.h"

namespace chords {

class ChordHost {
public:
    virtual ~ChordHost() = default;

    // Strums the notes, lowest first, cutting a strum that still sounds.
    virtual void strum(const Strum& strum) = 0;
    // Ends a strum that still sounds; nothing when none does.
    virtual void silence() = 0;

    // The remembered view of the neck.
    virtual bool leftHanded() = 0;
    virtual void setLeftHanded(bool leftHanded) = 0;
};

}  // namespace chords
