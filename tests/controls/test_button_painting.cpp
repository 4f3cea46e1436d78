// The button's picture: every scheme, look and variant against committed golden images, and the
// rules a picture alone does not show (raster blending, symmetry, the shape, no repaint cycle).

#include "tests/controls/button_rig.h"
#include "tools/button_gallery/button_looks.h"

#include <QDir>
#include <QFontInfo>
#include <QTest>
#include <climits>

using testing::ButtonRig;

namespace {

constexpr QRgb black = qRgb(0, 0, 0);
constexpr QRgb red = qRgb(200, 30, 30);

}  // namespace

Q_DECLARE_METATYPE(const button_looks::Case*)

class TestButtonPainting : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void goldenImages_data();
    void goldenImages();
    void roundingUsesMagnitudeWithinTheBox();
    void hoverRingIsSymmetric();
    void iconBlendsThroughMask();
    void settlesWithoutRepaintCycle();
};

void TestButtonPainting::initTestCase() {
    // The goldens' caption pixels come from this font; a substitute would fail every picture.
    const QFontInfo info{QFont(QString::fromLatin1(button_looks::captionFace))};
    QVERIFY2(info.family() == QString::fromLatin1(button_looks::captionFace),
             "the golden images need DejaVu Sans (Debian package fonts-dejavu-core)");
}

void TestButtonPainting::goldenImages_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<const button_looks::Case*>("look");
    for (std::size_t s = 0; s < button_looks::schemeNames.size(); ++s) {
        const int style = button_looks::firstScheme + int(s);
        for (const auto* cases : {&button_looks::looks(), &button_looks::variants()}) {
            for (const button_looks::Case& look : *cases) {
                QTest::newRow(qPrintable(button_looks::goldenFileName(style, look)))
                    << style << &look;
            }
        }
    }
}

// Every scheme in every look and variant, pixel for pixel against the committed picture. On a
// difference the actual picture is saved next to the test executable.
void TestButtonPainting::goldenImages() {
    QFETCH(int, style);
    QFETCH(const button_looks::Case*, look);
    const QString name = button_looks::goldenFileName(style, *look);
    const QImage actual = button_looks::renderButton(style, *look);
    const QImage golden =
        QImage(QStringLiteral(TOLMARY_GOLDEN_DIR "/") + name).convertToFormat(actual.format());
    QString difference;
    if (golden.isNull()) {
        difference = QStringLiteral("no golden image");
    } else if (golden.size() != actual.size()) {
        difference = QStringLiteral("size %1x%2, golden %3x%4")
                         .arg(actual.width())
                         .arg(actual.height())
                         .arg(golden.width())
                         .arg(golden.height());
    }
    for (int y = 0; difference.isEmpty() && y < actual.height(); ++y) {
        for (int x = 0; difference.isEmpty() && x < actual.width(); ++x) {
            if (actual.pixel(x, y) != golden.pixel(x, y)) {
                difference = QStringLiteral("first difference at (%1,%2): %3, golden %4")
                                 .arg(x)
                                 .arg(y)
                                 .arg(testing::rgbText(actual.pixel(x, y)),
                                      testing::rgbText(golden.pixel(x, y)));
            }
        }
    }
    if (!difference.isEmpty()) {
        const QDir out(QCoreApplication::applicationDirPath() + QStringLiteral("/golden-actual"));
        out.mkpath(QStringLiteral("."));
        actual.save(out.filePath(name));
        QFAIL(qPrintable(QStringLiteral("%1: %2; actual picture in %3 (cmake --build build "
                                        "--target button_goldens rewrites the goldens)")
                             .arg(name, difference, out.filePath(name))));
    }
}

void TestButtonPainting::roundingUsesMagnitudeWithinTheBox() {
    // Any rounding is accepted: its magnitude counts, limited to the button's own size.
    ButtonRig rig;
    rig.load();
    const auto pictureWith = [&](int rounded) {
        rig.button().setRoundedValue(rounded);
        return rig.picture();
    };
    QCOMPARE(pictureWith(-12), pictureWith(12));
    QCOMPARE(pictureWith(INT_MIN), pictureWith(176));
    QCOMPARE(pictureWith(INT_MAX), pictureWith(176));
    QVERIFY(pictureWith(176) != pictureWith(12));  // the rounding does show
}

void TestButtonPainting::hoverRingIsSymmetric() {
    ButtonRig rig;
    rig.load();
    const QImage plain = rig.picture();
    rig.hover();
    const QImage picture = rig.picture();
    // The pixels the ring covers mirror about the shape (columns 0..175, rows 0..31).
    auto marked = [&](int x, int y) { return picture.pixel(x, y) != plain.pixel(x, y); };
    for (int y = 0; y <= 31; ++y) {
        for (int x = 0; x <= 175; ++x) {
            QVERIFY2(marked(x, y) == marked(175 - x, y) && marked(x, y) == marked(x, 31 - y),
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        }
    }
}

void TestButtonPainting::iconBlendsThroughMask() {
    // Left half of the icon red, right half black; the mask opaque on the top half only.
    QImage icon = testing::solidIcon(red);
    for (int y = 0; y < 16; ++y)
        for (int x = 8; x < 16; ++x)
            icon.setPixel(x, y, black);
    ButtonRig rig;
    rig.load().setIcon(icon);
    rig.button().setIconMask(testing::maskWithOpaqueRect(QRect(0, 0, 16, 8)));
    const QImage picture = rig.picture();
    const QRgb backgroundRow20 = picture.pixel(60, 20);
    COMPARE_RGB(picture.pixel(5, 10), red, 0);                    // opaque: the icon colour
    COMPARE_RGB(picture.pixel(15, 10), black, 0);                 // opaque black is black
    COMPARE_RGB(picture.pixel(15, 20), backgroundRow20, 0);       // clear over black: background
    COMPARE_RGB(picture.pixel(5, 20), backgroundRow20 | red, 0);  // clear: OR, as the raster op
}

void TestButtonPainting::settlesWithoutRepaintCycle() {
    ButtonRig rig;
    rig.load();
    QVERIFY(rig.showActive());
    QCoreApplication::processEvents();
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    auto settle = [] {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    };
    rig.button().installEventFilter(&counter);
    rig.button().repaint();
    QCOMPARE(counter.paints, 1);
    settle();
    QCOMPARE(counter.paints, 1);
    // A new size changes the shape once, then it settles again.
    rig.button().resize(150, 30);
    settle();
    const int afterResize = counter.paints;
    settle();
    QCOMPARE(counter.paints, afterResize);
    QVERIFY(!rig.button().mask().contains(QPoint(149, 10)));
    QVERIFY(rig.button().mask().contains(QPoint(148, 10)));
}

QTEST_MAIN(TestButtonPainting)
#include "test_button_painting.moc"
