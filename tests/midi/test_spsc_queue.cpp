// The queue that carries the synth's events to the thread that renders: first in, first out
// across many wrap-arounds, and a full queue refuses a value without losing any it holds.

#include <QtTest>

#include "midi/spsc_queue.h"

using midi::SpscQueue;

class TestSpscQueue : public QObject {
    Q_OBJECT

private slots:
    // `script`: "+N" pushes N, which must be taken, "!N" pushes N, which must be refused
    // (full), "-" pops. `popped`: what the pops returned, "_" for an empty queue.
    void keepsOrderAndRefusesWhenFull_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("popped");
        QTest::newRow("empty") << "-"
                               << "_";
        QTest::newRow("in order") << "+1 +2 +3 - - - -"
                                  << "1 2 3 _";
        QTest::newRow("full refuses, keeps what it holds") << "+1 +2 +3 +4 !5 - - - - -"
                                                           << "1 2 3 4 _";
        QTest::newRow("room again after a pop") << "+1 +2 +3 +4 !5 - +6 !7 - - - - -"
                                                << "1 2 3 4 6 _";
        QTest::newRow("wraps around")
            << "+1 +2 +3 - - +4 +5 +6 - - - - +7 +8 +9 +10 !11 - - - - - +12 - -"
            << "1 2 3 4 5 6 7 8 9 10 _ 12 _";
    }
    void keepsOrderAndRefusesWhenFull() {
        QFETCH(QString, script);
        QFETCH(QString, popped);
        SpscQueue<int, 4> queue;
        QStringList seen;
        for (const QString& step : script.split(' ')) {
            if (step == "-") {
                const std::optional<int> value = queue.pop();
                seen << (value ? QString::number(*value) : "_");
            } else {
                QCOMPARE(queue.push(step.mid(1).toInt()), step.startsWith('+'));
            }
        }
        QCOMPARE(seen.join(' '), popped);
    }
};

QTEST_GUILESS_MAIN(TestSpscQueue)
#include "test_spsc_queue.moc"
