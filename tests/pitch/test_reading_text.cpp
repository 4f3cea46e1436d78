// How a reading is written for the listening window and for the terminal.

#include <QtTest>

#include <string>

#include "pitch/reading_text.h"

class TestReadingText : public QObject {
    Q_OBJECT

private slots:
    // One decimal after a decimal comma, always "centa" (the genitive singular a decimal
    // number takes), an explicit sign except on zero, which never shows as "-0,0".
    void centsText_data() {
        QTest::addColumn<double>("cents");
        QTest::addColumn<QString>("text");
        QTest::newRow("negative") << -3.24 << "-3,2 centa";
        QTest::newRow("positive") << 0.36 << "+0,4 centa";
        QTest::newRow("one") << 1.0 << "+1,0 centa";
        QTest::newRow("two") << -2.0 << "-2,0 centa";
        QTest::newRow("five and more") << 5.01 << "+5,0 centa";
        QTest::newRow("rounds up to the next whole") << 12.96 << "+13,0 centa";
        QTest::newRow("zero") << 0.0 << "0,0 centa";
        QTest::newRow("slightly flat, rounds to zero") << -0.04 << "0,0 centa";
        QTest::newRow("the meter's end, flat") << -49.97 << "-50,0 centa";
        QTest::newRow("hundreds, no grouping") << 1234.5678 << "+1234,6 centa";
    }
    void centsText() {
        QFETCH(double, cents);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(pitch::centsText(cents)), text);
    }

    // Note names with sharps and the octave (60 is C4), three decimals of Hz and two of cents
    // with decimal points, no sign on positive cents and none on a zero.
    void terminalLine_data() {
        QTest::addColumn<int>("note");
        QTest::addColumn<double>("hz");
        QTest::addColumn<double>("cents");
        QTest::addColumn<QString>("line");
        QTest::newRow("low E") << 40 << 82.33119 << -1.6449 << "E2 82.331 -1.64";
        QTest::newRow("a sharp, sharp") << 61 << 277.9 << 4.956 << "C#4 277.900 4.96";
        QTest::newRow("flat by less than the last digit")
            << 69 << 439.9999 << -0.0004 << "A4 440.000 0.00";
        QTest::newRow("octave boundary below C") << 59 << 246.94 << 0.0 << "B3 246.940 0.00";
        QTest::newRow("lowest bass string") << 28 << 41.2 << -10.0 << "E1 41.200 -10.00";
        QTest::newRow("MIDI note 0") << 0 << 8.176 << 0.0 << "C-1 8.176 0.00";
    }
    void terminalLine() {
        QFETCH(int, note);
        QFETCH(double, hz);
        QFETCH(double, cents);
        QFETCH(QString, line);
        QCOMPARE(QString::fromStdString(pitch::terminalLine(note, hz, cents)), line);
    }
};

QTEST_APPLESS_MAIN(TestReadingText)
#include "test_reading_text.moc"
