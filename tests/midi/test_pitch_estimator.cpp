// The estimator against synthetic notes whose fundamental is known exactly.

#include <QtTest>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "midi/pitch_estimator.h"

using midi::centsBetween;
using midi::estimateFundamentalHz;
using midi::noteFrequencyHz;

namespace {

constexpr double rate = 44100.0;
constexpr double twoPi = 2.0 * std::numbers::pi;

struct Partial {
    double hz;
    double amplitude;
    double decaySeconds;  // time constant of the exponential decay; 0 holds the level
    double phase;
};

std::vector<float> render(const std::vector<Partial>& partials, double seconds) {
    std::vector<float> out(static_cast<std::size_t>(seconds * rate));
    for (const Partial& p : partials) {
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double t = static_cast<double>(i) / rate;
            const double envelope = p.decaySeconds > 0 ? std::exp(-t / p.decaySeconds) : 1.0;
            out[i] +=
                static_cast<float>(p.amplitude * envelope * std::sin(twoPi * p.hz * t + p.phase));
        }
    }
    return out;
}

// A plucked string: partial k at k * f0 * sqrt(1 + B k^2) (stiffness B stretches the upper
// partials), amplitudes of a string plucked near the bridge, higher partials dying sooner.
// The fundamental partial sounds at f0 * sqrt(1 + B).
std::vector<Partial> pluckedString(double f0, double stiffness, double decaySeconds) {
    std::vector<Partial> partials;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> phase(0.0, twoPi);
    constexpr double pluckPosition = 0.18;
    for (int k = 1;; ++k) {
        const double hz = k * f0 * std::sqrt(1.0 + stiffness * k * k);
        if (hz > 0.45 * rate || k > 60)
            break;
        const double amplitude = std::abs(std::sin(k * std::numbers::pi * pluckPosition)) / (k * k);
        partials.push_back(
            {hz, 0.5 * amplitude, decaySeconds / (1.0 + 0.25 * (k - 1)), phase(random)});
    }
    return partials;
}

void addNoise(std::vector<float>& signal, double rms) {
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, rms);
    for (float& s : signal)
        s += static_cast<float>(noise(random));
}

double peakOf(const std::vector<float>& signal) {
    double peak = 0.0;
    for (float s : signal)
        peak = std::max(peak, double{std::abs(s)});
    return peak;
}

}  // namespace

class TestPitchEstimator : public QObject {
    Q_OBJECT

private:
    void checkWithin(const std::vector<float>& signal, double expectedHz, double trueHz,
                     double toleranceCents = 0.1) {
        const auto hz = estimateFundamentalHz(signal.data(), signal.size(), rate, expectedHz);
        QVERIFY2(hz.has_value(), "no estimate");
        const double error = centsBetween(*hz, trueHz);
        QVERIFY2(
            std::abs(error) < toleranceCents,
            qPrintable(QString("error %1 cent (%2 Hz for %3 Hz)").arg(error).arg(*hz).arg(trueHz)));
    }

private slots:
    void pureSine_data() {
        QTest::addColumn<double>("note");
        QTest::addColumn<double>("detuneCents");
        QTest::addColumn<double>("hintOffsetCents");
        QTest::newRow("E1 in tune") << 28.0 << 0.0 << 0.0;
        QTest::newRow("A1 sharp 3.7") << 33.0 << 3.7 << 0.0;
        QTest::newRow("E2 flat 16, hint nominal") << 40.0 << -16.0 << 0.0;
        QTest::newRow("D3 sharp 0.3") << 50.0 << 0.3 << 0.0;
        QTest::newRow("E4 hint 60 cents high") << 64.0 << 0.0 << 60.0;
        QTest::newRow("A4 hint 80 cents low") << 69.0 << 1.2 << -80.0;
        QTest::newRow("A5 flat 0.05") << 81.0 << -0.05 << 0.0;
    }
    void pureSine() {
        QFETCH(double, note);
        QFETCH(double, detuneCents);
        QFETCH(double, hintOffsetCents);
        const double trueHz = noteFrequencyHz(note + detuneCents / 100.0);
        const auto signal = render({{trueHz, 0.5, 0.0, 0.3}}, 1.2);
        checkWithin(signal, noteFrequencyHz(note + hintOffsetCents / 100.0), trueHz, 0.001);
    }

    void pluckedStiffString_data() {
        QTest::addColumn<double>("note");
        QTest::addColumn<double>("stiffness");
        QTest::addColumn<double>("detuneCents");
        for (double note : {28.0, 40.0, 52.0, 64.0, 69.0}) {
            for (double stiffness : {0.0, 1e-4, 5e-4}) {
                QTest::addRow("note %g B=%g", note, stiffness) << note << stiffness << 2.5;
            }
        }
    }
    void pluckedStiffString() {
        QFETCH(double, note);
        QFETCH(double, stiffness);
        QFETCH(double, detuneCents);
        const double f0 = noteFrequencyHz(note + detuneCents / 100.0);
        auto signal = render(pluckedString(f0, stiffness, 1.5), 1.5);
        addNoise(signal, 1e-4);
        checkWithin(signal, noteFrequencyHz(note), f0 * std::sqrt(1.0 + stiffness));
    }

    // Clipping adds strong harmonics, exactly at multiples of the fundamental.
    void clippedTone_data() {
        QTest::addColumn<double>("note");
        QTest::addColumn<bool>("hardClip");
        for (double note : {28.0, 35.0, 45.0, 57.0, 69.0}) {
            QTest::addRow("note %g hard", note) << note << true;
            QTest::addRow("note %g tanh", note) << note << false;
        }
    }
    void clippedTone() {
        QFETCH(double, note);
        QFETCH(bool, hardClip);
        const double f0 = noteFrequencyHz(note - 7.0 / 100.0);
        auto signal = render(pluckedString(f0, 0.0, 3.0), 1.5);
        const double level = peakOf(signal);
        for (float& s : signal) {
            const double x = s / level;
            s = static_cast<float>(hardClip ? std::clamp(x, -0.2, 0.2) / 0.2 : std::tanh(12.0 * x));
        }
        checkWithin(signal, noteFrequencyHz(note), f0);
    }

    // A muted string dies within a fraction of a second.
    void fastDecay_data() {
        QTest::addColumn<double>("note");
        QTest::addColumn<double>("decaySeconds");
        QTest::newRow("A1 0.12 s") << 33.0 << 0.12;
        QTest::newRow("E2 0.08 s") << 40.0 << 0.08;
        QTest::newRow("A4 0.05 s") << 69.0 << 0.05;
    }
    void fastDecay() {
        QFETCH(double, note);
        QFETCH(double, decaySeconds);
        const double f0 = noteFrequencyHz(note + 0.04);
        auto signal = render(pluckedString(f0, 1e-4, decaySeconds), 1.0);
        checkWithin(signal, noteFrequencyHz(note), f0 * std::sqrt(1.0001));
    }

    // Low notes whose second and third partials are far stronger than the fundamental are
    // still read at the fundamental, never an octave or a twelfth up; asked an octave up, a
    // clear fundamental below the hint makes the note unmeasurable rather than misread.
    void weakFundamental_data() {
        QTest::addColumn<double>("fundamentalLevel");
        QTest::addColumn<bool>("octaveUpRejected");
        QTest::newRow("-20 dB") << 0.05 << true;
        QTest::newRow("-40 dB") << 0.005 << false;
    }
    void weakFundamental() {
        QFETCH(double, fundamentalLevel);
        QFETCH(bool, octaveUpRejected);
        const double f0 = noteFrequencyHz(28.0);
        const auto signal = render(
            {{f0, fundamentalLevel, 0.0, 0.0}, {2 * f0, 0.5, 0.0, 1.0}, {3 * f0, 0.3, 0.0, 2.0}},
            1.2);
        checkWithin(signal, f0, f0);
        const auto octaveUp = estimateFundamentalHz(signal.data(), signal.size(), rate, 2 * f0);
        if (octaveUpRejected)
            QVERIFY(!octaveUp.has_value());
    }

    void unmeasurable_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("silence") << 0;
        QTest::newRow("too short") << 1;
        QTest::newRow("nothing near the hint") << 2;
        QTest::newRow("dies at once") << 3;
        QTest::newRow("fundamental vanishingly weak") << 4;
    }
    void unmeasurable() {
        QFETCH(int, kind);
        const double hz = noteFrequencyHz(45.0);
        std::vector<float> signal;
        switch (kind) {
            case 0:
                signal.assign(44100, 0.0f);
                addNoise(signal, 1e-5);
                break;
            case 1:
                signal = render({{hz, 0.5, 0.0, 0.0}}, 0.06);
                break;
            case 2:
                signal = render({{hz * 1.5, 0.5, 0.0, 0.0}}, 1.0);
                break;
            case 3:
                signal = render(pluckedString(hz, 0.0, 0.01), 1.0);
                break;
            case 4:
                signal = render({{hz, 1e-5, 0.0, 0.0}, {2 * hz, 0.5, 0.0, 0.0}}, 1.0);
                break;
        }
        QVERIFY(!estimateFundamentalHz(signal.data(), signal.size(), rate, hz).has_value());
    }

    void invalidArguments() {
        const auto signal = render({{440.0, 0.5, 0.0, 0.0}}, 1.0);
        QVERIFY(!estimateFundamentalHz(nullptr, 100, rate, 440.0).has_value());
        QVERIFY(!estimateFundamentalHz(signal.data(), signal.size(), 0.0, 440.0).has_value());
        QVERIFY(!estimateFundamentalHz(signal.data(), signal.size(), rate, 0.0).has_value());
        QVERIFY(
            !estimateFundamentalHz(signal.data(), signal.size(), rate, std::nan("")).has_value());
        QVERIFY(!estimateFundamentalHz(signal.data(), signal.size(), rate, rate).has_value());
    }

    void noteFrequencies() {
        QCOMPARE(noteFrequencyHz(69.0), 440.0);
        QVERIFY(std::abs(noteFrequencyHz(57.0) - 220.0) < 1e-9);
        QVERIFY(std::abs(noteFrequencyHz(28.0) - 41.2034446) < 1e-6);
        QVERIFY(std::abs(centsBetween(440.0 * std::pow(2.0, 3.0 / 1200.0), 440.0) - 3.0) < 1e-9);
        QVERIFY(centsBetween(430.0, 440.0) < 0.0);
    }
};

QTEST_APPLESS_MAIN(TestPitchEstimator)
#include "test_pitch_estimator.moc"
