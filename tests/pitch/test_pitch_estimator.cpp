// The estimator against synthetic notes whose fundamental is known exactly, and the real
// signal's transform it reads.

#include <QtTest>

#include <cmath>
#include <random>
#include <vector>

#include "pitch/fft.h"
#include "pitch/pitch_estimator.h"
#include "pitch/windowed_spectrum.h"
#include "tests/support/synthetic_notes.h"

using pitch::centsBetween;
using pitch::estimateFundamentalHz;
using pitch::noteFrequencyHz;
using testing::addNoise;
using testing::Sinusoid;

namespace {

constexpr double rate = 44100.0;

std::vector<float> render(const std::vector<Sinusoid>& partials, double seconds) {
    return testing::render(partials, seconds, rate);
}

std::vector<Sinusoid> pluckedString(double f0, double stiffness, double decaySeconds) {
    return testing::pluckedString(f0, stiffness, decaySeconds, rate);
}

}  // namespace

using Signal = std::vector<float>;

class TestPitchEstimator : public QObject {
    Q_OBJECT

private:
    static void addRow(const QString& name, const Signal& signal, double hintNote, double trueHz,
                       double toleranceCents = 0.1) {
        QTest::newRow(qPrintable(name))
            << signal << noteFrequencyHz(hintNote) << trueHz << toleranceCents;
    }

private slots:
    // Hints off by up to 80 cents, stiff strings (whose fundamental partial sounds at
    // f0 * sqrt(1 + B)), clipping that adds strong harmonics, muted strings that die within a
    // fraction of a second, low notes whose upper partials dwarf the fundamental (never read an
    // octave or a twelfth up), and a loud stray component near the fundamental without partials
    // of its own (a distortion product, a body resonance): the harmonic series is the note.
    void measuresTheFundamental_data() {
        QTest::addColumn<Signal>("signal");
        QTest::addColumn<double>("hintHz");
        QTest::addColumn<double>("trueHz");
        QTest::addColumn<double>("toleranceCents");
        const struct {
            double note, detuneCents, hintOffsetCents;
        } sines[] = {{28, 0, 0},    {33, 3.7, 0},   {40, -16, 0},  {50, 0.3, 0},
                     {64, 0, 60.0}, {69, 1.2, -80}, {81, -0.05, 0}};
        for (const auto& t : sines) {
            const double hz = noteFrequencyHz(t.note + t.detuneCents / 100.0);
            addRow(QString::asprintf("sine %g%+g cents, hint %+g", t.note, t.detuneCents,
                                     t.hintOffsetCents),
                   render({{hz, 0.5, 0.0, 0.3}}, 1.2), t.note + t.hintOffsetCents / 100.0, hz,
                   0.001);
        }
        for (double note : {28.0, 40.0, 52.0, 64.0, 69.0}) {
            const double f0 = noteFrequencyHz(note + 0.025);
            for (double stiffness : {0.0, 1e-4, 5e-4}) {
                auto signal = render(pluckedString(f0, stiffness, 1.5), 1.5);
                addNoise(signal, 1e-4);
                addRow(QString("plucked %1 B=%2").arg(note).arg(stiffness), signal, note,
                       f0 * std::sqrt(1.0 + stiffness));
            }
        }
        for (double note : {28.0, 35.0, 45.0, 57.0, 69.0}) {
            const double f0 = noteFrequencyHz(note - 0.07);
            const auto plucked = render(pluckedString(f0, 0.0, 3.0), 1.5);
            const double level =
                std::abs(std::ranges::max(plucked, {}, [](float v) { return std::abs(v); }));
            Signal hard = plucked, soft = plucked;
            for (std::size_t i = 0; i < plucked.size(); ++i) {
                const double x = plucked[i] / level;
                hard[i] = static_cast<float>(std::clamp(x, -0.2, 0.2) / 0.2);
                soft[i] = static_cast<float>(std::tanh(12.0 * x));
            }
            addRow(QString("clipped %1 hard").arg(note), hard, note, f0);
            addRow(QString("clipped %1 tanh").arg(note), soft, note, f0);
        }
        for (auto [note, decaySeconds] : {std::pair{33.0, 0.12}, {40.0, 0.08}, {69.0, 0.05}}) {
            const double f0 = noteFrequencyHz(note + 0.04);
            addRow(QString("muted %1, %2 s").arg(note).arg(decaySeconds),
                   render(pluckedString(f0, 1e-4, decaySeconds), 1.0), note,
                   f0 * std::sqrt(1.0001));
        }
        // A hard pluck rings sharp for its first milliseconds (the string's displacement raises
        // its tension): here 20 cents sharp, four times as loud as the settled fundamental,
        // dying in 5 ms. On a muted note the measured part is short, so it must start after
        // the attack; reading the attack too shows it by a tenth of a cent.
        for (double note : {40.0, 52.0, 64.0}) {
            const double f0 = noteFrequencyHz(note + 0.04);
            auto partials = pluckedString(f0, 1e-4, 0.08);
            partials.push_back(
                {f0 * std::pow(2.0, 20.0 / 1200.0), 4 * partials[0].amplitude, 0.005, 0.0});
            addRow(QString("muted %1 ringing sharp in its attack").arg(note), render(partials, 1.2),
                   note, f0 * std::sqrt(1.0001), 0.02);
        }
        const double e1 = noteFrequencyHz(28.0);
        for (double level : {0.05, 0.005})
            addRow(QString("fundamental at %1").arg(level),
                   render({{e1, level, 0, 0}, {2 * e1, 0.5, 0, 1}, {3 * e1, 0.3, 0, 2}}, 1.2), 28.0,
                   e1);
        for (auto [note, strayCents] : {std::pair{57.0, 70.0}, {64.0, -60.0}}) {
            const double f0 = noteFrequencyHz(note + 0.02);
            addRow(QString("stray %1 cents from %2").arg(strayCents).arg(note),
                   render({{f0, 0.2, 0, 0},
                           {2 * f0, 0.3, 0, 1},
                           {3 * f0, 0.2, 0, 2},
                           {4 * f0, 0.1, 0, 3},
                           {f0 * std::pow(2.0, strayCents / 1200.0), 0.5, 0, 0.5}},
                          1.2),
                   note, f0);
        }
    }
    void measuresTheFundamental() {
        QFETCH(Signal, signal);
        QFETCH(double, hintHz);
        QFETCH(double, trueHz);
        QFETCH(double, toleranceCents);
        const auto hz = estimateFundamentalHz(signal.data(), signal.size(), rate, hintHz);
        QVERIFY2(hz.has_value(), "no estimate");
        const double error = centsBetween(*hz, trueHz);
        QVERIFY2(
            std::abs(error) < toleranceCents,
            qPrintable(QString("error %1 cent (%2 Hz for %3 Hz)").arg(error).arg(*hz).arg(trueHz)));
    }

    // What cannot be measured reliably is reported as such, never guessed.
    void unmeasurable_data() {
        QTest::addColumn<Signal>("signal");
        QTest::addColumn<double>("sampleRate");
        QTest::addColumn<double>("hintHz");
        const double hz = noteFrequencyHz(45.0);
        Signal silence(44100, 0.0f);
        addNoise(silence, 1e-5);
        const Signal sine = render({{hz, 0.5, 0.0, 0.0}}, 1.0);
        QTest::newRow("silence") << silence << rate << hz;
        QTest::newRow("too short") << render({{hz, 0.5, 0.0, 0.0}}, 0.06) << rate << hz;
        QTest::newRow("nothing near the hint")
            << render({{hz * 1.5, 0.5, 0, 0}}, 1.0) << rate << hz;
        QTest::newRow("dies at once") << render(pluckedString(hz, 0.0, 0.01), 1.0) << rate << hz;
        QTest::newRow("fundamental vanishingly weak")
            << render({{hz, 1e-5, 0, 0}, {2 * hz, 0.5, 0, 0}}, 1.0) << rate << hz;
        // Asked an octave up, a clear fundamental below the hint is not misread as the note.
        const double e1 = noteFrequencyHz(28.0);
        QTest::newRow("clear fundamental an octave below the hint")
            << render({{e1, 0.05, 0, 0}, {2 * e1, 0.5, 0, 1}, {3 * e1, 0.3, 0, 2}}, 1.2) << rate
            << 2 * e1;
        QTest::newRow("empty") << Signal{} << rate << hz;
        QTest::newRow("rate 0") << sine << 0.0 << hz;
        QTest::newRow("hint 0") << sine << rate << 0.0;
        QTest::newRow("hint NaN") << sine << rate << std::nan("");
        QTest::newRow("hint at the sample rate") << sine << rate << rate;
    }
    void unmeasurable() {
        QFETCH(Signal, signal);
        QFETCH(double, sampleRate);
        QFETCH(double, hintHz);
        QVERIFY(!estimateFundamentalHz(signal.data(), signal.size(), sampleRate, hintHz));
    }

    // The half-length transform of a real signal gives the bins of the full complex one:
    // padded or not, the smallest length, and lengths below and above those transformed
    // before on the thread (whose rotation factors are shared).
    void realTransformMatchesTheComplexOne_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("samples");
        QTest::newRow("4096, full") << 4096 << 4096;
        QTest::newRow("1024, padded") << 1024 << 1000;
        QTest::newRow("8, odd count") << 8 << 5;
        QTest::newRow("2, one sample") << 2 << 1;
        QTest::newRow("2, full") << 2 << 2;
        QTest::newRow("16384, after smaller ones") << 16384 << 12000;
        QTest::newRow("64, after a larger one") << 64 << 64;
    }
    void realTransformMatchesTheComplexOne() {
        QFETCH(int, length);
        QFETCH(int, samples);
        std::mt19937 random(static_cast<unsigned>(length + samples));
        std::uniform_real_distribution<double> uniform(-1.0, 1.0);
        std::vector<double> signal(static_cast<std::size_t>(samples));
        for (double& x : signal)
            x = uniform(random);
        std::vector<std::complex<double>> full(static_cast<std::size_t>(length));
        std::copy(signal.begin(), signal.end(), full.begin());
        pitch::fft(full);
        const auto real = pitch::realFft(signal, static_cast<std::size_t>(length));
        QCOMPARE(real.size(), static_cast<std::size_t>(length / 2 + 1));
        double worst = 0.0;
        for (std::size_t k = 0; k < real.size(); ++k)
            worst = std::max(worst, std::abs(real[k] - full[k]));
        QVERIFY2(worst < 1e-9, qPrintable(QString::number(worst)));
    }

    // The note search reads peak levels from a table of the grid's maxima; it must find what
    // a scan of the grid finds, at every frequency and width, the grid's ends included.
    void peakLevelsFromTheTableMatchTheScan_data() {
        QTest::addColumn<int>("samples");
        QTest::addColumn<double>("noise");
        QTest::newRow("a plucked A2 in noise, 0.35 s at 11 kHz") << 3858 << 0.01;
        QTest::newRow("noise alone, 1 s") << 11025 << 1.0;
        QTest::newRow("three samples") << 3 << 1.0;
        QTest::newRow("eight samples") << 8 << 1.0;
        QTest::newRow("one sample") << 1 << 1.0;
    }
    void peakLevelsFromTheTableMatchTheScan() {
        QFETCH(int, samples);
        QFETCH(double, noise);
        constexpr double decimated = 11025.0;
        Signal signal = testing::render(testing::pluckedString(110.0, 1e-4, 1.5, decimated),
                                        samples / decimated, decimated);
        signal.resize(static_cast<std::size_t>(samples));
        addNoise(signal, noise, 3);
        const pitch::Spectrum spectrum(signal.data(), signal.size(), decimated);
        int compared = 0;
        for (const double cents : {0.0, 1.0, 30.0, 50.0, 700.0})
            for (double hz = 0.0; hz < 0.55 * decimated; hz += 0.37) {
                const auto peak = spectrum.coarsePeakNear(hz, cents);
                const double level = spectrum.coarsePeakLevelNear(hz, cents);
                if (level != (peak ? peak->amplitude : 0.0))
                    QFAIL(qPrintable(QString("%1 Hz, %2 cents: %3, scan %4")
                                         .arg(hz)
                                         .arg(cents)
                                         .arg(level)
                                         .arg(peak ? peak->amplitude : 0.0)));
                compared += level > 0.0;
            }
        QVERIFY(samples < 8 || compared > 1000);
    }
};

QTEST_APPLESS_MAIN(TestPitchEstimator)
#include "test_pitch_estimator.moc"
