// Whether a lower note sounds under a series read, on one window of a steady tone in white
// noise: a B2 series, and the odd partials a B1 under it would add; an E4 series and components
// under it; a D3 series and a D2's fundamental under it, through a phone's high-pass; a B1 series
// of the partials two strings sounding together make, which names no note.

#include <QtTest>

#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "pitch/note_evidence.h"
#include "pitch/partial_series.h"
#include "pitch/pitch_estimator.h"
#include "pitch/window_reading.h"
#include "pitch/windowed_spectrum.h"
#include "tests/support/microphone_model.h"
#include "tests/support/synthetic_notes.h"

namespace {

constexpr double rate = 11025.0;
constexpr double windowSeconds = 0.35;
constexpr double noiseRms = 0.005;

// Components beside a series: their frequency as a share of the series', and how far they
// stand over the noise (dB).
using Components = std::vector<std::pair<double, double>>;

struct Window {
    pitch::Spectrum spectrum;
    std::optional<pitch::SeriesReading> series;
};

// The series on `hz` in `signal`, read as the listening estimator reads it.
Window readAt(const std::vector<float>& signal, double hz) {
    Window w{pitch::Spectrum(signal.data(), signal.size(), rate), std::nullopt};
    w.series = pitch::readSeries(pitch::partialsOverNoise(w.spectrum, hz, rate));
    return w;
}

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
    return readAt(signal, 2.0 * b1);
}

// An E4 series whose first six partials stand 20 dB over white noise, and `components` beside
// it: 1 s, as the longer window reads.
Window e4With(const Components& components) {
    const double e4 = pitch::noteFrequencyHz(64.0);
    auto signal = std::vector<float>(static_cast<std::size_t>(rate));
    testing::addNoise(signal, noiseRms, 8);
    const pitch::Spectrum noise(signal.data(), signal.size(), rate);
    // The amplitude of a sinusoid at `hz` whose peak stands `db` over that noise.
    const auto over = [&](double hz, double db) {
        const auto unit = testing::render({{hz, 1.0, 0.0, 0.0}}, 1.0, rate);
        const pitch::Spectrum alone(unit.data(), unit.size(), rate);
        return noise.noiseAt(hz) * pitch::dbToAmplitude(db) / alone.levelNear(hz);
    };
    std::vector<testing::Sinusoid> partials;
    for (int k = 1; k <= 6; ++k)
        partials.push_back({k * e4, over(k * e4, 20.0), 0.0, 0.7 * k});
    for (const auto& [share, overNoiseDb] : components)
        partials.push_back({share * e4, over(share * e4, overNoiseDb), 0.0, 0.3});
    const auto tone = testing::render(partials, 1.0, rate);
    for (std::size_t i = 0; i < signal.size(); ++i)
        signal[i] += tone[i];
    return readAt(signal, e4);
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

// An E2 series falling as 1/k, with components on its half multiples (1.5, 2.5, 3.5: the odd
// partials of E1) `underDb` under its fundamental, in white noise: 0.35 s, as a short window.
pitch::Spectrum e2WithHalfMultiples(double underDb) {
    const double e2 = pitch::noteFrequencyHz(40.0);
    std::vector<testing::Sinusoid> partials;
    for (int k = 1; k <= 8; ++k)
        partials.push_back({k * e2, 0.1 / k, 0.0, 0.7 * k});
    if (underDb < 0.0)
        for (const double share : {1.5, 2.5, 3.5})
            partials.push_back({share * e2, 0.1 * pitch::dbToAmplitude(underDb), 0.0, share});
    auto signal = testing::render(partials, windowSeconds, rate);
    testing::addNoise(signal, noiseRms, 5);
    return {signal.data(), signal.size(), rate};
}

// E1 31 cents sharp, the octave under an E2 detuned by as much.
constexpr double e1Sharp = 41.95;

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

    // A component at two thirds of the series (a string a fifth below, whose 3rd partial the
    // series' fundamental would be) decides alone where it stands far over the noise; a long
    // window's noise rises a little over itself by chance there now and then, so a component
    // only a little over it wants another partial of that string (its 2nd). An octave below,
    // as little decides alone.
    void componentUnderASeries_data() {
        QTest::addColumn<Components>("components");
        QTest::addColumn<bool>("lowerNote");
        QTest::newRow("E4 alone") << Components{} << false;
        QTest::newRow("two thirds, 9 dB over the noise") << Components{{2.0 / 3, 9.0}} << false;
        QTest::newRow("two thirds, 15 dB over") << Components{{2.0 / 3, 15.0}} << true;
        QTest::newRow("two thirds, 9 dB, and its 2nd partial 15 dB")
            << Components{{2.0 / 3, 9.0}, {4.0 / 3, 15.0}} << true;
        QTest::newRow("an octave below, 9 dB over") << Components{{0.5, 9.0}} << true;
    }
    void componentUnderASeries() {
        QFETCH(Components, components);
        QFETCH(bool, lowerNote);
        const Window w = e4With(components);
        QVERIFY2(w.series && w.series->partials.front().k == 1, "no E4 series read");
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

    // E1's odd partials, all three standing far over the noise, make the note under an E2
    // series E1 where they are about as strong as a string's odd partials are beside its even
    // ones; 28 dB under the series (a sampled string's loop leaves such components) they do not.
    void oddPartialsOfTheOctaveBelow_data() {
        QTest::addColumn<double>("underDb");
        QTest::addColumn<bool>("octaveBelow");
        QTest::newRow("E2 alone") << 0.0 << false;
        QTest::newRow("E1's odd partials 18 dB under the series") << -18.0 << true;
        QTest::newRow("28 dB under the series") << -28.0 << false;
    }
    void oddPartialsOfTheOctaveBelow() {
        QFETCH(double, underDb);
        QFETCH(bool, octaveBelow);
        const pitch::Spectrum spectrum = e2WithHalfMultiples(underDb);
        const double e2 = pitch::noteFrequencyHz(40.0);
        const auto below = pitch::noteBelow(spectrum, e2, pitch::noteFrequencyHz(22.5), rate);
        QCOMPARE(below.has_value(), octaveBelow);
        if (below)
            QVERIFY(std::abs(pitch::centsBetween(*below, e2 / 2.0)) < 1.0);
    }

    // A series without its fundamental, E1's partials 2, 4, 6, 7 and 8: a new E2's series and,
    // on the 7th, D2's 4th partial, D2 still ringing. Only partials no ringing string makes
    // are the series' own; a string that is the series' octave lends it nothing.
    void partialsOfTheSeriesOwn_data() {
        QTest::addColumn<QList<double>>("ringing");
        QTest::addColumn<QList<int>>("own");
        const double d2 = 7.0 * e1Sharp / 4.0;
        QTest::newRow("nothing ringing") << QList<double>{} << QList<int>{2, 4, 6, 7, 8};
        QTest::newRow("D2 ringing lends E1 its 7th") << QList<double>{d2} << QList<int>{2, 4, 6, 8};
        QTest::newRow("a string 30 cents off D2")
            << QList<double>{d2 * std::exp2(30.0 / 1200.0)} << QList<int>{2, 4, 6, 7, 8};
        QTest::newRow("E2 ringing, the series' octave")
            << QList<double>{2.0 * e1Sharp} << QList<int>{2, 4, 6, 7, 8};
    }
    void partialsOfTheSeriesOwn() {
        QFETCH(QList<double>, ringing);
        QFETCH(QList<int>, own);
        pitch::SeriesReading series{e1Sharp, {}};
        for (const int k : {2, 4, 6, 7, 8})
            series.partials.push_back({k, k * e1Sharp, 0.1});
        QList<int> kept;
        for (const pitch::Partial& p :
             pitch::ownPartials(series, {ringing.data(), static_cast<std::size_t>(ringing.size())}))
            kept.push_back(p.k);
        QCOMPARE(kept, own);
    }

    // B1's partials 2, 3, 4, 6 and 8, 20 dB over the noise, its fundamental gone: what D2 and
    // A2 sounding together would make of D1's, so they name no note; only the 7th does. Alone,
    // or over B1 itself ringing on, they may continue B1's row; over another string, not even
    // that (an E2 ringing on under a new D2 once made E1's row run on for half a second).
    void partialsThatTwoStringsMake_data() {
        QTest::addColumn<QList<int>>("ks");
        QTest::addColumn<QList<double>>("ringing");
        QTest::addColumn<bool>("reading");
        QTest::addColumn<bool>("continuation");
        const double b1 = pitch::noteFrequencyHz(35.0);
        const QList<int> twoStrings{2, 3, 4, 6, 8};
        QTest::newRow("alone") << twoStrings << QList<double>{} << false << true;
        QTest::newRow("B1 ringing") << twoStrings << QList<double>{b1} << false << true;
        QTest::newRow("E2 ringing") << twoStrings << QList<double>{82.4} << false << false;
        QTest::newRow("with its 7th")
            << QList<int>{2, 3, 4, 6, 7, 8} << QList<double>{} << true << false;
    }
    void partialsThatTwoStringsMake() {
        QFETCH(QList<int>, ks);
        QFETCH(QList<double>, ringing);
        QFETCH(bool, reading);
        QFETCH(bool, continuation);
        const double b1 = pitch::noteFrequencyHz(35.0);
        std::vector<testing::Sinusoid> partials;
        for (const int k : ks)
            partials.push_back({k * b1, 0.05, 0.0, 0.7 * k});
        auto signal = testing::render(partials, 1.0, rate);
        testing::addNoise(signal, noiseRms, 4);
        const pitch::Spectrum spectrum(signal.data(), signal.size(), rate);
        const pitch::WindowOutcome outcome =
            pitch::readNoteAt(spectrum, b1, signal.size(), rate, 30.0, 1400.0, false,
                              {ringing.data(), static_cast<std::size_t>(ringing.size())});
        QCOMPARE(outcome.reading.has_value(), reading);
        QCOMPARE(outcome.continuation.has_value(), continuation);
        for (const auto& read : {outcome.reading, outcome.continuation})
            if (read)
                QVERIFY2(std::abs(pitch::centsBetween(read->hz, b1)) < 1.0,
                         qPrintable(QString("%1 Hz").arg(read->hz)));
    }
};

QTEST_APPLESS_MAIN(TestNoteEvidence)
#include "test_note_evidence.moc"
