// The show operation on a recording board: the order in which markers are hidden and shown.
#include <QtTest>
#include <vector>

#include "chords/chord_display.h"
#include "chords/marker_layout.h"

using namespace chords;

namespace {

struct Step {
    std::string marker;
    bool visible;
};

class RecordingBoard : public MarkerBoard {
public:
    std::vector<Step> steps;
    void setMarkerVisible(int markerIndex, bool visible) override {
        steps.push_back({markerName(markerIndex), visible});
    }
};

const ChordGrip& chordNamed(std::string_view name) {
    for (const ChordGrip& grip : kCatalogue) {
        if (grip.buttonName == name) {
            return grip;
        }
    }
    qFatal("no chord named %s", name.data());
}

}  // namespace

class ChordDisplayTest : public QObject {
    Q_OBJECT

private slots:
    void cistiHidesEveryMarkerStringByString() {
        RecordingBoard board;
        ChordDisplay(board).cisti();
        std::vector<std::string> expected;
        for (std::string_view prefix : {"E", "B", "G", "D", "A", "EE"}) {
            const int frets = prefix == "E" ? 12 : 11;
            for (int fret = 1; fret <= frets; ++fret) {
                expected.push_back(std::string(prefix) + std::to_string(fret));
            }
        }
        QCOMPARE(board.steps.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(board.steps[i].marker, expected[i]);
            QVERIFY(!board.steps[i].visible);
        }
    }

    void showClearsThenShowsFromThinnestString_data() {
        QTest::addColumn<QString>("chord");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("C") << "C" << QStringList{"B1", "D2", "A3", "EE3"};
        QTest::newRow("cissep") << "cissep" << QStringList{"E12", "B9", "G10", "D11", "A11", "EE9"};
    }
    void showClearsThenShowsFromThinnestString() {
        QFETCH(QString, chord);
        QFETCH(QStringList, shown);
        RecordingBoard board;
        ChordDisplay(board).showChord(chordNamed(chord.toStdString()));
        QCOMPARE(board.steps.size(), std::size_t(kMarkerCount + shown.size()));
        for (int i = 0; i < kMarkerCount; ++i) {
            QVERIFY(!board.steps[i].visible);
        }
        QStringList after;
        for (std::size_t i = kMarkerCount; i < board.steps.size(); ++i) {
            QVERIFY(board.steps[i].visible);
            after << QString::fromStdString(board.steps[i].marker);
        }
        QCOMPARE(after, shown);
    }
};

QTEST_MAIN(ChordDisplayTest)
#include "test_chord_display.moc"
