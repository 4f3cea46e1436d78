// The neck as the chord window shows "C dur" and "E dur", right- and left-handed, against the
// committed golden images; left-handed, every marker must sit over the same fret and string
// of the mirrored picture.
#include <QPainter>
#include <QtTest>

#include "tools/neck_image/neck_views.h"

using namespace neck_image;

class NeckViewsTest : public QObject {
    Q_OBJECT

private slots:
    void viewsMatchTheGoldens_data() {
        QTest::addColumn<int>("view");
        for (std::size_t i = 0; i < goldenViews.size(); ++i)
            QTest::newRow(qPrintable(goldenName(goldenViews[i]))) << int(i);
    }
    void viewsMatchTheGoldens() {
        QFETCH(int, view);
        const NeckView& shown = goldenViews[static_cast<std::size_t>(view)];
        const QImage golden(QStringLiteral(TOLMARY_GOLDEN_DIR "/") + goldenName(shown));
        QVERIFY2(!golden.isNull(), "golden image missing");
        const QImage rendered = renderNeckView(shown);
        if (rendered != golden.convertToFormat(rendered.format())) {
            rendered.save(QDir::temp().filePath(goldenName(shown)));
            QFAIL(qPrintable(QStringLiteral("differs from the golden; rendered into %1")
                                 .arg(QDir::temp().filePath(goldenName(shown)))));
        }
    }

    // Mirroring the left-handed view gives the right-handed one, apart from the letter strip
    // (its letters read forwards either way) and the inside of the markers (their outline is
    // not drawn quite symmetrically): a marker left where it was would show on both sides.
    void leftIsTheMirrorOfRight_data() {
        QTest::addColumn<QString>("chord");
        QTest::newRow("C") << "C";
        QTest::newRow("E") << "E";
    }
    void leftIsTheMirrorOfRight() {
        QFETCH(QString, chord);
        const std::string name = chord.toStdString();
        QImage right = renderNeckView({name, chords::Hand::right});
        QImage left = renderNeckView({name, chords::Hand::left}).mirrored(true, false);
        const QImage bare = renderNeckView({"", chords::Hand::right});
        for (const chords::MarkerPlace& place : chords::markerPlaces) {
            const QRect box(place.left, place.top, chords::markerWidth, chords::markerHeight);
            if (right.copy(box) == bare.copy(box))
                continue;
            for (QImage* image : {&right, &left})
                QPainter(image).fillRect(box, Qt::black);
        }
        constexpr int strip = 16;
        const QRect neck(strip, 0, chords::neckWidth - strip, chords::neckHeight);
        QCOMPARE(left.copy(neck), right.copy(neck));
        QVERIFY(left.copy(0, 0, strip, chords::neckHeight) !=
                right.copy(0, 0, strip, chords::neckHeight));
    }
};

QTEST_MAIN(NeckViewsTest)
#include "test_neck_views.moc"
