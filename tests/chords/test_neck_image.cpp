// The pictures against the marker places: the strings and fret wires are found in the neck's
// pixels, and every marker must sit on its string's line inside its fret's space; the position
// dots and the string letters are where a player looks for them. Checked for the committed
// pictures the window loads and for fresh ones from the painter.
#include <QtTest>
#include <functional>

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

int countIn(const QImage& image, const QRect& area, bool (*test)(QColor)) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

struct Run {
    int first;
    int last;
    double centre() const { return (first + last) / 2.0; }
};

// Runs of consecutive indices from 0 to count - 1 at which `holds` is true.
QList<Run> runsWhere(int count, const std::function<bool(int)>& holds) {
    QList<Run> runs;
    for (int i = 0; i < count; ++i) {
        if (!holds(i))
            continue;
        if (!runs.isEmpty() && runs.back().last == i - 1)
            runs.back().last = i;
        else
            runs.append({i, i});
    }
    return runs;
}

}  // namespace

class NeckImageTest : public QObject {
    Q_OBJECT

private slots:
    void picturesFitTheMarkerPlaces_data() {
        QTest::addColumn<QImage>("neck");
        QTest::addColumn<QImage>("marker");
        QTest::newRow("committed") << QImage(QStringLiteral(":/chords/neck.png"))
                                   << QImage(QStringLiteral(":/chords/marker.png"));
        QTest::newRow("painted") << neck_image::paintNeck() << neck_image::paintMarker();
        // Mirrored back, the left-handed neck must be the same neck.
        QTest::newRow("left-handed, committed")
            << QImage(QStringLiteral(":/chords/neck_left.png")).mirrored(true, false)
            << QImage(QStringLiteral(":/chords/marker.png"));
        QTest::newRow("left-handed, painted")
            << neck_image::paintLeftHandedNeck().mirrored(true, false) << neck_image::paintMarker();
    }
    void picturesFitTheMarkerPlaces() {
        QFETCH(QImage, neck);
        QCOMPARE(neck.size(), QSize(neckWidth, neckHeight));
        QVERIFY(!neck.hasAlphaChannel());
        // Strings: rows that are metal across the first fret's space. Frets: columns that are
        // metal from top to bottom, the nut and then twelve wires.
        const QList<Run> strings = runsWhere(
            neck.height(),
            [&](int y) {
                return countIn(neck, {30, y, 68, 1}, isNeutral) >= 68 * 8 / 10;
            });
        const QList<Run> frets = runsWhere(neck.width(), [&](int x) {
            return countIn(neck, {x, 0, 1, neck.height()}, isNeutral) >= neck.height() * 9 / 10;
        });
        QCOMPARE(strings.size(), 6);
        QCOMPARE(frets.size(), 13);
        QVERIFY(frets.front().first >= 16);  // the letter strip is not metal

        for (int i = 0; i < markerCount; ++i) {
            const MarkerPlace& place = markerPlaces[i];
            const double line = strings[place.stringNumber - 1].centre();
            const double middle = place.top + markerHeight / 2.0;
            const bool nearestString = std::all_of(strings.begin(), strings.end(), [&](Run s) {
                return std::abs(s.centre() - middle) >= std::abs(line - middle);
            });
            QVERIFY2(place.left > frets[place.fret - 1].last &&
                         place.left + markerWidth <= frets[place.fret].first,
                     markerName(i).c_str());
            QVERIFY2(line >= place.top && line < place.top + markerHeight && nearestString &&
                         isNeutral(neck.pixelColor(place.left + markerWidth / 2, qRound(line))),
                     markerName(i).c_str());
        }

        // Dark dots off the strings: one in the spaces of frets 3, 5, 7 and 9, a pair at 12
        // with E12 above the upper one.
        for (int fret = 1; fret <= 12; ++fret) {
            const QRect space(frets[fret - 1].last + 1, 0,
                              frets[fret].first - frets[fret - 1].last - 1, 1);
            const QList<Run> dots = runsWhere(neck.height(), [&](int y) {
                for (const Run& s : strings) {
                    if (y >= s.first - 1 && y <= s.last + 1) {
                        return false;
                    }
                }
                return countIn(neck, space.translated(0, y), isDark) > 0;
            });
            QCOMPARE(dots.size(), fret == 12 ? 2 : int(fret % 2 == 1 && fret >= 3 && fret <= 9));
            if (fret == 12)
                QVERIFY(markerPlaces[markerIndex(1, 12)].top + markerHeight <= dots[0].first);
        }
        for (const Run& string : strings) {  // its letter in the strip before the nut
            const QRect strip(0, qRound(string.centre()) - 6, 16, 13);
            QVERIFY2(countIn(neck, strip, isDark) > 0, "a string has no letter in the strip");
        }

        // The marker: a white ellipse with a dark rim on the light maple.
        QFETCH(QImage, marker);
        QCOMPARE(marker.size(), QSize(markerWidth, markerHeight));
        QVERIFY(!marker.hasAlphaChannel());
        QCOMPARE(marker.pixelColor(11, 9), QColor(Qt::white));
        for (const QPoint corner : {QPoint(0, 0), QPoint(22, 0), QPoint(0, 17), QPoint(22, 17)})
            QCOMPARE(marker.pixelColor(corner), neck_image::mapleLight);
        for (const QPoint edge : {QPoint(0, 9), QPoint(22, 9), QPoint(11, 0), QPoint(11, 17)})
            QVERIFY(marker.pixelColor(edge).lightness() < 128);
    }
};

QTEST_MAIN(NeckImageTest)
#include "test_neck_image.moc"
