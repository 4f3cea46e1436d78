#include "midi/key_tuning.h"

#include "midi/fluid_library.h"

#include <string>

namespace midi {
namespace {

// Tuning slots in the synth: bank 0, program number = the General MIDI program it corrects.
constexpr int tuningBank = 0;

}  // namespace

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
    for (int program = pitch::firstGuitarProgram; program <= pitch::lastGuitarProgram; ++program) {
        std::array<double, 128> pitch;
        for (int key = 0; key < 128; ++key)
            pitch[key] = 100.0 * key + corrections_.requestFor(program, key, offsetCents_);
        const std::string name = "Tolmary " + std::to_string(program);
        fluid_.activateKeyTuning(synth_, tuningBank, program, name.c_str(), pitch.data(), 0);
    }
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
    const int program = programs_[channel];
    // Applied at once: a note already sounding moves with it (the next note would anyway).
    if (program >= pitch::firstGuitarProgram && program <= pitch::lastGuitarProgram)
        fluid_.activateTuning(synth_, channel, tuningBank, program, 1);
    else
        fluid_.deactivateTuning(synth_, channel, 1);
}

}  // namespace midi
