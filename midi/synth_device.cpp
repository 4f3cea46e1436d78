#include "midi/synth_device.h"

#include "midi/synth_output.h"

namespace midi {

SynthDevice::SynthDevice(std::unique_ptr<FluidEngine> engine)
    : engine_(std::move(engine)), keyTuning_(*engine_) {}

SynthDevice::~SynthDevice() = default;

std::unique_ptr<SynthDevice> SynthDevice::open(const SynthSetup& setup, std::string& error) {
    auto engine = FluidEngine::create(setup.engine, error);
    if (!engine)
        return nullptr;
    std::unique_ptr<SynthDevice> device(new SynthDevice(std::move(engine)));
    std::string tried;
    for (const audio::AudioBackend& backend : setup.outputs) {
        auto output = std::make_unique<SynthOutput>(*device->engine_, backend.make);
        std::string why;
        if (output->open(setup.connectTimeoutMs, why)) {
            device->output_ = std::move(output);
            break;
        }
        tried += (tried.empty() ? "" : "; ") + backend.name + ": " + why;
    }
    if (!device->output_) {
        error = "no audio output could be opened" + (tried.empty() ? "" : " (" + tried + ")");
        return nullptr;
    }
    device->engine_->setDrainWaker([output = device->output_.get()] { output->wake(); });
    device->loader_ = std::make_unique<pitch::PitchCorrectionLoader>(
        setup.engine.soundFont,
        [tuning = &device->keyTuning_](const pitch::PitchCorrections& c) {
            tuning->setCorrections(c);
        },
        setup.corrections);
    return device;
}

int SynthDevice::send(const ShortMessage& message) {
    // Played by the next render; a message the synth refuses then changes nothing.
    if (!engine_->post(SynthEvent::play(message)))
        return 1;
    if (message.kind() == 0xC0)
        keyTuning_.programChanged(message.channel(), message.data1());
    else if (message.status() == 0xFF)
        keyTuning_.reset();
    else if (message.kind() == 0x90 && message.data2() > 0 && output_)
        output_->wake();
    return 0;
}

}  // namespace midi
