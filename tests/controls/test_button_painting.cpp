// The button's picture, look by look, read back from the rendered window.

#include "tests/controls/button_rig.h"

#include <QFocusEvent>
#include <QTest>
#include <climits>

using testing::ButtonRig;

namespace {

constexpr QRgb blueBorder = qRgb(0, 60, 116);
constexpr QRgb black = qRgb(0, 0, 0);
constexpr QRgb white = qRgb(255, 255, 255);
constexpr QRgb red = qRgb(200, 30, 30);

// The states a look is made of, combined as flags.
enum State { Plain = 0, Focus = 1, Hover = 2, Press = 4, NoDots = 8 };

// A button with every property at its default, no caption, brought into `state`.
ButtonRig& setLook(ButtonRig& rig, int style, int state) {
    rig.load(style).setFocusDottedRect(!(state & NoDots));
    if (state & Focus) {
        QFocusEvent event(QEvent::FocusIn);
        QApplication::sendEvent(&rig.button(), &event);
    }
    if (state & Hover) {
        rig.hover();
    }
    if (state & Press) {
        const QPointF at(30, 15);
        QMouseEvent event(QEvent::MouseButtonPress, at, rig.button().mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&rig.button(), &event);
    }
    return rig;
}

// Where the focus dots go: every second pixel of the inner ring, from (3,2) and (2,4) on.
bool isDot(QPoint p, QSize size) {
    const int w = size.width();
    const int h = size.height();
    return ((p.y() == 2 || p.y() == h - 4) && p.x() >= 3 && p.x() <= w - 5 && p.x() % 2 == 1) ||
           ((p.x() == 2 || p.x() == w - 4) && p.y() >= 4 && p.y() <= h - 4 && p.y() % 2 == 0);
}

void setRedIcon(controls::XPButton& button, QRect opaque = QRect(0, 0, 16, 16)) {
    button.setIcon(testing::solidIcon(red));
    button.setIconMask(testing::maskWithOpaqueRect(opaque));
}

struct Probe {
    QPoint at;
    QRgb rgb;
    int tolerance = 0;
};
using Probes = QList<Probe>;

}  // namespace

Q_DECLARE_METATYPE(Probes)

class TestButtonPainting : public QObject {
    Q_OBJECT

private slots:
    void schemeLooks_data();
    void schemeLooks();
    void outsideTheShapeShowsTheWindow();
    void hoverRingIsSymmetric();
    void ringPixels_data();
    void ringPixels();
    void focusDots_data();
    void focusDots();
    void disabledIconIsGreySilhouetteOnWhite();
    void iconPlacement_data();
    void iconPlacement();
    void iconBlendsThroughMask();
    void captionPlacement_data();
    void captionPlacement();
    void captionColour_data();
    void captionColour();
    void settlesWithoutRepaintCycle();
};

void TestButtonPainting::schemeLooks_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QRgb>("top");
    QTest::addColumn<QRgb>("bottom");
    QTest::addColumn<QRgb>("border");
    QTest::newRow("blue") << 1 << qRgb(252, 252, 251) << qRgb(240, 240, 234) << blueBorder;
    QTest::newRow("silver") << 2 << qRgb(255, 255, 255) << qRgb(198, 197, 215) << blueBorder;
    QTest::newRow("olive") << 3 << qRgb(254, 255, 242) << qRgb(243, 238, 219) << qRgb(55, 98, 6);
}

void TestButtonPainting::schemeLooks() {
    QFETCH(int, style);
    QFETCH(QRgb, top);
    QFETCH(QRgb, bottom);
    QFETCH(QRgb, border);
    ButtonRig rig;
    const QImage picture = setLook(rig, style, Plain).picture();
    // Border on column 0, column W-2, row 0 and row H-2, away from the corners.
    for (int y = 4; y <= 28; ++y) {
        COMPARE_RGB(picture.pixel(0, y), border, 0);
        COMPARE_RGB(picture.pixel(175, y), border, 0);
    }
    for (int x = 4; x <= 172; ++x) {
        COMPARE_RGB(picture.pixel(x, 0), border, 0);
        COMPARE_RGB(picture.pixel(x, 31), border, 0);
    }
    COMPARE_RGB(picture.pixel(88, 1), top, 5);
    COMPARE_RGB(picture.pixel(88, 30), bottom, 5);
    for (int y = 1; y <= 30; ++y) {  // each row is one colour
        COMPARE_RGB(picture.pixel(1, y), picture.pixel(174, y), 0);
    }
    // Disabled: flat with a grey border whatever the scheme, and flags set before disabling
    // change nothing visible.
    rig.button().setXPEnabled(false);
    const QImage disabled = rig.picture();
    for (int y = 1; y <= 30; ++y) {
        COMPARE_RGB(disabled.pixel(60, y), qRgb(245, 244, 234), 0);
    }
    COMPARE_RGB(disabled.pixel(60, 0), qRgb(201, 199, 186), 0);
    COMPARE_RGB(disabled.pixel(175, 15), qRgb(201, 199, 186), 0);
    ButtonRig busy;
    setLook(busy, style, Focus | Hover | Press).button().setXPEnabled(false);
    QCOMPARE(busy.picture(), disabled);
}

void TestButtonPainting::outsideTheShapeShowsTheWindow() {
    ButtonRig rig;
    rig.load().setRoundedValue(12);
    const QImage picture = rig.picture();
    QList<QPoint> outside = {QPoint(0, 0), QPoint(175, 0), QPoint(0, 31), QPoint(175, 31)};
    for (int i = 0; i < 177; ++i) {  // the last column and the last row
        outside << QPoint(176, i % 33) << QPoint(i, 32);
    }
    for (QPoint p : outside) {
        QVERIFY(!rig.button().mask().contains(p));
        COMPARE_RGB(picture.pixel(p), testing::windowColor.rgb(), 0);
    }
    // The border follows the rounding: it starts further in.
    COMPARE_RGB(picture.pixel(6, 0), blueBorder, 0);
    COMPARE_RGB(picture.pixel(0, 6), blueBorder, 0);
    // Extreme roundings still paint.
    for (int rounded : {INT_MIN, INT_MAX}) {
        rig.button().setRoundedValue(rounded);
        QVERIFY(!rig.picture().isNull());
    }
}

void TestButtonPainting::hoverRingIsSymmetric() {
    ButtonRig rig;
    const QImage plain = setLook(rig, 1, Plain).picture();
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

void TestButtonPainting::ringPixels_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("state");
    QTest::addColumn<Probes>("probes");
    // Outer ring at rows/columns 1 and W-3/H-3, inner ring at 2 and W-4/H-4.
    QTest::newRow("hover beats focus") << 1 << (Focus | Hover)
                                       << Probes{{{50, 1}, qRgb(255, 240, 207)},
                                                 {{50, 30}, qRgb(229, 151, 0)},
                                                 {{50, 2}, qRgb(253, 216, 137)},
                                                 {{2, 15}, qRgb(251, 200, 96)}};
    QTest::newRow("focus between the dots")
        << 1 << int(Focus)
        << Probes{{{50, 1}, qRgb(206, 231, 255)}, {{1, 15}, qRgb(156, 187, 234)},
                  {{4, 2}, qRgb(188, 212, 246)},  {{2, 5}, qRgb(157, 188, 235)},
                  {{4, 29}, qRgb(137, 173, 228)}, {{173, 5}, qRgb(157, 187, 235)}};
    QTest::newRow("silver focus without dots")
        << 2 << (Focus | NoDots)
        << Probes{{{3, 2}, qRgb(188, 212, 246)}, {{2, 4}, white}, {{1, 15}, qRgb(160, 190, 236)}};
    QTest::newRow("pressed while focused") << 1 << (Focus | Press)
                                           << Probes{{{50, 1}, qRgb(209, 204, 193)},
                                                     {{50, 30}, qRgb(242, 241, 238)},
                                                     {{4, 2}, qRgb(220, 216, 207)},
                                                     {{88, 3}, qRgb(229, 228, 221), 1},
                                                     {{88, 28}, qRgb(226, 226, 218), 1}};
    QTest::newRow("olive pressed beats hover") << 3 << (Hover | Press)
                                               << Probes{{{50, 1}, qRgb(223, 205, 180)},
                                                         {{1, 15}, qRgb(227, 212, 191)},
                                                         {{3, 2}, qRgb(231, 217, 195)},
                                                         {{0, 15}, qRgb(55, 98, 6)}};
    // Four white outer lines, no inner ring, the gradient dark at the top and light below.
    QTest::newRow("silver pressed") << 2 << int(Press)
                                    << Probes{{{50, 1}, white},
                                              {{1, 15}, white},
                                              {{50, 30}, white},
                                              {{174, 15}, white},
                                              {{50, 2}, qRgb(172, 171, 189), 12},
                                              {{50, 29}, white, 12}};
}

void TestButtonPainting::ringPixels() {
    QFETCH(int, style);
    QFETCH(int, state);
    QFETCH(Probes, probes);
    ButtonRig rig;
    const QImage picture = setLook(rig, style, state).picture();
    for (const Probe& probe : probes) {
        COMPARE_RGB(picture.pixel(probe.at), probe.rgb, probe.tolerance);
    }
}

void TestButtonPainting::focusDots_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("dots");
    QTest::newRow("focused") << QSize(177, 33) << 1 << int(Focus) << true;
    QTest::newRow("focused, too small for any") << QSize(7, 7) << 1 << int(Focus) << true;
    QTest::newRow("pressed while focused") << QSize(177, 35) << 3 << (Focus | Press) << true;
    QTest::newRow("focused without dots") << QSize(177, 33) << 2 << (Focus | NoDots) << false;
    QTest::newRow("hover beats focus") << QSize(177, 33) << 1 << (Focus | Hover) << false;
    QTest::newRow("pressed, not focused") << QSize(177, 33) << 1 << (Hover | Press) << false;
    // Out of range styles draw nothing but the dots, and those only while hovered.
    QTest::newRow("style 0 focused") << QSize(177, 33) << 0 << int(Focus) << false;
    QTest::newRow("style 7 hovered") << QSize(177, 33) << 7 << int(Hover) << true;
    QTest::newRow("style -1 hovered, no dots") << QSize(177, 33) << -1 << (Hover | NoDots) << false;
}

void TestButtonPainting::focusDots() {
    QFETCH(QSize, size);
    QFETCH(int, style);
    QFETCH(int, state);
    QFETCH(bool, dots);
    ButtonRig rig(size);
    setLook(rig, style, state);
    QCOMPARE(rig.button().colorStyle(), style);  // kept, not clamped
    // A red caption and icon put no black pixels anywhere.
    rig.button().setCaption(QStringLiteral("Tekst"));
    rig.button().setForeColor(0x0000FF);
    setRedIcon(rig.button());
    const QImage picture = rig.picture();
    const bool outOfRange = style < 1 || style > 3;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const bool dot = dots && isDot(QPoint(x, y), size);
            QVERIFY2((picture.pixel(x, y) == black) == dot,
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            if (outOfRange && !dot && rig.button().mask().contains(QPoint(x, y))) {
                COMPARE_RGB(picture.pixel(x, y), testing::buttonBackground.rgb(), 0);
            }
        }
    }
}

void TestButtonPainting::disabledIconIsGreySilhouetteOnWhite() {
    ButtonRig rig;
    setRedIcon(rig.load(), QRect(4, 4, 8, 8));
    rig.button().setXPEnabled(false);
    const QImage picture = rig.picture();
    // Icon box: columns 5..20, rows 8..23; the flat background around it.
    for (int y = 8; y <= 23; ++y) {
        for (int x = 5; x <= 20; ++x) {
            const bool opaque = x >= 9 && x <= 16 && y >= 12 && y <= 19;
            COMPARE_RGB(picture.pixel(x, y), opaque ? qRgb(172, 168, 153) : white, 0);
        }
    }
    COMPARE_RGB(picture.pixel(4, 15), qRgb(245, 244, 234), 0);
    COMPARE_RGB(picture.pixel(21, 15), qRgb(245, 244, 234), 0);
}

void TestButtonPainting::iconPlacement_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("withIcon");
    QTest::addColumn<bool>("withMask");
    QTest::addColumn<QRect>("drawn");
    // The top row is (H - 16) / 2 rounded half to even.
    QTest::newRow("H 33: 8.5 -> 8") << 33 << 1 << true << true << QRect(5, 8, 16, 16);
    QTest::newRow("H 35: 9.5 -> 10") << 35 << 1 << true << true << QRect(5, 10, 16, 16);
    QTest::newRow("H 34: 9") << 34 << 1 << true << true << QRect(5, 9, 16, 16);
    QTest::newRow("right on W 177") << 33 << 2 << true << true << QRect(156, 8, 16, 16);
    QTest::newRow("alignment 0") << 33 << 0 << true << true << QRect();
    QTest::newRow("alignment 3") << 33 << 3 << true << true << QRect();
    QTest::newRow("icon without mask") << 33 << 1 << true << false << QRect();
    QTest::newRow("mask without icon") << 33 << 1 << false << true << QRect();
}

void TestButtonPainting::iconPlacement() {
    QFETCH(int, height);
    QFETCH(int, alignment);
    QFETCH(bool, withIcon);
    QFETCH(bool, withMask);
    QFETCH(QRect, drawn);
    ButtonRig rig(QSize(177, height));
    rig.load().setIconAlignment(alignment);
    const QImage bare = rig.picture();
    rig.button().setIcon(withIcon ? testing::solidIcon(red) : QImage());
    rig.button().setIconMask(withMask ? testing::maskWithOpaqueRect(QRect(0, 0, 16, 16))
                                      : QImage());
    const QImage picture = rig.picture();
    QCOMPARE(testing::diffBounds(picture, bare), drawn);
    if (!drawn.isNull()) {
        COMPARE_RGB(picture.pixel(drawn.center()), red, 0);
    }
}

void TestButtonPainting::iconBlendsThroughMask() {
    // Left half of the icon red, right half black; the mask opaque on the top half only.
    QImage icon = testing::solidIcon(red);
    for (int y = 0; y < 16; ++y) {
        for (int x = 8; x < 16; ++x) {
            icon.setPixel(x, y, black);
        }
    }
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

void TestButtonPainting::captionPlacement_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("edge");  // 0 left ink column, 1 right ink column, 2 their sum
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    // 100 twips are 6.67 pixels; an upright H has ink within a pixel or two of its box.
    QTest::newRow("left") << "HIH" << 0 << 0 << 7 << 9;
    QTest::newRow("right") << "HIH" << 1 << 1 << 167 << 169;
    QTest::newRow("centred") << "HIH" << 2 << 2 << 174 << 178;
    QTest::newRow("leading spaces clear a left icon")
        << QString::fromUtf8("     E-1 (Najtanjša struna)") << 0 << 0 << 22 << 40;
    QTest::newRow("alignment 3 draws none") << "Tekst" << 3 << -1 << 0 << 0;
}

void TestButtonPainting::captionPlacement() {
    QFETCH(QString, caption);
    QFETCH(int, alignment);
    QFETCH(int, edge);
    QFETCH(int, low);
    QFETCH(int, high);
    ButtonRig rig;
    rig.load().setCaption(caption);
    rig.button().setCaptionAlignment(alignment);
    const QRect ink = testing::inkBounds(rig.picture(), QRect(3, 3, 170, 26), edge < 0 ? 20 : 60);
    if (edge < 0) {
        QVERIFY(ink.isNull());
        return;
    }
    const int at = edge == 0 ? ink.left() : edge == 1 ? ink.right() : ink.left() + ink.right();
    QVERIFY2(at >= low && at <= high, qPrintable(QString::number(at)));
    // Vertically centred 20 twips (1.3 pixels) above the centre line, within a pixel.
    const double inkCentre = (ink.top() + ink.bottom()) / 2.0;
    QVERIFY2(inkCentre > 16.5 - 1.3 - 2.5 && inkCentre < 16.5,
             qPrintable(QString::number(inkCentre)));
}

void TestButtonPainting::captionColour_data() {
    QTest::addColumn<quint32>("foreColor");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QRgb>("expected");
    QTest::newRow("red is the low byte") << quint32(0x0000FF) << true << qRgb(255, 0, 0);
    QTest::newRow("blue is the third byte") << quint32(0xFF0000) << true << qRgb(0, 0, 255);
    QTest::newRow("desktop system colour") << quint32(0x80000001) << true << qRgb(0, 78, 152);
    QTest::newRow("disabled is grey") << quint32(0x0000FF) << false << qRgb(201, 199, 186);
}

void TestButtonPainting::captionColour() {
    QFETCH(quint32, foreColor);
    QFETCH(bool, enabled);
    QFETCH(QRgb, expected);
    ButtonRig rig;
    QFont bold(QStringLiteral("DejaVu Sans"));
    bold.setPixelSize(20);
    bold.setBold(true);
    rig.load().setFontType(bold);
    rig.button().setCaption(QStringLiteral("IIII"));
    rig.button().setForeColor(foreColor);
    rig.button().setXPEnabled(enabled);
    // Thick stems: some pixels are the caption colour exactly, none the other colour.
    const QImage inside = rig.picture().copy(3, 3, 170, 26);
    bool found = false;
    for (int y = 0; y < inside.height(); ++y) {
        for (int x = 0; x < inside.width(); ++x) {
            found = found || inside.pixel(x, y) == expected;
            QVERIFY(enabled || inside.pixel(x, y) != qRgb(255, 0, 0));
        }
    }
    QVERIFY(found);
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
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
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
