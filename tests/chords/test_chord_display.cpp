// The show operation on a recording board: every marker hidden, E1 to E12 first, then B, G, D,
// A and EE, before the grip's markers are shown from the thinnest string to the thickest.
#include <QtTest>

#include "chords/chord_display.h"
#include "chords/marker_layout.h"

using namespace chords;

namespace {

class RecordingBoard : public MarkerBoard {
public:
    QStringList steps;  // "-E1" hides E1, "+E1" shows it
    void setMarkerVisible(int markerIndex, bool visible) override {
        steps << (visible ? u'+' : u'-') + QString::fromStdString(markerName(markerIndex));
    }
    void showHand(Hand) override {}
};

QStringList everyMarkerHidden() {
    QStringList hidden;
    for (const char* prefix : {"E", "B", "G", "D", "A", "EE"})
        for (int fret = 1; fret <= (QLatin1String(prefix) == "E" ? 12 : 11); ++fret)
            hidden << QStringLiteral("-%1%2").arg(QLatin1String(prefix)).arg(fret);
    return hidden;
}

}  // namespace

class ChordDisplayTest : public QObject {
    Q_OBJECT

private slots:
    void cistiHidesEveryMarkerStringByString() {
        RecordingBoard board;
        ChordDisplay(board).cisti();
        QCOMPARE(board.steps, everyMarkerHidden());
    }

    void showClearsThenShowsFromThinnestString() {
        RecordingBoard board;
        ChordDisplay(board).showChord(catalogue[7]);  // cissep
        const QStringList cissep{"+E12", "+B9", "+G10", "+D11", "+A11", "+EE9"};
        QCOMPARE(board.steps, everyMarkerHidden() + cissep);
    }
};

QTEST_MAIN(ChordDisplayTest)
#include "test_chord_display.moc"
