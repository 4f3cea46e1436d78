// The discontinuity detector on tones whose breaks are known exactly: every cut-out that moves
// the tone's phase and every hole is found, just after it; nothing is found in whole tones,
// plucks, onsets, rooms or a recorded guitar; the stream comes out as it went in, late; and the
// live estimator reads no tone across a break.

#include <QtTest>

#include <cmath>
#include <numbers>
#include <vector>

#include "midi/offline_synth.h"
#include "midi/soundfonts.h"
#include "pitch/discontinuity_detector.h"
#include "pitch/live_estimator.h"
#include "pitch/pitch_estimator.h"
#include "tests/support/broken_streams.h"
#include "tests/support/listening.h"
#include "tests/support/microphone_model.h"
#include "tests/support/synthetic_notes.h"

using pitch::DiscontinuityDetector;
using pitch::noteFrequencyHz;
using testing::BreakKind;
using testing::BrokenStream;
using testing::render;

namespace {

using Signal = std::vector<float>;

constexpr double rate = 44100.0;
constexpr double leadSeconds = 0.5;
// A break is found no later than this after the tone is whole again: at once where the waveform
// jumps, else within the period a phase jump shows in.
constexpr double latestCutSeconds = 0.012;
// A cut-out that moves the fundamental's phase less than this barely moves a reading, and
// where the waveform runs on as before it leaves no trace to find.
constexpr double smallestPhaseJump = 0.3;

// Where the stream was found to be whole again after each break, in order.
std::vector<std::uint64_t> cutsIn(const Signal& signal, double sampleRate,
                                  std::size_t chunk = 441) {
    DiscontinuityDetector detector(sampleRate);
    std::vector<std::uint64_t> cuts;
    for (std::size_t i = 0; i < signal.size(); i += chunk) {
        detector.push(std::span(signal).subspan(i, std::min(chunk, signal.size() - i)));
        if (detector.cleanFrom() != (cuts.empty() ? 0 : cuts.back()))
            cuts.push_back(detector.cleanFrom());
    }
    return cuts;
}

Signal afterSilence(const Signal& tone) {
    Signal signal(static_cast<std::size_t>(leadSeconds * rate));
    signal.insert(signal.end(), tone.begin(), tone.end());
    return signal;
}

double wrapped(double radians) {
    return std::remainder(radians, 2.0 * std::numbers::pi);
}

Signal steadySeries(double f0) {
    return render({{f0, 0.3, 0.0, 0.3},
                   {2 * f0, 0.12, 0.0, 1.1},
                   {3 * f0, 0.06, 0.0, 2.0},
                   {4 * f0, 0.03, 0.0, 0.5}},
                  3.5, rate);
}

Signal plucked(double f0, double stiffness = 2e-4) {
    return render(testing::pluckedString(f0, stiffness, 3.0, rate), 3.5, rate);
}

struct Breaking {
    BrokenStream stream;
    // The fundamental partial, for the phase a cut-out moves it by.
    double f1;
};

QString where(std::uint64_t sample) {
    return QString::number(static_cast<double>(sample) / rate, 'f', 4) + " s";
}

}  // namespace

Q_DECLARE_METATYPE(Breaking)
Q_DECLARE_METATYPE(BreakKind)

class TestDiscontinuityDetector : public QObject {
    Q_OBJECT

private slots:
    // Cut-outs of 1 to 20 ms and holes of low noise in steady and plucked tones over the
    // guitar's range, clean and in a room's noise.
    void findsEveryBreak_data() {
        QTest::addColumn<Breaking>("breaking");
        const std::vector<double> lengths = {1, 2, 3, 5, 7, 10, 13, 16, 20, 1.5, 4, 8};
        for (BreakKind kind : {BreakKind::cutOut, BreakKind::noiseHole, BreakKind::lateNoise})
            for (double note : {36.0, 40.0, 45.0, 50.0, 55.0, 59.0, 64.0, 69.0})
                for (int tone = 0; tone < 3; ++tone) {
                    const double f0 = noteFrequencyHz(note + 0.13);
                    Signal signal = tone == 0 ? steadySeries(f0) : plucked(f0);
                    // In noise, while the pluck stands 20 dB above it.
                    if (tone == 2) {
                        signal.resize(static_cast<std::size_t>(2.2 * rate));
                        testing::addNoise(signal, std::pow(10.0, -50.0 / 20.0), 3);
                    }
                    const double f1 = tone == 0 ? f0 : f0 * std::sqrt(1.0 + 2e-4);
                    Breaking breaking{testing::withBreaks(afterSilence(signal), rate, kind, lengths,
                                                          leadSeconds + 0.35, 0.23),
                                      f1};
                    QTest::newRow(
                        qPrintable(QString("%1 in %2 note %3")
                                       .arg(kind == BreakKind::cutOut      ? "cut-outs"
                                            : kind == BreakKind::noiseHole ? "noise holes"
                                                                           : "late data's noise")
                                       .arg(tone == 0   ? "a steady tone,"
                                            : tone == 1 ? "a pluck,"
                                                        : "a pluck in noise at -50 dBFS,")
                                       .arg(note)))
                        << breaking;
                }
    }
    void findsEveryBreak() {
        QFETCH(Breaking, breaking);
        const auto cuts = cutsIn(breaking.stream.samples, rate);
        const auto latest = static_cast<std::uint64_t>(latestCutSeconds * rate);
        for (const testing::Break& b : breaking.stream.breaks) {
            const double jump = wrapped(2.0 * std::numbers::pi * breaking.f1 *
                                        static_cast<double>(b.clean - b.at) / rate);
            // A hole is always found; a cut-out where it moves the phase enough to matter.
            const bool mustFind = b.clean > b.at || std::abs(jump) >= smallestPhaseJump;
            const bool found = std::ranges::any_of(
                cuts, [&](std::uint64_t c) { return c >= b.clean && c <= b.clean + latest; });
            QVERIFY2(found || !mustFind,
                     qPrintable(QString("the break at %1 (phase jump %2 rad) was not found")
                                    .arg(where(b.at))
                                    .arg(jump)));
        }
        // Nothing is found but the breaks.
        for (std::uint64_t c : cuts)
            QVERIFY2(std::ranges::any_of(breaking.stream.breaks,
                                         [&](const testing::Break& b) {
                                             return c >= b.at && c <= b.clean + latest;
                                         }),
                     qPrintable("a break found at " + where(c)));
    }

    // Whole tones: steady and plucked over the range, with a room's noise, through a laptop's
    // microphone, a string plucked while another rings, and a recorded guitar.
    void findsNothingInWholeTones_data() {
        QTest::addColumn<Signal>("signal");
        for (double note : {33.0, 40.0, 47.0, 52.0, 57.0, 64.0, 72.0}) {
            const double f0 = noteFrequencyHz(note);
            QTest::newRow(qPrintable(QString("steady sine, note %1").arg(note)))
                << afterSilence(render({{f0, 0.3, 0.0, 0.0}}, 3.0, rate));
            QTest::newRow(qPrintable(QString("steady series, note %1").arg(note)))
                << afterSilence(steadySeries(f0));
            for (double stiffness : {1e-4, 5e-4})
                QTest::newRow(qPrintable(QString("pluck, note %1, B %2").arg(note).arg(stiffness)))
                    << afterSilence(plucked(f0, stiffness));
            Signal noisy = afterSilence(plucked(f0));
            testing::addNoise(noisy, 3e-3, 7);
            QTest::newRow(qPrintable(QString("pluck in noise, note %1").arg(note))) << noisy;
            QTest::newRow(
                qPrintable(QString("pluck through a laptop microphone, note %1").arg(note)))
                << testing::throughMicrophone(afterSilence(plucked(f0)), rate,
                                              testing::laptopMicrophone(),
                                              static_cast<unsigned>(note));
        }
        for (int first : {40, 50, 59})
            for (int second : {40, 45, 55, 64})
                for (double gain : {0.3, 1.0, 2.0}) {
                    // The same string plucked again softly changes little but its phase: that
                    // is found as a break.
                    if (first == second && gain < 1.0)
                        continue;
                    Signal signal = render(
                        testing::pluckedString(noteFrequencyHz(first), 2e-4, 2.0, rate), 3.0, rate);
                    const Signal next =
                        render(testing::pluckedString(noteFrequencyHz(second), 2e-4, 2.0, rate, 9),
                               1.5, rate);
                    const auto pluck = static_cast<std::size_t>(1.5 * rate);
                    for (std::size_t i = 0; i < next.size(); ++i)
                        signal[pluck + i] += static_cast<float>(gain * next[i]);
                    testing::addNoise(signal, 1e-4, 5);
                    QTest::newRow(qPrintable(QString("note %1 plucked at %2 while note %3 rings")
                                                 .arg(second)
                                                 .arg(gain)
                                                 .arg(first)))
                        << signal;
                }
        std::string error;
        const auto synth = midi::OfflineSynth::create(midi::soundFontCandidates[0].path,
                                                      midi::soundFontCandidates[0].gain, error);
        if (!synth)
            return;
        for (int program = 24; program <= 30; ++program)
            for (int note : {40, 45, 50, 55, 59, 64})
                QTest::newRow(qPrintable(
                    QString("recorded guitar, program %1, note %2").arg(program).arg(note)))
                    << afterSilence(synth->play(program, note, 3.0));
    }
    void findsNothingInWholeTones() {
        QFETCH(Signal, signal);
        const auto cuts = cutsIn(signal, rate);
        QVERIFY2(cuts.empty(), qPrintable(QString("%1 breaks found, the first at %2")
                                              .arg(cuts.size())
                                              .arg(cuts.empty() ? QString() : where(cuts[0]))));
    }

    // The stream comes out as it went in, latency() samples late, and the breaks are found at
    // the same places, however it is cut into pieces.
    void chunkingChangesNothing() {
        const auto six = testing::sixStringsWithBreaks(rate, BreakKind::cutOut);
        const Signal& signal = six.stream.samples;
        // Where the stream is whole again, after each sample pushed one by one.
        std::vector<std::uint64_t> clean;
        DiscontinuityDetector single(rate);
        for (const float& sample : signal) {
            single.push(std::span(&sample, 1));
            clean.push_back(single.cleanFrom());
        }
        QVERIFY(clean.back() > 0);
        for (std::size_t chunk : {97, 4096, 1 << 20}) {
            DiscontinuityDetector detector(rate);
            Signal out;
            for (std::size_t i = 0; i < signal.size(); i += chunk) {
                const std::size_t n = std::min(chunk, signal.size() - i);
                const auto handed = detector.push(std::span(signal).subspan(i, n));
                out.insert(out.end(), handed.begin(), handed.end());
                QCOMPARE(detector.cleanFrom(), clean[i + n - 1]);
            }
            QCOMPARE(out.size(), signal.size() - detector.latency());
            QVERIFY(std::equal(out.begin(), out.end(), signal.begin()));
        }
    }

    // The live estimator on the six strings, each broken every 0.45 s: every reading within
    // half a cent of its string, and readings between the breaks.
    void noReadingAcrossABreak_data() {
        QTest::addColumn<BreakKind>("kind");
        QTest::addColumn<double>("sampleRate");
        QTest::newRow("cut-outs, 44.1 kHz") << BreakKind::cutOut << 44100.0;
        QTest::newRow("cut-outs, 48 kHz") << BreakKind::cutOut << 48000.0;
        QTest::newRow("noise holes, 44.1 kHz") << BreakKind::noiseHole << 44100.0;
        QTest::newRow("noise holes, 48 kHz") << BreakKind::noiseHole << 48000.0;
        QTest::newRow("late data's noise, 44.1 kHz") << BreakKind::lateNoise << 44100.0;
        QTest::newRow("late data's noise, 48 kHz") << BreakKind::lateNoise << 48000.0;
    }
    void noReadingAcrossABreak() {
        QFETCH(BreakKind, kind);
        QFETCH(double, sampleRate);
        const auto six = testing::sixStringsWithBreaks(sampleRate, kind);
        pitch::LiveEstimator estimator(sampleRate);
        const auto readings = testing::pushInChunks(estimator, six.stream.samples,
                                                    static_cast<std::size_t>(0.01 * sampleRate));
        for (const pitch::Reading& r : readings) {
            double off = 1e9;
            for (double truth : six.truthHz)
                if (std::abs(pitch::centsBetween(r.hz, truth)) < std::abs(off))
                    off = pitch::centsBetween(r.hz, truth);
            QVERIFY2(std::abs(off) <= 0.5,
                     qPrintable(QString("%1 cents off at %2 s")
                                    .arg(off)
                                    .arg(static_cast<double>(r.atSample) / sampleRate)));
        }
        QVERIFY2(readings.size() >= 200, qPrintable(QString("%1 readings").arg(readings.size())));
    }
};

QTEST_APPLESS_MAIN(TestDiscontinuityDetector)
#include "test_discontinuity_detector.moc"
