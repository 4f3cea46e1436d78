// The tuning and sound catalogue: names that are easy to get subtly wrong, and the lookup of a
// sound's General MIDI program by name.

#include <QtTest>

#include "tuner/catalogue.h"

class CatalogueTest : public QObject {
    Q_OBJECT
private slots:
    void halfStepNamesUseDoubleAcute();
    void instrumentProgram_data();
    void instrumentProgram();
    void everyListTextFindsItsOwnProgram();
};

void CatalogueTest::halfStepNamesUseDoubleAcute() {
    const QString down = tuner::toQString(tuner::tuningRows[4].name);
    const QString downOne = tuner::toQString(tuner::tuningRows[6].name);
    QCOMPARE(down, QStringLiteral("Down ") + QChar(0x02DD) + QStringLiteral(" Step"));
    QCOMPARE(downOne, QStringLiteral("Down 1") + QChar(0x02DD) + QStringLiteral(" Steps"));
    QVERIFY(!down.contains(QChar(0x00BD)));
}

void CatalogueTest::instrumentProgram_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("program");
    QTest::newRow("list text") << QString::fromUtf8("Akustična kitara (Nylon)") << 24;
    QTest::newRow("list text in capitals") << QString::fromUtf8("AKUSTIČNA KITARA (NYLON)") << 24;
    QTest::newRow("general midi name") << "acoustic guitar (nylon)" << 24;
    QTest::newRow("general midi name, mixed case") << "Acoustic GUITAR (Nylon)" << 24;
    QTest::newRow("steel") << QString::fromUtf8("Akustična kitara (Jeklo)") << 25;
    QTest::newRow("capital C with caron") << QString::fromUtf8("ELEKTRIČNA KITARA (MUTED)") << 28;
    QTest::newRow("last row") << "Distorzijska kitara" << 30;
    QTest::newRow("general midi overdriven") << "overdriven guitar" << 29;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("only part of a name") << "Overdrive" << 0;
    QTest::newRow("trailing space") << "Overdrive kitara " << 0;
    QTest::newRow("caron dropped") << "Akusticna kitara (Nylon)" << 0;
}

void CatalogueTest::instrumentProgram() {
    QFETCH(QString, name);
    QFETCH(int, program);
    QCOMPARE(tuner::instrumentProgram(name), program);
}

void CatalogueTest::everyListTextFindsItsOwnProgram() {
    // Programs run 24 to 30 in list order: a row whose lookup found another row would break it.
    int expected = 24;
    for (const tuner::SoundRow& row : tuner::soundRows) {
        QCOMPARE(tuner::instrumentProgram(tuner::toQString(row.listText)), expected);
        QCOMPARE(tuner::instrumentProgram(tuner::toQString(row.generalMidiName).toUpper()),
                 expected);
        ++expected;
    }
}

QTEST_GUILESS_MAIN(CatalogueTest)
#include "test_catalogue.moc"
