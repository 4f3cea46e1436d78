#include "midi/offline_synth.h"

#include <cstdint>

#include "midi/synth_device.h"

namespace midi {
namespace {

std::uint32_t word(int status, int data1, int data2) {
    return static_cast<std::uint32_t>(status | (data1 << 8) | (data2 << 16));
}

}  // namespace

std::unique_ptr<OfflineSynth> OfflineSynth::create(const std::string& soundFont, double gain,
                                                   std::string& error) {
    EngineOptions options;
    options.soundFont = soundFont;
    options.gain = gain;
    auto engine = FluidEngine::create(options, error);
    if (!engine)
        return nullptr;
    return std::unique_ptr<OfflineSynth>(
        new OfflineSynth(std::make_unique<SynthDevice>(std::move(engine))));
}

OfflineSynth::OfflineSynth(std::unique_ptr<SynthDevice> device) : device_(std::move(device)) {}

OfflineSynth::~OfflineSynth() = default;

void OfflineSynth::setCorrections(const pitch::PitchCorrections& corrections) {
    device_->keyTuning().setCorrections(corrections);
}

double OfflineSynth::sampleRate() const {
    return device_->engine()->sampleRate();
}

std::vector<float> OfflineSynth::play(int program, int note, double seconds) {
    constexpr int allSoundOff = 120;
    device_->send(decodeShortMessage(word(0xB0 | tunerChannel, allSoundOff, 0)));
    device_->send(decodeShortMessage(word(0xC0 | tunerChannel, program, 0)));
    device_->send(decodeShortMessage(word(0x90 | tunerChannel, note, 127)));
    const int frames = static_cast<int>(seconds * sampleRate());
    std::vector<float> left(static_cast<std::size_t>(frames));
    std::vector<float> right(left.size());
    device_->engine()->render(left.data(), right.data(), frames);
    device_->send(decodeShortMessage(word(0x80 | tunerChannel, note, 0)));
    for (std::size_t i = 0; i < left.size(); ++i)
        left[i] += right[i];
    return left;
}

pitch::RendererFactory offlineSynths(std::string soundFont, double gain) {
    return [soundFont = std::move(soundFont), gain]() -> std::unique_ptr<pitch::NoteRenderer> {
        std::string error;
        return OfflineSynth::create(soundFont, gain, error);
    };
}

}  // namespace midi
