// How a reading is written for the listening window and for the terminal.

#include <QtTest>

#include <string>

#include "pitch/reading_text.h"

class TestReadingText : public QObject {
    Q_OBJECT

private slots:
    // With a spread under a tenth of a cent: one decimal after a decimal comma, always "centa"
    // (the genitive singular a decimal number takes). Else whole cents, the noun following the
    // number's last two digits. An explicit sign except on zero, which never shows as "-0".
    void centsText_data() {
        QTest::addColumn<double>("cents");
        QTest::addColumn<double>("spread");
        QTest::addColumn<QString>("text");
        QTest::newRow("negative") << -3.24 << 0.02 << "-3,2 centa";
        QTest::newRow("positive") << 0.36 << 0.0 << "+0,4 centa";
        QTest::newRow("one") << 1.0 << 0.05 << "+1,0 centa";
        QTest::newRow("five and more") << 5.01 << 0.0 << "+5,0 centa";
        QTest::newRow("rounds up to the next whole") << 12.96 << 0.0 << "+13,0 centa";
        QTest::newRow("zero") << 0.0 << 0.0 << "0,0 centa";
        QTest::newRow("slightly flat, rounds to zero") << -0.04 << 0.0 << "0,0 centa";
        QTest::newRow("the meter's end, flat") << -49.97 << 0.0 << "-50,0 centa";
        QTest::newRow("hundreds, no grouping") << 1234.5678 << 0.0 << "+1234,6 centa";
        QTest::newRow("a tenth's spread: whole cents") << -3.24 << 0.1 << "-3 centi";
        QTest::newRow("whole one") << 0.6 << 0.5 << "+1 cent";
        QTest::newRow("whole two") << -2.4 << 2.0 << "-2 centa";
        QTest::newRow("whole four") << 4.2 << 0.3 << "+4 centi";
        QTest::newRow("whole five") << -5.0 << 0.3 << "-5 centov";
        QTest::newRow("whole eleven") << 11.0 << 0.3 << "+11 centov";
        QTest::newRow("whole twelve") << 12.0 << 0.3 << "+12 centov";
        QTest::newRow("whole zero, flat") << -0.4 << 0.3 << "0 centov";
        QTest::newRow("whole hundred and one") << 101.0 << 0.3 << "+101 cent";
        QTest::newRow("whole hundred and three") << -103.0 << 0.3 << "-103 centi";
    }
    void centsText() {
        QFETCH(double, cents);
        QFETCH(double, spread);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(pitch::centsText(cents, spread)), text);
    }

    // Note names with sharps and the octave (60 is C4), three decimals of Hz, cents with two
    // decimals at best and fewer as the spread grows, decimal points, no sign on positive cents
    // and none on a zero.
    void terminalLine_data() {
        QTest::addColumn<int>("note");
        QTest::addColumn<double>("hz");
        QTest::addColumn<double>("cents");
        QTest::addColumn<double>("spread");
        QTest::addColumn<QString>("line");
        QTest::newRow("low E") << 40 << 82.33119 << -1.6449 << 0.03 << "E2 82.331 -1.64";
        QTest::newRow("a sharp, sharp") << 61 << 277.9 << 4.956 << 0.0 << "C#4 277.900 4.96";
        QTest::newRow("flat by less than the last digit")
            << 69 << 439.9999 << -0.0004 << 0.0 << "A4 440.000 0.00";
        QTest::newRow("octave boundary below C") << 59 << 246.94 << 0.0 << 0.0 << "B3 246.940 0.00";
        QTest::newRow("lowest bass string") << 28 << 41.2 << -10.0 << 0.0 << "E1 41.200 -10.00";
        QTest::newRow("MIDI note 0") << 0 << 8.176 << 0.0 << 0.0 << "C-1 8.176 0.00";
        QTest::newRow("a tenth's spread") << 40 << 82.33119 << -1.6449 << 0.1 << "E2 82.331 -1.6";
        QTest::newRow("under a cent's") << 40 << 82.33119 << -1.6449 << 0.99 << "E2 82.331 -1.6";
        QTest::newRow("a cent's") << 40 << 82.33119 << -1.6449 << 1.0 << "E2 82.331 -2";
        QTest::newRow("a cent's, near zero") << 40 << 82.4 << -0.4 << 2.5 << "E2 82.400 0";
    }
    void terminalLine() {
        QFETCH(int, note);
        QFETCH(double, hz);
        QFETCH(double, cents);
        QFETCH(double, spread);
        QFETCH(QString, line);
        QCOMPARE(QString::fromStdString(pitch::terminalLine(note, hz, cents, spread)), line);
    }
};

QTEST_APPLESS_MAIN(TestReadingText)
#include "test_reading_text.moc"
