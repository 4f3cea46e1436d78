#pragma once
// The built-in synth without audio output, playing one note at a time into memory: what the
// pitch calibration renders and measures, through the same key tuning and channel as a played
// note.

#include <memory>
#include <string>
#include <vector>

#include "pitch/pitch_calibration.h"

namespace midi {

class SynthDevice;

// The MIDI channel index the tuner plays on.
inline constexpr int tunerChannel = 1;

class OfflineSynth final : public pitch::NoteRenderer {
public:
    // Null when the SoundFont cannot be loaded; the reason goes to `error`.
    static std::unique_ptr<OfflineSynth> create(const std::string& soundFont, double gain,
                                                std::string& error);
    ~OfflineSynth() override;
    OfflineSynth(const OfflineSynth&) = delete;
    OfflineSynth& operator=(const OfflineSynth&) = delete;

    void setCorrections(const pitch::PitchCorrections& corrections) override;
    // Left and right channels summed.
    std::vector<float> play(int program, int note, double seconds) override;
    double sampleRate() const override;

private:
    explicit OfflineSynth(std::unique_ptr<SynthDevice> device);
    std::unique_ptr<SynthDevice> device_;
};

// Fresh offline synths of `soundFont` at `gain`, for calibrate() and measureErrors().
pitch::RendererFactory offlineSynths(std::string soundFont, double gain);

}  // namespace midi
