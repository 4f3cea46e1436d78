#include "midi/pitch_calibration.h"

#include <cmath>
#include <cstdint>

#include "midi/pitch_estimator.h"
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

void OfflineSynth::setCorrections(const PitchCorrections& corrections) {
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

std::optional<double> measureNoteCents(OfflineSynth& synth, int program, int note) {
    const std::vector<float> sound = synth.play(program, note, calibrationNoteSeconds);
    const double nominal = noteFrequencyHz(note);
    const auto hz = estimateFundamentalHz(sound.data(), sound.size(), synth.sampleRate(), nominal);
    if (!hz)
        return std::nullopt;
    return centsBetween(*hz, nominal);
}

std::optional<NoteErrors> measureErrors(const std::string& soundFont, double gain,
                                        const PitchCorrections* corrections,
                                        const std::atomic<bool>* cancel) {
    std::string error;
    auto synth = OfflineSynth::create(soundFont, gain, error);
    if (!synth)
        return std::nullopt;
    if (corrections)
        synth->setCorrections(*corrections);
    NoteErrors errors;
    for (int p = 0; p < guitarProgramCount; ++p) {
        for (int n = 0; n < calibratedNoteCount; ++n) {
            if (cancel && cancel->load())
                return std::nullopt;
            errors[p][n] =
                measureNoteCents(*synth, firstGuitarProgram + p, firstCalibratedNote + n);
        }
    }
    return errors;
}

std::optional<Calibration> calibrate(const std::string& soundFont, double gain,
                                     const std::atomic<bool>* cancel) {
    const auto before = measureErrors(soundFont, gain, nullptr, cancel);
    if (!before)
        return std::nullopt;
    // The whole cents each note should move, and a first request half a cent above them.
    Calibration result;
    result.errors = *before;
    std::array<std::array<std::optional<int>, calibratedNoteCount>, guitarProgramCount> wanted;
    PitchCorrections first;
    for (int p = 0; p < guitarProgramCount; ++p) {
        for (int n = 0; n < calibratedNoteCount; ++n) {
            const auto& error = (*before)[p][n];
            if (!error || std::abs(*error) > maxCorrectionCents)
                continue;
            wanted[p][n] = static_cast<int>(std::lround(-*error));
            first.cents[p][n] = *wanted[p][n] + 0.5;
        }
    }
    // The second rendering shows the whole cents each request really moved its note; a request
    // moved by the difference lands on the wanted cent, as the synth's rounding steps are whole.
    const auto check = measureErrors(soundFont, gain, &first, cancel);
    if (!check)
        return std::nullopt;
    for (int p = 0; p < guitarProgramCount; ++p) {
        for (int n = 0; n < calibratedNoteCount; ++n) {
            const auto& error = (*before)[p][n];
            const auto& corrected = (*check)[p][n];
            if (!wanted[p][n] || !corrected) {
                result.unmeasured.push_back({firstGuitarProgram + p, firstCalibratedNote + n});
                continue;
            }
            const long moved = std::lround(*corrected - *error);
            result.corrections.cents[p][n] =
                first.cents[p][n] + static_cast<double>(*wanted[p][n] - moved);
        }
    }
    return result;
}

}  // namespace midi
