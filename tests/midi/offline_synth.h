#pragma once
// The built-in synth without an audio driver: notes rendered offline through the device the
// mapper opens, sent as the tuner sends them (program change, note-on on channel index 1).

#include <QtGlobal>

#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "midi/pitch_estimator.h"
#include "midi/short_message.h"
#include "midi/soundfonts.h"
#include "midi/synth_device.h"

namespace testing {

inline void sendWord(midi::SynthDevice& synth, int status, int data1, int data2 = 0) {
    synth.send(midi::decodeShortMessage(
        static_cast<std::uint32_t>(status | (data1 << 8) | (data2 << 16))));
}

inline std::unique_ptr<midi::SynthDevice> offlineSynth() {
    const midi::SoundFontChoice font = midi::installedSoundFont();
    midi::EngineOptions options;
    options.soundFont = font.path;
    options.gain = font.gain;
    std::string error;
    auto engine = midi::FluidEngine::create(options, error);
    if (!engine) {
        qWarning("engine: %s", error.c_str());
        return nullptr;
    }
    return std::make_unique<midi::SynthDevice>(std::move(engine));
}

// Silences the channel, plays `note` (after a program change when given) and returns the mix
// of both channels.
inline std::vector<float> renderNote(midi::SynthDevice& synth, int note, double seconds,
                                     std::optional<int> program = std::nullopt) {
    sendWord(synth, 0xB1, 120);  // all sound off
    if (program)
        sendWord(synth, 0xC1, *program);
    sendWord(synth, 0x91, note, 127);
    const auto frames = static_cast<std::size_t>(seconds * synth.engine()->sampleRate());
    std::vector<float> left(frames), right(frames);
    synth.engine()->render(left.data(), right.data(), static_cast<int>(frames));
    sendWord(synth, 0x81, note);
    for (std::size_t i = 0; i < frames; ++i)
        left[i] = 0.5f * (left[i] + right[i]);
    return left;
}

// Cents from equal temperament of the rendered note; NaN (failing any comparison) when the
// note cannot be measured.
inline double centsOff(midi::SynthDevice& synth, const std::vector<float>& sound, int note) {
    const double target = midi::noteFrequencyHz(note);
    const auto hz = midi::estimateFundamentalHz(sound.data(), sound.size(),
                                                synth.engine()->sampleRate(), target);
    return hz ? midi::centsBetween(*hz, target) : std::nan("");
}

}  // namespace testing
