#include "tools/listening_golden/listening_view.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <cmath>
#include <numbers>
#include <vector>

#include "midi/wait_host.h"
#include "pitch/pitch_estimator.h"
#include "tuner/catalogue.h"
#include "tuner/listening_window.h"

namespace listening_golden {
namespace {

constexpr int rate = 48000;
constexpr double note = 45;  // A2, the fifth string of standard tuning
constexpr double centsOff = -8.0;
constexpr int a4 = 432;

// A string tone of six partials, one second long.
std::vector<float> stringTone(double hz) {
    std::vector<float> tone(rate);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        double s = 0.0;
        for (int k = 1; k <= 6; ++k)
            s += 0.3 / k * std::sin(2.0 * std::numbers::pi * k * hz * double(i) / rate);
        tone[i] = static_cast<float>(s);
    }
    return tone;
}

// A microphone that hears the tone as soon as it is opened.
class HeardTone final : public audio::AudioCapture {
public:
    HeardTone(audio::CaptureSink& sink, std::vector<float> tone)
        : sink_(sink), tone_(std::move(tone)) {}
    void start() override { sink_.captured(tone_.data(), static_cast<int>(tone_.size())); }
    int sampleRate() const override { return rate; }
    std::string failure() const override { return {}; }

private:
    audio::CaptureSink& sink_;
    std::vector<float> tone_;
};

// Time stands still: the strobe is drawn where it starts.
class StillClock final : public midi::WaitHost {
public:
    std::int64_t wallClockMs() override { return 0; }
    std::int64_t monotonicMs() override { return 0; }
    void processEvents(std::int64_t) override {}
};

}  // namespace

QString goldenName() {
    return QStringLiteral("listening-A2-%1.png").arg(a4);
}

QImage renderListeningView() {
    const double hz = pitch::noteFrequencyHz(note) * a4 / 440.0 * std::pow(2.0, centsOff / 1200.0);
    const tuner::StringNames names{"     E-1 (Najtanjša struna)", "     B-2 (Druga struna)",
                                   "     G-3 (Tretja struna)",    "     D-4 (Četrta struna)",
                                   "     A-5 (Peta struna)",      "     E-6 (Najdebelejša struna)"};
    StillClock clock;
    tuner::ListeningWindow window(
        [&](audio::CaptureSink& sink) { return std::make_unique<HeardTone>(sink, stringTone(hz)); },
        tuner::tuningRows[0].notes, names, {}, &clock);
    window.setReference(a4);
    QElapsedTimer waited;
    waited.start();
    while (window.deviationLabel().text().isEmpty() && waited.elapsed() < 5000)
        QCoreApplication::processEvents();
    // Every reading of the tone, not only the first, before the picture.
    QCoreApplication::processEvents();
    return window.grab().toImage();
}

}  // namespace listening_golden
