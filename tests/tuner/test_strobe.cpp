// The strobe's frames over simulated time, read back from the pixels: at known deviations the
// stripes stand, or drift the way the string is off, fast enough to see a tenth of a cent in
// three seconds, never so far in one frame that the eye could follow them the wrong way, and
// faster the further off the string is; without a reading they stop and no frames are drawn.

#include <QImage>
#include <QtTest>
#include <cmath>
#include <complex>
#include <numbers>

#include "tuner/strobe_band.h"

using tuner::StrobeBand;
using tuner::StrobeMotion;

namespace {

constexpr double period = StrobeMotion::periodPixels;
constexpr int readingMs = 50;  // 20 readings a second

// Where the stripes stand in a frame, in pixels modulo one period: the phase of the pattern's
// fundamental along the middle row.
double stripePhase(const QImage& frame) {
    const int y = frame.height() / 2;
    std::complex<double> sum;
    for (int x = 0; x < frame.width(); ++x) {
        const double darkness = 255.0 - qGray(frame.pixel(x, y));
        sum += darkness * std::polar(1.0, -2.0 * std::numbers::pi * x / period);
    }
    return -std::arg(sum) / (2.0 * std::numbers::pi) * period;
}

// The shortest signed move from one phase to the next.
double moved(double from, double to) {
    return std::remainder(to - from, period);
}

struct Run {
    double displacement = 0;  // pixels from 1 s to 4 s, to the right positive
    double largestStep = 0;   // pixels between two frames, either way
    bool animating = false;
};

// Readings of `cents` for four simulated seconds, a frame drawn at every frame tick.
Run driftAt(StrobeBand& band, std::int64_t& now, double cents) {
    Run run;
    double last = stripePhase(band.grab().toImage());
    for (std::int64_t t = 0; t <= 4000; t += 10) {
        now = t;
        if (t % readingMs == 0)
            band.setCents(cents);
        if (t % StrobeBand::frameMs != 0)
            continue;
        const double phase = stripePhase(band.grab().toImage());
        const double step = moved(last, phase);
        last = phase;
        run.largestStep = std::max(run.largestStep, std::abs(step));
        if (t > 1000)
            run.displacement += step;
    }
    run.animating = band.animating();
    return run;
}

}  // namespace

class StrobeTest : public QObject {
    Q_OBJECT

private slots:
    void driftsTheWayTheStringIsOff_data() {
        QTest::addColumn<double>("cents");
        QTest::addColumn<int>("direction");
        QTest::newRow("in tune stands") << 0.0 << 0;
        QTest::newRow("a tenth sharp drifts right") << 0.1 << 1;
        QTest::newRow("a tenth flat drifts left") << -0.1 << -1;
        QTest::newRow("a cent sharp") << 1.0 << 1;
        QTest::newRow("five cents flat") << -5.0 << -1;
    }
    void driftsTheWayTheStringIsOff() {
        QFETCH(double, cents);
        QFETCH(int, direction);
        std::int64_t now = 0;
        StrobeBand band([&now] { return now; });
        band.resize(16 * static_cast<int>(period), 24);
        const Run run = driftAt(band, now, cents);
        QCOMPARE(run.animating, direction != 0);
        if (direction == 0) {
            QVERIFY2(std::abs(run.displacement) < 0.05,
                     qPrintable(QString::number(run.displacement)));
            return;
        }
        QCOMPARE(run.displacement > 0, direction > 0);
        // Seen within three seconds: a third of a stripe pair at the least.
        QVERIFY2(std::abs(run.displacement) >= period / 3,
                 qPrintable(QString("moved %1 px in 3 s").arg(run.displacement)));
        // Readable: a frame moves the stripes less than a third of a pair, well short of the
        // half at which the eye can no longer tell which way they go.
        QVERIFY2(run.largestStep < period / 3,
                 qPrintable(QString("a frame moved %1 px").arg(run.largestStep)));
    }

    // In the fine range the speed is proportional to the deviation (a tenth of a cent is a
    // tenth of a cent's speed), and further off it still grows.
    void speedGrowsWithTheDeviation() {
        const auto speedAt = [](double cents) {
            std::int64_t now = 0;
            StrobeBand band([&now] { return now; });
            band.resize(16 * static_cast<int>(period), 24);
            return std::abs(driftAt(band, now, cents).displacement) / 3.0;
        };
        const double tenth = speedAt(0.1);
        const double one = speedAt(1.0);
        const double five = speedAt(5.0);
        QVERIFY2(std::abs(one / tenth - 10.0) < 0.5,
                 qPrintable(QString("%1 and %2 px/s").arg(tenth).arg(one)));
        QVERIFY2(five > 3.0 * one, qPrintable(QString("%1 and %2 px/s").arg(one).arg(five)));
    }

    // The reading goes: the stripes stop where they are and no frame is drawn any more.
    void stopsWithoutAReading() {
        std::int64_t now = 0;
        StrobeBand band([&now] { return now; });
        band.resize(16 * static_cast<int>(period), 24);
        QVERIFY(driftAt(band, now, 2.0).animating);
        band.setCents(std::nullopt);
        QVERIFY(!band.animating());
        const QImage stopped = band.grab().toImage();
        now += 1000;
        QCOMPARE(band.grab().toImage(), stopped);
    }
};

QTEST_MAIN(StrobeTest)
#include "test_strobe.moc"
