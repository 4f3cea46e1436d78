// Checks the grips against the chords they name: every note under a marker, and every open
// string the chord can use, must be a tone of the chord, and every tone but the fifth must
// sound. The rows that deliberately differ from the common grips are named below.
#include <QtTest>
#include <map>
#include <set>

#include "chords/chord_catalogue.h"

using namespace chords;

namespace {

// Pitch classes (C = 0) of the open strings 1 (high E) to 6 (low E) in standard tuning.
constexpr std::array<int, stringCount> openStrings{4, 11, 7, 2, 9, 4};

// Semitones above the root of each kind's tones, in ChordKind order.
const std::array<std::set<int>, kindCount> kindTones{
    {{0, 4, 7}, {0, 3, 7}, {0, 4, 7, 10}, {0, 3, 7, 10}, {0, 4, 7, 11}}};

int intervalOn(const ChordGrip& grip, int stringNumber) {
    return (openStrings[stringNumber - 1] + grip.fretOn(stringNumber) - grip.root + 12) % 12;
}

// Why the grip does not sound its chord; empty when it does.
QStringList faults(const ChordGrip& grip) {
    const std::set<int>& tones = kindTones[static_cast<int>(grip.kind)];
    std::set<int> sounding;
    QStringList found;
    for (int s = 1; s <= stringCount; ++s) {
        const int interval = intervalOn(grip, s);
        if (tones.count(interval) != 0) {  // marked, or open and useful
            sounding.insert(interval);
        } else if (grip.fretOn(s) != unmarked) {
            found
                << QStringLiteral("string %1 is %2 semitones above the root").arg(s).arg(interval);
        }
    }
    for (int needed : tones)
        if (needed != 7 && sounding.count(needed) == 0)
            found << QStringLiteral("%1 semitones above the root never sound").arg(needed);
    return found;
}

// Rows that differ from the common grip, and the string whose fret is swapped with string 1's
// there. The E-shape sevenths put string 1 three frets above the barre and string 2 at the
// barre; dmsep has frets 1, 1, 2 on strings 3, 2, 1 instead of 2, 1, 1.
const std::map<std::string_view, int> swappedWithString1{
    {"esep", 2},   {"fsep", 2},   {"fisep", 2}, {"gissep", 2},
    {"aissep", 2}, {"cissep", 2}, {"dmsep", 3}};

}  // namespace

class ChordCatalogueTest : public QObject {
    Q_OBJECT

private slots:
    void gripSoundsItsChord_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < chordCount; ++i)
            QTest::newRow(catalogue[i].buttonName.data()) << i;
    }
    void gripSoundsItsChord() {
        QFETCH(int, row);
        ChordGrip grip = catalogue[row];
        if (const auto swapped = swappedWithString1.find(grip.buttonName);
            swapped != swappedWithString1.end()) {
            // Shown as it is, the row is not its chord; with the two strings swapped back it is.
            QVERIFY(!faults(grip).isEmpty());
            std::swap(grip.lowToHigh[stringCount - 1],
                      grip.lowToHigh[stringCount - swapped->second]);
        }
        const QStringList found = faults(grip);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u"; ")));
        if (grip.buttonName == "gmaj")  // string 6 at fret 2: the seventh in the bass
            QCOMPARE(intervalOn(grip, 6), 11);
    }
};

QTEST_MAIN(ChordCatalogueTest)
#include "test_chord_catalogue.moc"
