#include "tuner/chord_sound.h"

#include <algorithm>

#include "tuner/catalogue.h"
#include "tuner/tuner_texts.h"

namespace tuner {

ChordSound::ChordSound(midi::MIDILib& midiOut, midi::WaitHost& waitHost, TunerHost& host,
                       std::function<std::optional<int>()> noteLength)
    : midiOut_(midiOut), waitHost_(waitHost), host_(host), noteLength_(std::move(noteLength)) {}

void ChordSound::strum(const chords::Strum& strum) {
    const std::optional<int> seconds = noteLength_ ? noteLength_() : std::nullopt;
    if (!seconds)
        return;
    silence();
    const int number = ++strumNumber_;
    const std::int64_t start = waitHost_.monotonicMs();
    for (int i = 0; i < strum.count; ++i) {
        if (!waitUntil(start + std::int64_t{i} * strumSpacingMs, number))
            return;
        // Notes are 40 to 76, well inside 16 bits.
        const auto note = static_cast<std::int16_t>(strum.notes[static_cast<std::size_t>(i)]);
        midiOut_.sendNoteOn(note);
        sounding_.push_back(note);
    }
    const std::int64_t lastStrike = std::int64_t{std::max(strum.count - 1, 0)} * strumSpacingMs;
    const std::int64_t end =
        start + std::max(std::int64_t{*seconds} * 1000, lastStrike + shortestRingMs);
    if (waitUntil(end, number))
        releaseSounding();
}

void ChordSound::silence() {
    ++strumNumber_;
    releaseSounding();
}

bool ChordSound::waitUntil(std::int64_t atMs, int strumNumber) {
    for (;;) {
        if (strumNumber != strumNumber_)
            return false;
        const std::int64_t left = atMs - waitHost_.monotonicMs();
        if (left <= 0)
            return true;
        waitHost_.processEvents(left);
    }
}

void ChordSound::releaseSounding() {
    for (const std::int16_t note : sounding_)
        midiOut_.sendNoteOff(note);
    sounding_.clear();
}

bool ChordSound::leftHanded() {
    const QString stored =
        host_.readSetting(toQString(texts::settingsSection), toQString(texts::keyLeftHanded), {});
    return stored == QStringLiteral("1");
}

void ChordSound::setLeftHanded(bool leftHanded) {
    host_.writeSetting(toQString(texts::settingsSection), toQString(texts::keyLeftHanded),
                       leftHanded ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace tuner
