// Whether a lower note sounds under a series read, on one window of a steady tone in white
// noise: a B2 series, and the odd partials a B1 under it would add; a D3 series and a D2's
// fundamental under it, through a phone's high-pass.

#include <QtTest>

#include <cmath>
#include <optional>
#include <vector>

#include "pitch/note_evidence.h"
#include "pitch/partial_series.h"
#include "pitch/pitch_estimator.h"
#include "pitch/windowed_spectrum.h"
#include "tests/support/microphone_model.h"
#include "tests/support/synthetic_notes.h"

namespace {

constexpr double rate = 11025.0;
constexpr double windowSeconds = 0.35;
constexpr double noiseRms = 0.005;

struct Window {
    pitch::Spectrum spectrum;
    std::optional<pitch::SeriesReading> series;
};

// B1's even partials at `evenLevel` (falling as 1/k), which are B2's series, and its odd
// partials `oddPartials` at `oddLevel`; the B2 series read as the listening estimator reads it.
Window b2Over(double evenLevel, const std::vector<int>& oddPartials, double oddLevel,
              unsigned seed) {
    const double b1 = pitch::noteFrequencyHz(35.0);
    std::vector<testing::Sinusoid> partials;
    for (int k = 2; k <= 12; k += 2)
        partials.push_back({k * b1, evenLevel * 2.0 / k, 0.0, 0.7 * k});
    for (int k : oddPartials)
        partials.push_back({k * b1, oddLevel, 0.0, 0.3 * k});
    auto signal = testing::render(partials, windowSeconds, rate);
    testing::addNoise(signal, noiseRms, seed);
    Window w{pitch::Spectrum(signal.data(), signal.size(), rate), std::nullopt};
    const double b2 = 2.0 * b1;
    const auto coarse = pitch::coarsePartials(w.spectrum, b2, rate);
    auto found = pitch::findPartials(
        w.spectrum, b2, pitch::strongestOf(coarse) * pitch::dbToAmplitude(pitch::minPartialDb),
        rate);
    std::erase_if(found, [&](const pitch::Partial& p) {
        return p.amplitude <
               w.spectrum.noiseAt(p.hz) * pitch::dbToAmplitude(pitch::partialOverNoiseDb);
    });
    w.series = pitch::readSeries(found);
    return w;
}

// D2's even partials, which are D3's series (falling as 1/k^2 from `seriesLevel`), and its
// fundamental at `fundamental`, in white noise, through a high-pass at `highPassHz` (a phone's at
// 250 Hz takes the fundamental and the noise around it 30 dB down): 1 s, as the longer window
// reads.
pitch::Spectrum d3Over(double seriesLevel, double fundamental, double highPassHz) {
    const double d2 = pitch::noteFrequencyHz(38.0);
    std::vector<testing::Sinusoid> partials{{d2, fundamental, 0.0, 0.1}};
    for (int k = 2; k <= 12; k += 2)
        partials.push_back({k * d2, seriesLevel * 4.0 / (k * k), 0.0, 0.7 * k});
    auto signal = testing::render(partials, 1.0, rate);
    testing::addNoise(signal, noiseRms, 3);
    testing::Microphone phone;
    phone.highPassHz = highPassHz;
    const auto heard = testing::throughMicrophone(signal, rate, phone);
    return {heard.data(), heard.size(), rate};
}

}  // namespace

class TestNoteEvidence : public QObject {
    Q_OBJECT

private slots:
    // The B1's 7th, 11th and 13th partials 11 to 15 dB over the noise, its 3rd and 5th gone:
    // no one of them decides, the three together do. Beside a series 20 dB louder (a clean
    // recording's faint components) they are no lower note, nor is the noise alone.
    void faintOddPartialsBelow_data() {
        QTest::addColumn<double>("evenLevel");
        QTest::addColumn<double>("oddLevel");
        QTest::addColumn<bool>("lowerNote");
        QTest::newRow("three faint odd partials of B1") << 0.01 << 0.001 << true;
        QTest::newRow("B2 alone") << 0.01 << 0.0 << false;
        QTest::newRow("the same partials beside a loud B2") << 0.1 << 0.001 << false;
    }
    void faintOddPartialsBelow() {
        QFETCH(double, evenLevel);
        QFETCH(double, oddLevel);
        QFETCH(bool, lowerNote);
        const Window w = b2Over(evenLevel, {7, 11, 13}, oddLevel, 3);
        QVERIFY2(w.series && w.series->partials.front().k == 1, "no B2 series read");
        QCOMPARE(
            pitch::lowerNoteUnder(w.spectrum, *w.series, pitch::strongestOf(w.series->partials)),
            lowerNote);
    }

    // Through a phone's high-pass the D2's fundamental lies 29 or 32 dB under its D3 series in
    // level, too weak beside it to count (32 dB is under any component that decides a note), but
    // 27 or 24 dB over the noise, which the high-pass took down with it: the note is the octave
    // below. The series alone has no note below, nor has a close
    // recording's component as far under a series 57 dB over the noise (an overdriven D3's
    // artefact, 30 dB less far over the noise than the series).
    void octaveBelowThroughAHighPass_data() {
        QTest::addColumn<double>("seriesLevel");
        QTest::addColumn<double>("fundamental");
        QTest::addColumn<double>("highPassHz");
        QTest::addColumn<bool>("octaveBelow");
        QTest::newRow("D2's fundamental under the high-pass") << 0.01 << 0.003 << 250.0 << true;
        QTest::newRow("the same, 32 dB under its series") << 0.01 << 0.0021 << 250.0 << true;
        QTest::newRow("the D3 series alone") << 0.01 << 0.0 << 250.0 << false;
        QTest::newRow("a faint component in a close recording") << 0.1 << 0.004 << 0.0 << false;
    }
    void octaveBelowThroughAHighPass() {
        QFETCH(double, seriesLevel);
        QFETCH(double, fundamental);
        QFETCH(double, highPassHz);
        QFETCH(bool, octaveBelow);
        const pitch::Spectrum spectrum = d3Over(seriesLevel, fundamental, highPassHz);
        const double d3 = pitch::noteFrequencyHz(50.0);
        const auto below = pitch::noteBelow(spectrum, d3, pitch::noteFrequencyHz(34.5), rate);
        QCOMPARE(below.has_value(), octaveBelow);
        if (below)
            QVERIFY(std::abs(pitch::centsBetween(*below, d3 / 2.0)) < 1.0);
    }
};

QTEST_APPLESS_MAIN(TestNoteEvidence)
#include "test_note_evidence.moc"
