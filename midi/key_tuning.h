#pragma once
// Applies a SoundFont's pitch corrections inside the synth: one key tuning per guitar program,
// selected on a channel whenever that channel's program changes, so the MIDI words sent stay
// exactly those of the design. Corrections may arrive later, from another thread (a background
// calibration); they then take effect on the channels already playing a guitar program.
// A reference A4 other than 440 Hz moves every key of every guitar program by the whole cents
// that bring its note nearest the new pitch.

#include <array>
#include <mutex>

#include "pitch/pitch_corrections.h"

namespace midi {

class FluidEngine;

class KeyTuning {
public:
    explicit KeyTuning(FluidEngine& engine) : engine_(engine) {}

    // Posts the corrections for the synth and selects them on every channel whose current
    // program has one. Safe from any thread.
    void setCorrections(const pitch::PitchCorrections& corrections);
    // Moves every key of the guitar programs by about `cents`, on top of the corrections. Safe
    // from any thread.
    void setOffset(double cents);
    // Records a channel's new program and selects its key tuning, or plain equal temperament
    // for a program without one.
    void programChanged(int channel, int program);
    // After a system reset every channel is back on program 0.
    void reset();
    bool hasCorrections() const;

private:
    void select(int channel);
    // Loads the corrections and the offset into the synth and selects them where they apply.
    void install();

    FluidEngine& engine_;
    pitch::PitchCorrections corrections_;
    double offsetCents_ = 0.0;
    mutable std::mutex mutex_;
    std::array<int, 16> programs_{};
    bool installed_ = false;  // key tunings are in the synth
    bool corrected_ = false;  // and they hold a SoundFont's corrections
};

}  // namespace midi
