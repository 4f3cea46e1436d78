// The string a reading belongs to: the nearest target, held against flicker near a midpoint.

#include <QtTest>

#include <cstdint>
#include <vector>

#include "pitch/pitch_estimator.h"
#include "pitch/target_choice.h"

using Notes = std::vector<std::int16_t>;
using Played = std::vector<double>;  // fractional MIDI notes of successive readings
using Chosen = std::vector<int>;     // the target each must be read against

namespace {

const Notes standard{64, 59, 55, 50, 45, 40};

}  // namespace

class TestTargetChoice : public QObject {
    Q_OBJECT

private slots:
    void choosesTheNearestAndHoldsIt_data() {
        QTest::addColumn<Notes>("targets");
        QTest::addColumn<Played>("played");
        QTest::addColumn<Chosen>("chosen");
        QTest::newRow("each string of standard tuning, off by up to 40 cents")
            << standard << Played{40.3, 45.0, 49.6, 55.4, 58.9, 64.1} << Chosen{5, 4, 3, 2, 1, 0};
        // E2 and A2 meet at 42.5: the choice moves once a reading is 10 cents past the
        // midpoint (20 cents nearer the other string), and back only as far past it again.
        QTest::newRow("readings around a midpoint")
            << standard << Played{42.49, 42.51, 42.58, 42.61, 42.45, 42.41, 42.39, 42.59}
            << Chosen{5, 5, 5, 4, 4, 4, 5, 5};
        QTest::newRow("far below and far above every string")
            << standard << Played{20.0, 90.0} << Chosen{5, 0};
        QTest::newRow("the tuning's order, not ascending")
            << Notes{47, 43, 38, 33, 28, 35} << Played{35.2, 33.1, 28.0} << Chosen{5, 3, 4};
        QTest::newRow("two strings tuned alike: the first")
            << Notes{64, 59, 52, 52, 47, 40} << Played{52.3, 51.7} << Chosen{2, 2};
    }
    void choosesTheNearestAndHoldsIt() {
        QFETCH(Notes, targets);
        QFETCH(Played, played);
        QFETCH(Chosen, chosen);
        pitch::TargetChoice choice(targets);
        for (std::size_t i = 0; i < played.size(); ++i) {
            const auto reading = choice.choose(pitch::noteFrequencyHz(played[i]));
            QVERIFY(reading);
            QCOMPARE(reading->target, chosen[i]);
            const int note = targets[static_cast<std::size_t>(chosen[i])];
            QVERIFY(std::abs(reading->cents - 100.0 * (played[i] - note)) < 1e-9);
        }
    }

    void noTargetsNoChoice() {
        pitch::TargetChoice choice(Notes{});
        QVERIFY(!choice.choose(440.0));
    }
};

QTEST_APPLESS_MAIN(TestTargetChoice)
#include "test_target_choice.moc"
