// The neck picture against the marker places: the strings and fret wires are found in the
// pixels, and every marker must sit on its string's line inside its fret's space. Checked for
// the committed picture the window loads and for a fresh one from the painter.
#include <QtTest>

#include "chords/marker_layout.h"
#include "tools/neck_image/neck_painter.h"

using namespace chords;

namespace {

// Metal, nut and dots are grey or black; the maple and the letter strip are warm.
bool isNeutral(QColor c) {
    const int high = std::max({c.red(), c.green(), c.blue()});
    const int low = std::min({c.red(), c.green(), c.blue()});
    return high - low <= 24;
}

bool isDark(QColor c) {
    return isNeutral(c) && c.lightness() < 60;
}

struct Run {
    int first;
    int last;
    double centre() const { return (first + last) / 2.0; }
};

QList<Run> runsOf(const QList<bool>& flags) {
    QList<Run> runs;
    for (int i = 0; i < flags.size(); ++i) {
        if (flags[i] && (runs.isEmpty() || runs.back().last != i - 1)) {
            runs.append({i, i});
        } else if (flags[i]) {
            runs.back().last = i;
        }
    }
    return runs;
}

// Rows that are metal across the first fret's space: the strings.
QList<Run> stringLines(const QImage& neck) {
    QList<bool> rows;
    for (int y = 0; y < neck.height(); ++y) {
        int metal = 0;
        for (int x = 30; x < 98; ++x) {
            metal += isNeutral(neck.pixelColor(x, y)) ? 1 : 0;
        }
        rows << (metal >= 68 * 8 / 10);
    }
    return runsOf(rows);
}

// Columns that are metal or black from top to bottom: the nut, then the fret wires.
QList<Run> fretColumns(const QImage& neck) {
    QList<bool> columns;
    for (int x = 0; x < neck.width(); ++x) {
        int metal = 0;
        for (int y = 0; y < neck.height(); ++y) {
            metal += isNeutral(neck.pixelColor(x, y)) ? 1 : 0;
        }
        columns << (metal >= neck.height() * 9 / 10);
    }
    return runsOf(columns);
}

// Dark blobs between two fret wires, away from the strings, as runs of rows.
QList<Run> dotsBetween(const QImage& neck, const Run& leftWire, const Run& rightWire,
                       const QList<Run>& strings) {
    QList<bool> rows;
    for (int y = 0; y < neck.height(); ++y) {
        bool onString = false;
        for (const Run& s : strings) {
            onString = onString || (y >= s.first - 1 && y <= s.last + 1);
        }
        bool dark = false;
        for (int x = leftWire.last + 1; x < rightWire.first && !onString; ++x) {
            dark = dark || isDark(neck.pixelColor(x, y));
        }
        rows << dark;
    }
    return runsOf(rows);
}

}  // namespace

class NeckImageTest : public QObject {
    Q_OBJECT

private slots:
    void markersLandOnTheirStringInTheirFret_data() {
        QTest::addColumn<QImage>("neck");
        QTest::newRow("committed") << QImage(QStringLiteral(":/chords/neck.png"));
        QTest::newRow("painted") << neck_image::paintNeck();
    }
    void markersLandOnTheirStringInTheirFret() {
        QFETCH(QImage, neck);
        QCOMPARE(neck.size(), QSize(kNeckWidth, kNeckHeight));
        QVERIFY(!neck.hasAlphaChannel());
        const QList<Run> strings = stringLines(neck);
        const QList<Run> frets = fretColumns(neck);
        QCOMPARE(strings.size(), 6);
        QCOMPARE(frets.size(), 13);          // the nut and twelve fret wires
        QVERIFY(frets.front().first >= 16);  // the letter strip is not metal

        for (const MarkerPlace& place : kMarkerPlaces) {
            const QString name =
                QString::fromStdString(markerName(markerIndex(place.stringNumber, place.fret)));
            const Run& lowerWire = frets[place.fret - 1];
            const Run& upperWire = frets[place.fret];
            QVERIFY2(place.left > lowerWire.last && place.left + kMarkerWidth <= upperWire.first,
                     qPrintable(name + " is not inside its fret's space"));

            const double line = strings[place.stringNumber - 1].centre();
            QVERIFY2(line >= place.top && line < place.top + kMarkerHeight,
                     qPrintable(name + " does not cover its string"));
            const double centreY = place.top + kMarkerHeight / 2.0;
            for (int other = 0; other < 6; ++other) {
                QVERIFY2(std::abs(strings[other].centre() - centreY) >= std::abs(line - centreY),
                         qPrintable(name + " lies nearer another string"));
            }
            const int centreX = place.left + kMarkerWidth / 2;
            QVERIFY2(isNeutral(neck.pixelColor(centreX, qRound(line))),
                     qPrintable(name + " has no string under its centre"));
        }
    }

    void dotsAndLettersAreWhereThePlayerExpects_data() {
        markersLandOnTheirStringInTheirFret_data();
    }
    void dotsAndLettersAreWhereThePlayerExpects() {
        QFETCH(QImage, neck);
        const QList<Run> strings = stringLines(neck);
        const QList<Run> frets = fretColumns(neck);
        QCOMPARE(frets.size(), 13);
        for (int fret = 1; fret <= 12; ++fret) {
            const QList<Run> dots = dotsBetween(neck, frets[fret - 1], frets[fret], strings);
            const int expected = fret == 12 ? 2 : (fret % 2 == 1 && fret >= 3 && fret <= 9);
            QCOMPARE(dots.size(), expected);
        }
        // E12 sits above the upper dot of the pair.
        const QList<Run> pair = dotsBetween(neck, frets[11], frets[12], strings);
        const MarkerPlace& e12 = kMarkerPlaces[markerIndex(1, 12)];
        QVERIFY(e12.top + kMarkerHeight <= pair.front().first);

        for (const Run& string : strings) {
            bool letter = false;
            for (int y = qRound(string.centre()) - 6; y <= qRound(string.centre()) + 6; ++y) {
                for (int x = 0; x < 16; ++x) {
                    letter = letter || isDark(neck.pixelColor(x, y));
                }
            }
            QVERIFY2(letter, "a string has no letter in the strip");
        }
    }

    void markerIsAWhiteEllipseOnWood_data() {
        QTest::addColumn<QImage>("marker");
        QTest::newRow("committed") << QImage(QStringLiteral(":/chords/marker.png"));
        QTest::newRow("painted") << neck_image::paintMarker();
    }
    void markerIsAWhiteEllipseOnWood() {
        QFETCH(QImage, marker);
        QCOMPARE(marker.size(), QSize(kMarkerWidth, kMarkerHeight));
        QVERIFY(!marker.hasAlphaChannel());
        QCOMPARE(marker.pixelColor(11, 9), QColor(Qt::white));
        for (const QPoint corner : {QPoint(0, 0), QPoint(22, 0), QPoint(0, 17), QPoint(22, 17)}) {
            QCOMPARE(marker.pixelColor(corner), neck_image::kMapleLight);
        }
        for (const QPoint edge : {QPoint(0, 9), QPoint(22, 9), QPoint(11, 0), QPoint(11, 17)}) {
            QVERIFY(marker.pixelColor(edge).lightness() < 128);
        }
    }
};

QTEST_MAIN(NeckImageTest)
#include "test_neck_image.moc"
