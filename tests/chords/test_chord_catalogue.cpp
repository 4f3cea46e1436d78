// Checks the grips against the chords they name: every note under a marker, and every open
// string the chord can use, must be a tone of the chord, and the root, the third and any
// seventh must sound. The rows that deliberately differ from the common grips are named below.
#include <QtTest>
#include <map>
#include <set>

#include "chords/chord_catalogue.h"

using namespace chords;

namespace {

// Pitch classes (C = 0) of the open strings 1 (high E) to 6 (low E) in standard tuning.
constexpr std::array<int, kStringCount> kOpenStrings{4, 11, 7, 2, 9, 4};

struct ChordShape {
    std::set<int> tones;     // semitones above the root
    std::set<int> required;  // root, third and seventh
};

ChordShape shapeOf(ChordKind kind) {
    switch (kind) {
        case ChordKind::Major:
            return {{0, 4, 7}, {0, 4}};
        case ChordKind::Minor:
            return {{0, 3, 7}, {0, 3}};
        case ChordKind::DominantSeventh:
            return {{0, 4, 7, 10}, {0, 4, 10}};
        case ChordKind::MinorSeventh:
            return {{0, 3, 7, 10}, {0, 3, 10}};
        case ChordKind::MajorSeventh:
            return {{0, 4, 7, 11}, {0, 4, 11}};
    }
    return {};
}

int noteOn(int stringNumber, int fret) {
    return (kOpenStrings[stringNumber - 1] + fret) % 12;
}

// Why the grip does not sound its chord; empty when it does.
QStringList faults(const ChordGrip& grip) {
    const ChordShape shape = shapeOf(grip.kind);
    std::set<int> sounding;
    QStringList found;
    for (int s = 1; s <= kStringCount; ++s) {
        const int interval = (noteOn(s, grip.fretOn(s)) - grip.root + 12) % 12;
        if (grip.fretOn(s) != kUnmarked && shape.tones.count(interval) == 0) {
            found << QStringLiteral("string %1 fret %2 is %3 semitones above the root")
                         .arg(s)
                         .arg(grip.fretOn(s))
                         .arg(interval);
        }
        if (shape.tones.count(interval) != 0) {  // marked, or open and useful
            sounding.insert(interval);
        }
    }
    for (int needed : shape.required) {
        if (sounding.count(needed) == 0) {
            found << QStringLiteral("%1 semitones above the root never sound").arg(needed);
        }
    }
    return found;
}

ChordGrip withStringsSwapped(ChordGrip grip, int first, int second) {
    std::swap(grip.lowToHigh[kStringCount - first], grip.lowToHigh[kStringCount - second]);
    return grip;
}

// Rows that differ from the common grip: the two strings whose frets are swapped.
const std::map<std::string_view, std::pair<int, int>> kSwappedRows{
    // E-shape sevenths: string 1 three frets above the barre, string 2 at the barre.
    {"esep", {1, 2}},
    {"fsep", {1, 2}},
    {"fisep", {1, 2}},
    {"gissep", {1, 2}},
    {"aissep", {1, 2}},
    {"cissep", {1, 2}},
    // frets 1, 1, 2 on strings 3, 2, 1 instead of 2, 1, 1
    {"dmsep", {1, 3}},
};

}  // namespace

class ChordCatalogueTest : public QObject {
    Q_OBJECT

private slots:
    void gripSoundsItsChord_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < kChordCount; ++i) {
            QTest::newRow(kCatalogue[i].buttonName.data()) << i;
        }
    }
    void gripSoundsItsChord() {
        QFETCH(int, row);
        const ChordGrip& grip = kCatalogue[row];
        const auto swapped = kSwappedRows.find(grip.buttonName);
        if (swapped == kSwappedRows.end()) {
            const QStringList found = faults(grip);
            QVERIFY2(found.isEmpty(), qPrintable(found.join(u"; ")));
            return;
        }
        // Shown as it is, the row is not its chord; with the two strings swapped back it is.
        QVERIFY(!faults(grip).isEmpty());
        const auto [first, second] = swapped->second;
        const QStringList found = faults(withStringsSwapped(grip, first, second));
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u"; ")));
    }

    // G major seventh marks string 6 at fret 2: the seventh in the bass, still a chord tone.
    void gMajorSeventhHasItsSeventhInTheBass() {
        const auto* gmaj = std::find_if(kCatalogue.begin(), kCatalogue.end(),
                                        [](const auto& g) { return g.buttonName == "gmaj"; });
        QVERIFY(gmaj != kCatalogue.end());
        QCOMPARE((noteOn(6, gmaj->fretOn(6)) - gmaj->root + 12) % 12, 11);
        QVERIFY(faults(*gmaj).isEmpty());
    }
};

QTEST_MAIN(ChordCatalogueTest)
#include "test_chord_catalogue.moc"
