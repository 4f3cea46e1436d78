#pragma once
// A microphone the test plays into, as the record stream's thread would: steady string tones
// handed to the sink in 10 ms fragments on the test's thread. It can be missing, and it tells
// whether a capture is open (the microphone is in use).

#include <algorithm>
#include <memory>
#include <vector>

#include "audio/audio_capture.h"
#include "tests/support/synthetic_notes.h"

namespace testing {

class FakeMicrophone {
public:
    static constexpr double rate = 48000.0;

    class Capture final : public audio::AudioCapture {
    public:
        Capture(FakeMicrophone& mic, audio::CaptureSink& sink) : sink_(sink), mic_(mic) {
            mic_.capture_ = this;
            ++mic_.made;
        }
        ~Capture() override { mic_.capture_ = nullptr; }
        void start() override {
            if (!mic_.present)
                sink_.captureLost();
        }
        int sampleRate() const override { return static_cast<int>(rate); }
        std::string failure() const override { return "no source"; }

    private:
        friend class FakeMicrophone;
        audio::CaptureSink& sink_;
        FakeMicrophone& mic_;
    };

    bool present = true;
    int made = 0;
    bool open() const { return capture_ != nullptr; }

    audio::AudioCaptureFactory factory() {
        return [this](audio::CaptureSink& sink) { return std::make_unique<Capture>(*this, sink); };
    }
    // A steady string tone with six partials, `seconds` long.
    void play(double hz, double seconds) {
        std::vector<Sinusoid> partials;
        for (int k = 1; k <= 6; ++k)
            partials.push_back({k * hz, 0.3 / k, 0.0, 0.4 * k});
        const std::vector<float> tone = render(partials, seconds, rate);
        constexpr std::size_t fragment = 480;
        for (std::size_t at = 0; at < tone.size() && capture_; at += fragment)
            capture_->sink_.captured(tone.data() + at,
                                     static_cast<int>(std::min(fragment, tone.size() - at)));
    }

private:
    Capture* capture_ = nullptr;
};

}  // namespace testing
