#include "midi/key_tuning.h"

#include "midi/fluid_engine.h"

namespace midi {

void KeyTuning::setCorrections(const pitch::PitchCorrections& corrections) {
    std::lock_guard lock(mutex_);
    corrections_ = corrections;
    corrected_ = true;
    install();
}

void KeyTuning::setOffset(double cents) {
    std::lock_guard lock(mutex_);
    // Without corrections and at 440 Hz the channels keep plain equal temperament.
    if (cents == offsetCents_)
        return;
    offsetCents_ = cents;
    install();
}

void KeyTuning::install() {
    // The synth drops fractions of a cent, so each key moves by whole cents only: the ones that
    // bring its own note nearest the reference, its residual at 440 Hz deciding.
    KeyTunings tunings;
    for (int i = 0; i < pitch::guitarProgramCount; ++i)
        for (int key = 0; key < 128; ++key)
            tunings[i][key] = 100.0 * key + corrections_.requestFor(pitch::firstGuitarProgram + i,
                                                                    key, offsetCents_);
    engine_.postKeyTunings(tunings);
    installed_ = true;
    for (int channel = 0; channel < static_cast<int>(programs_.size()); ++channel)
        select(channel);
}

void KeyTuning::programChanged(int channel, int program) {
    if (channel < 0 || channel >= static_cast<int>(programs_.size()))
        return;
    std::lock_guard lock(mutex_);
    programs_[channel] = program;
    select(channel);
}

void KeyTuning::reset() {
    std::lock_guard lock(mutex_);
    programs_.fill(0);
    for (int channel = 0; channel < static_cast<int>(programs_.size()); ++channel)
        select(channel);
}

bool KeyTuning::hasCorrections() const {
    std::lock_guard lock(mutex_);
    return corrected_;
}

void KeyTuning::select(int channel) {
    if (!installed_)
        return;
    engine_.post(SynthEvent::select(channel, programs_[channel]));
}

}  // namespace midi
