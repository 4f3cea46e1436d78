// When the live estimator reads: how soon after a pluck over a bass's range, where a full
// window would wait for 8 periods of B0, and how soon and how often after a tuner has been
// left listening to an empty room.

#include <QtTest>

#include <cmath>
#include <vector>

#include "pitch/live_estimator.h"
#include "pitch/pitch_estimator.h"
#include "tests/support/listening.h"
#include "tests/support/microphone_model.h"
#include "tests/support/synthetic_notes.h"

using pitch::centsBetween;
using pitch::LiveEstimator;
using pitch::noteFrequencyHz;
using pitch::Reading;

namespace {

using Signal = std::vector<float>;

constexpr double rate = 48000.0;
// Silence before each pluck, so that its onset is heard.
constexpr double leadSeconds = 0.3;

std::vector<Reading> listen(const Signal& signal,
                            double lowestNote = LiveEstimator::defaultLowestNote) {
    LiveEstimator estimator(rate, lowestNote);
    return testing::pushInChunks(estimator, signal, 480);
}

Signal plucked(double f0, double stiffness, double decaySeconds) {
    return testing::render(testing::pluckedString(f0, stiffness, decaySeconds, rate), 2.5, rate);
}

Signal afterSilence(const Signal& tone) {
    Signal signal(static_cast<std::size_t>(leadSeconds * rate));
    signal.insert(signal.end(), tone.begin(), tone.end());
    return signal;
}

}  // namespace

class TestLiveEstimatorTiming : public QObject {
    Q_OBJECT

private slots:
    // Over `--listen`'s range, down to a bass's B0: a guitar string plucked out of silence is
    // read by a window shorter than B0 needs, and a bass string's partials, which such a window
    // does not resolve, are never read as a higher note.
    void readsEarlyOverABassRange_data() {
        QTest::addColumn<Signal>("signal");
        QTest::addColumn<double>("trueHz");
        // Seconds from the pluck to the first reading; 0 where not asked.
        QTest::addColumn<double>("responseSeconds");
        for (double note : {40.0, 45.0, 55.0}) {
            const double f0 = noteFrequencyHz(note);
            QTest::newRow(qPrintable(QString("guitar, note %1").arg(note)))
                << afterSilence(plucked(f0, 2e-4, 2.0)) << f0 * std::sqrt(1.0002) << 0.25;
        }
        for (double note : {23.0, 28.0, 33.0}) {
            const double f0 = noteFrequencyHz(note + 0.1);
            QTest::newRow(qPrintable(QString("bass, note %1").arg(note)))
                << afterSilence(plucked(f0, 1e-4, 3.0)) << f0 * std::sqrt(1.0001) << 0.0;
            QTest::newRow(qPrintable(QString("bass through a laptop, note %1").arg(note)))
                << testing::throughMicrophone(afterSilence(plucked(f0, 1e-4, 3.0)), rate,
                                              testing::laptopMicrophone(),
                                              static_cast<unsigned>(note))
                << f0 * std::sqrt(1.0001) << 0.0;
        }
    }
    void readsEarlyOverABassRange() {
        QFETCH(Signal, signal);
        QFETCH(double, trueHz);
        QFETCH(double, responseSeconds);
        const auto readings = listen(signal, LiveEstimator::lowestBassNote);
        QVERIFY2(!readings.empty(), "no readings");
        for (const Reading& r : readings)
            QVERIFY2(std::abs(centsBetween(r.hz, trueHz)) < 50.0,
                     qPrintable(QString("%1 Hz for %2 Hz at %3 s")
                                    .arg(r.hz)
                                    .arg(trueHz)
                                    .arg(static_cast<double>(r.atSample) / rate - leadSeconds)));
        const double first = static_cast<double>(readings.front().atSample) / rate - leadSeconds;
        if (responseSeconds > 0.0)
            QVERIFY2(first <= responseSeconds, qPrintable(QString("first after %1 s").arg(first)));
    }

    // A tuner left listening to an empty room analyses fewer windows, but a pluck there is read
    // as soon as after silence, and as often.
    void readsAPluckInAnEmptyRoomAtOnce() {
        const double e2 = noteFrequencyHz(40.0);
        const double roomSeconds = 4.0;
        Signal signal(static_cast<std::size_t>(roomSeconds * rate));
        const Signal tone = plucked(e2, 2e-4, 2.0);
        signal.insert(signal.end(), tone.begin(), tone.end());
        const auto heard = testing::throughMicrophone(signal, rate, testing::laptopMicrophone());
        const auto readings = listen(heard);
        QVERIFY2(readings.size() > 1, "no readings");
        const double first = static_cast<double>(readings.front().atSample) / rate - roomSeconds;
        const double last = static_cast<double>(readings.back().atSample) / rate - roomSeconds;
        QVERIFY2(first >= 0.0 && first <= 0.3, qPrintable(QString("first after %1 s").arg(first)));
        QVERIFY2(last - first >= 1.0, qPrintable(QString("read for only %1 s").arg(last - first)));
        QVERIFY2(static_cast<double>(readings.size() - 1) >= 15.0 * (last - first),
                 qPrintable(QString("%1 readings in %2 s").arg(readings.size()).arg(last - first)));
    }
};

QTEST_APPLESS_MAIN(TestLiveEstimatorTiming)
#include "test_live_estimator_timing.moc"
