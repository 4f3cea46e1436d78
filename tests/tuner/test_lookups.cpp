// Reading names and numbers: a sound's General MIDI program by its list text or its General
// MIDI name, and numbers from the duration box and the settings store.

#include <QtTest>

#include "tuner/catalogue.h"
#include "tuner/numeric_text.h"

class LookupsTest : public QObject {
    Q_OBJECT
private slots:
    void instrumentProgram_data();
    void instrumentProgram();
    void numericValue_data();
    void numericValue();
    void durationSeconds_data();
    void durationSeconds();
};

void LookupsTest::instrumentProgram_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("program");
    // Every sound by both its names, the General MIDI one in capitals; programs run 24 to 30 in
    // list order, so a row whose lookup found another row would show here.
    int program = 24;
    for (const tuner::SoundRow& row : tuner::soundRows) {
        const QString listText = tuner::toQString(row.listText);
        QTest::newRow(qPrintable(listText)) << listText << program;
        QTest::newRow(qPrintable(listText + " (general midi name)"))
            << tuner::toQString(row.generalMidiName).toUpper() << program++;
    }
    QTest::newRow("capital C with caron") << QString::fromUtf8("ELEKTRIČNA KITARA (MUTED)") << 28;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("only part of a name") << "Overdrive" << 0;
    QTest::newRow("trailing space") << "Overdrive kitara " << 0;
    QTest::newRow("caron dropped") << "Akusticna kitara (Nylon)" << 0;
}

void LookupsTest::instrumentProgram() {
    QFETCH(QString, name);
    QFETCH(int, program);
    QCOMPARE(tuner::instrumentProgram(name), program);
}

void LookupsTest::numericValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");  // NaN: not numeric
    const double no = qQNaN();
    QTest::newRow("negative decimal") << "-2617.5" << -2617.5;
    QTest::newRow("blanks around") << " 42 " << 42.0;
    QTest::newRow("empty") << "" << no;
    QTest::newRow("number then letters") << "12ab" << no;
    QTest::newRow("decimal comma") << "1,5" << no;
    // Values no window can take are refused like text that is no number.
    QTest::newRow("nan") << "nan" << no;
    QTest::newRow("inf") << "inf" << no;
    QTest::newRow("past the double range") << "1e400" << no;
}

void LookupsTest::numericValue() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(tuner::numericValue(text).value_or(qQNaN()), value);
}

void LookupsTest::durationSeconds_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("seconds");  // -1: refused
    QTest::newRow("digit") << "7" << 7;
    QTest::newRow("half rounds to even, down") << "2.5" << 2;
    QTest::newRow("half rounds to even, up") << "3.5" << 4;
    QTest::newRow("below half") << "0.4" << 0;
    QTest::newRow("letter") << "x" << -1;
    QTest::newRow("too long for a note") << "40000" << -1;
}

void LookupsTest::durationSeconds() {
    QFETCH(QString, text);
    QFETCH(int, seconds);
    QCOMPARE(tuner::durationSeconds(text).value_or(-1), seconds);
}

QTEST_GUILESS_MAIN(LookupsTest)
#include "test_lookups.moc"
