// The button's picture, look by look, read back from the rendered window.

#include "controls/color_value.h"
#include "tests/controls/button_rig.h"

#include <QFocusEvent>
#include <QTest>

using testing::ButtonRig;

namespace {

constexpr QRgb blueBorder = qRgb(0, 60, 116);

// A button with no caption and no icon, loaded with every property at its default.
void loadBare(controls::XPButton& button, int colorStyle = 1) {
    button.readProperties(controls::PropertyBag());
    button.setColorStyle(colorStyle);
}

void giveFocusLook(controls::XPButton& button) {
    QFocusEvent event(QEvent::FocusIn);
    QApplication::sendEvent(&button, &event);
}

void pressLeft(controls::XPButton& button) {
    const QPointF at(30, 15);
    QMouseEvent event(QEvent::MouseButtonPress, at, button.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
}

}  // namespace

class TestButtonPainting : public QObject {
    Q_OBJECT

private slots:
    void normalLookBorderAndGradient_data();
    void normalLookBorderAndGradient();
    void lastColumnAndRowShowTheWindow();
    void cutOffCornerShowsTheWindow();

    void hoverRingBeatsFocusRing();
    void hoverRingIsSymmetric();
    void focusRingWithDots();
    void focusRingWithoutDots();
    void tinyButtonGetsNoDotsOnShortSides();

    void pressedWhileFocusedShowsPressedRingAndDots();
    void pressedWhileHoveredShowsNoHoverRing();
    void silverPressedHasFourWhiteLinesAndReversedGradient();

    void disabledLookIsFlatAndIgnoresState_data();
    void disabledLookIsFlatAndIgnoresState();
    void disabledIconIsGreySilhouetteOnWhite();

    void outOfRangeStyleDrawsNothing_data();
    void outOfRangeStyleDrawsNothing();
    void outOfRangeStyleShowsDotsWhileHovered();

    void iconTopRowRoundsHalfToEven_data();
    void iconTopRowRoundsHalfToEven();
    void iconColumnFollowsAlignment_data();
    void iconColumnFollowsAlignment();
    void iconBlendsThroughMask();
    void iconWithoutMaskIsNotDrawn();

    void captionPlacement_data();
    void captionPlacement();
    void captionLeadingSpacesClearLeftIcon();
    void captionAlignmentThreeDrawsNoCaption();
    void captionColourFollowsForeColor_data();
    void captionColourFollowsForeColor();
    void disabledCaptionIsGrey();

    void settlesWithoutRepaintCycle();
};

void TestButtonPainting::normalLookBorderAndGradient_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QRgb>("top");
    QTest::addColumn<QRgb>("bottom");
    QTest::addColumn<QRgb>("border");
    QTest::newRow("blue") << 1 << qRgb(252, 252, 251) << qRgb(240, 240, 234) << blueBorder;
    QTest::newRow("silver") << 2 << qRgb(255, 255, 255) << qRgb(198, 197, 215) << blueBorder;
    QTest::newRow("olive") << 3 << qRgb(254, 255, 242) << qRgb(243, 238, 219) << qRgb(55, 98, 6);
}

void TestButtonPainting::normalLookBorderAndGradient() {
    QFETCH(int, style);
    QFETCH(QRgb, top);
    QFETCH(QRgb, bottom);
    QFETCH(QRgb, border);
    ButtonRig rig;
    loadBare(rig.button(), style);
    const QImage picture = rig.picture();
    // Border on column 0, column W-2, row 0 and row H-2, away from the corners.
    for (int y = 4; y <= 28; ++y) {
        COMPARE_RGB(picture.pixel(0, y), border, 0);
        COMPARE_RGB(picture.pixel(175, y), border, 0);
    }
    for (int x = 4; x <= 172; ++x) {
        COMPARE_RGB(picture.pixel(x, 0), border, 0);
        COMPARE_RGB(picture.pixel(x, 31), border, 0);
    }
    // Top inside row close to the top colour, bottom inside row close to the bottom colour.
    COMPARE_RGB(picture.pixel(88, 1), top, 5);
    COMPARE_RGB(picture.pixel(88, 30), bottom, 5);
    // Each row is one colour.
    for (int y = 1; y <= 30; ++y) {
        COMPARE_RGB(picture.pixel(1, y), picture.pixel(174, y), 0);
    }
}

void TestButtonPainting::lastColumnAndRowShowTheWindow() {
    ButtonRig rig;
    loadBare(rig.button());
    const QImage picture = rig.picture();
    for (int y = 0; y < 33; ++y) {
        QVERIFY(!rig.button().mask().contains(QPoint(176, y)));
        COMPARE_RGB(picture.pixel(176, y), testing::windowColor.rgb(), 0);
    }
    for (int x = 0; x < 177; ++x) {
        QVERIFY(!rig.button().mask().contains(QPoint(x, 32)));
        COMPARE_RGB(picture.pixel(x, 32), testing::windowColor.rgb(), 0);
    }
}

void TestButtonPainting::cutOffCornerShowsTheWindow() {
    ButtonRig rig;
    loadBare(rig.button());
    rig.button().setRoundedValue(12);
    const QImage picture = rig.picture();
    for (QPoint corner : {QPoint(0, 0), QPoint(175, 0), QPoint(0, 31), QPoint(175, 31)}) {
        QVERIFY(!rig.button().mask().contains(corner));
        COMPARE_RGB(picture.pixel(corner), testing::windowColor.rgb(), 0);
    }
    // The border follows the rounding: the first row's border starts further in.
    COMPARE_RGB(picture.pixel(6, 0), blueBorder, 0);
    COMPARE_RGB(picture.pixel(0, 6), blueBorder, 0);
}

void TestButtonPainting::hoverRingBeatsFocusRing() {
    ButtonRig rig;
    loadBare(rig.button());
    giveFocusLook(rig.button());
    rig.hover();
    QVERIFY(rig.button().isHovered());
    QVERIFY(rig.button().isFocused());
    const QImage picture = rig.picture();
    COMPARE_RGB(picture.pixel(50, 1), qRgb(255, 240, 207), 0);  // L1
    COMPARE_RGB(picture.pixel(50, 30), qRgb(229, 151, 0), 0);   // L3
    COMPARE_RGB(picture.pixel(50, 2), qRgb(253, 216, 137), 0);  // L5
    COMPARE_RGB(picture.pixel(2, 15), qRgb(251, 200, 96), 0);   // L6
    // No dots where the focus look would put them.
    COMPARE_RGB(picture.pixel(3, 2), qRgb(253, 216, 137), 0);
    COMPARE_RGB(picture.pixel(2, 4), qRgb(251, 200, 96), 0);
}

void TestButtonPainting::hoverRingIsSymmetric() {
    ButtonRig rig;
    loadBare(rig.button());
    const QImage plain = rig.picture();
    rig.hover();
    const QImage picture = rig.picture();
    // The pixels the ring covers are mirrored left to right and top to bottom about the shape
    // (columns 0..175, rows 0..31).
    auto marked = [&](int x, int y) { return picture.pixel(x, y) != plain.pixel(x, y); };
    for (int y = 0; y <= 31; ++y) {
        for (int x = 0; x <= 175; ++x) {
            if (y > 3 && y < 28 && x > 3 && x < 172) {
                continue;
            }
            QVERIFY2(marked(x, y) == marked(175 - x, y),
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            QVERIFY2(marked(x, y) == marked(x, 31 - y),
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        }
    }
}

void TestButtonPainting::focusRingWithDots() {
    ButtonRig rig;
    loadBare(rig.button());
    giveFocusLook(rig.button());
    const QImage picture = rig.picture();
    const QRgb black = qRgb(0, 0, 0);
    for (int x = 3; x <= 172; x += 2) {
        COMPARE_RGB(picture.pixel(x, 2), black, 0);   // top
        COMPARE_RGB(picture.pixel(x, 29), black, 0);  // bottom
    }
    for (int y = 4; y <= 29; y += 2) {
        COMPARE_RGB(picture.pixel(2, y), black, 0);    // left
        COMPARE_RGB(picture.pixel(173, y), black, 0);  // right
    }
    // Between the dots the inner ring shows its focus colours.
    COMPARE_RGB(picture.pixel(4, 2), qRgb(188, 212, 246), 0);    // L5
    COMPARE_RGB(picture.pixel(2, 5), qRgb(157, 188, 235), 0);    // L6
    COMPARE_RGB(picture.pixel(4, 29), qRgb(137, 173, 228), 0);   // L7
    COMPARE_RGB(picture.pixel(173, 5), qRgb(157, 187, 235), 0);  // L8
    COMPARE_RGB(picture.pixel(50, 1), qRgb(206, 231, 255), 0);   // L1
    COMPARE_RGB(picture.pixel(1, 15), qRgb(156, 187, 234), 0);   // L2
}

void TestButtonPainting::focusRingWithoutDots() {
    ButtonRig rig;
    loadBare(rig.button(), 2);
    rig.button().setFocusDottedRect(false);
    giveFocusLook(rig.button());
    const QImage picture = rig.picture();
    COMPARE_RGB(picture.pixel(3, 2), qRgb(188, 212, 246), 0);
    COMPARE_RGB(picture.pixel(2, 4), qRgb(255, 255, 255), 0);  // silver L6 is white
    COMPARE_RGB(picture.pixel(1, 15), qRgb(160, 190, 236), 0);
    for (int x = 3; x <= 172; ++x) {
        QVERIFY(picture.pixel(x, 2) != qRgb(0, 0, 0));
    }
}

void TestButtonPainting::tinyButtonGetsNoDotsOnShortSides() {
    // W-5 below 3 and H-4 below 4: no dots anywhere, and nothing breaks.
    ButtonRig rig(QSize(7, 7));
    loadBare(rig.button());
    giveFocusLook(rig.button());
    const QImage picture = rig.picture();
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) {
            QVERIFY(picture.pixel(x, y) != qRgb(0, 0, 0));
        }
    }
}

void TestButtonPainting::pressedWhileFocusedShowsPressedRingAndDots() {
    ButtonRig rig;
    loadBare(rig.button());
    giveFocusLook(rig.button());
    pressLeft(rig.button());
    QVERIFY(rig.button().isPressed());
    const QImage picture = rig.picture();
    COMPARE_RGB(picture.pixel(50, 1), qRgb(209, 204, 193), 0);   // L1
    COMPARE_RGB(picture.pixel(50, 30), qRgb(242, 241, 238), 0);  // L3
    COMPARE_RGB(picture.pixel(4, 2), qRgb(220, 216, 207), 0);    // L5
    COMPARE_RGB(picture.pixel(3, 2), qRgb(0, 0, 0), 0);          // dot
    COMPARE_RGB(picture.pixel(2, 4), qRgb(0, 0, 0), 0);
    // Pressed gradient inside the ring.
    COMPARE_RGB(picture.pixel(88, 3), qRgb(229, 228, 221), 1);
    COMPARE_RGB(picture.pixel(88, 28), qRgb(226, 226, 218), 1);
}

void TestButtonPainting::pressedWhileHoveredShowsNoHoverRing() {
    ButtonRig rig;
    loadBare(rig.button(), 3);
    rig.hover();
    pressLeft(rig.button());
    const QImage picture = rig.picture();
    COMPARE_RGB(picture.pixel(50, 1), qRgb(223, 205, 180), 0);  // olive pressed L1
    COMPARE_RGB(picture.pixel(1, 15), qRgb(227, 212, 191), 0);
    COMPARE_RGB(picture.pixel(3, 2), qRgb(231, 217, 195), 0);  // no dots: not focused
    COMPARE_RGB(picture.pixel(0, 15), qRgb(55, 98, 6), 0);
}

void TestButtonPainting::silverPressedHasFourWhiteLinesAndReversedGradient() {
    ButtonRig rig;
    loadBare(rig.button(), 2);
    pressLeft(rig.button());
    const QImage picture = rig.picture();
    const QRgb white = qRgb(255, 255, 255);
    COMPARE_RGB(picture.pixel(50, 1), white, 0);
    COMPARE_RGB(picture.pixel(1, 15), white, 0);
    COMPARE_RGB(picture.pixel(50, 30), white, 0);
    COMPARE_RGB(picture.pixel(174, 15), white, 0);
    // No inner ring: rows 2 and 29 are gradient, dark at the top and light at the bottom.
    COMPARE_RGB(picture.pixel(50, 2), picture.pixel(100, 2), 0);
    COMPARE_RGB(picture.pixel(50, 2), qRgb(172, 171, 189), 12);
    COMPARE_RGB(picture.pixel(50, 29), white, 12);
    QVERIFY(qRed(picture.pixel(50, 3)) < qRed(picture.pixel(50, 28)));
}

void TestButtonPainting::disabledLookIsFlatAndIgnoresState_data() {
    QTest::addColumn<int>("style");
    QTest::newRow("blue") << 1;
    QTest::newRow("silver") << 2;
    QTest::newRow("olive") << 3;
}

void TestButtonPainting::disabledLookIsFlatAndIgnoresState() {
    QFETCH(int, style);
    ButtonRig rig;
    loadBare(rig.button(), style);
    rig.button().setXPEnabled(false);
    const QImage plain = rig.picture();
    for (int y = 1; y <= 30; ++y) {
        COMPARE_RGB(plain.pixel(60, y), qRgb(245, 244, 234), 0);
    }
    COMPARE_RGB(plain.pixel(60, 0), qRgb(201, 199, 186), 0);
    COMPARE_RGB(plain.pixel(175, 15), qRgb(201, 199, 186), 0);

    // Flags set before disabling, and attempts while disabled, change nothing visible.
    ButtonRig busy;
    loadBare(busy.button(), style);
    giveFocusLook(busy.button());
    busy.hover();
    pressLeft(busy.button());
    busy.button().setXPEnabled(false);
    QCOMPARE(busy.picture(), plain);
}

void TestButtonPainting::disabledIconIsGreySilhouetteOnWhite() {
    ButtonRig rig;
    loadBare(rig.button());
    rig.button().setIcon(testing::solidIcon(qRgb(200, 30, 30)));
    rig.button().setIconMask(testing::maskWithOpaqueRect(QRect(4, 4, 8, 8)));
    rig.button().setXPEnabled(false);
    const QImage picture = rig.picture();
    // Icon box: columns 5..20, rows 8..23.
    for (int y = 8; y <= 23; ++y) {
        for (int x = 5; x <= 20; ++x) {
            const bool opaque = x >= 9 && x <= 16 && y >= 12 && y <= 19;
            COMPARE_RGB(picture.pixel(x, y), opaque ? qRgb(172, 168, 153) : qRgb(255, 255, 255), 0);
        }
    }
    COMPARE_RGB(picture.pixel(4, 15), qRgb(245, 244, 234), 0);
    COMPARE_RGB(picture.pixel(21, 15), qRgb(245, 244, 234), 0);
}

void TestButtonPainting::outOfRangeStyleDrawsNothing_data() {
    QTest::addColumn<int>("style");
    QTest::newRow("0") << 0;
    QTest::newRow("7") << 7;
    QTest::newRow("-1") << -1;
}

void TestButtonPainting::outOfRangeStyleDrawsNothing() {
    QFETCH(int, style);
    ButtonRig rig;
    loadBare(rig.button(), style);
    QCOMPARE(rig.button().colorStyle(), style);
    rig.button().setCaption(QStringLiteral("Tekst"));
    rig.button().setIcon(testing::solidIcon(qRgb(200, 30, 30)));
    rig.button().setIconMask(testing::maskWithOpaqueRect(QRect(0, 0, 16, 16)));
    giveFocusLook(rig.button());
    const QImage picture = rig.picture();
    // Only the host's clearing: the button's background inside the shape.
    for (int y = 0; y <= 31; ++y) {
        for (int x = 0; x <= 175; ++x) {
            if (rig.button().mask().contains(QPoint(x, y))) {
                COMPARE_RGB(picture.pixel(x, y), testing::buttonBackground.rgb(), 0);
            }
        }
    }
}

void TestButtonPainting::outOfRangeStyleShowsDotsWhileHovered() {
    ButtonRig rig;
    loadBare(rig.button(), 0);
    rig.hover();
    QImage picture = rig.picture();
    COMPARE_RGB(picture.pixel(3, 2), qRgb(0, 0, 0), 0);
    COMPARE_RGB(picture.pixel(4, 2), testing::buttonBackground.rgb(), 0);
    COMPARE_RGB(picture.pixel(2, 4), qRgb(0, 0, 0), 0);

    rig.button().setFocusDottedRect(false);
    picture = rig.picture();
    COMPARE_RGB(picture.pixel(3, 2), testing::buttonBackground.rgb(), 0);
}

void TestButtonPainting::iconTopRowRoundsHalfToEven_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("topRow");
    QTest::newRow("33 -> 8.5 -> 8") << 33 << 8;
    QTest::newRow("35 -> 9.5 -> 10") << 35 << 10;
    QTest::newRow("34 -> 9") << 34 << 9;
}

void TestButtonPainting::iconTopRowRoundsHalfToEven() {
    QFETCH(int, height);
    QFETCH(int, topRow);
    ButtonRig rig(QSize(177, height));
    loadBare(rig.button());
    const QRgb red = qRgb(200, 30, 30);
    rig.button().setIcon(testing::solidIcon(red));
    rig.button().setIconMask(testing::maskWithOpaqueRect(QRect(0, 0, 16, 16)));
    const QImage picture = rig.picture();
    QVERIFY(picture.pixel(10, topRow - 1) != red);
    COMPARE_RGB(picture.pixel(10, topRow), red, 0);
    COMPARE_RGB(picture.pixel(10, topRow + 15), red, 0);
    QVERIFY(picture.pixel(10, topRow + 16) != red);
}

void TestButtonPainting::iconColumnFollowsAlignment_data() {
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("firstColumn");  // -1: no icon
    QTest::newRow("left") << 1 << 5;
    QTest::newRow("right") << 2 << 156;
    QTest::newRow("0 draws none") << 0 << -1;
    QTest::newRow("3 draws none") << 3 << -1;
}

void TestButtonPainting::iconColumnFollowsAlignment() {
    QFETCH(int, alignment);
    QFETCH(int, firstColumn);
    ButtonRig rig;
    loadBare(rig.button());
    const QRgb red = qRgb(200, 30, 30);
    rig.button().setIcon(testing::solidIcon(red));
    rig.button().setIconMask(testing::maskWithOpaqueRect(QRect(0, 0, 16, 16)));
    rig.button().setIconAlignment(alignment);
    const QImage picture = rig.picture();
    int first = -1;
    int count = 0;
    for (int x = 0; x < 177; ++x) {
        if (picture.pixel(x, 15) == red) {
            first = first < 0 ? x : first;
            ++count;
        }
    }
    QCOMPARE(first, firstColumn);
    QCOMPARE(count, firstColumn < 0 ? 0 : 16);
}

void TestButtonPainting::iconBlendsThroughMask() {
    ButtonRig rig;
    loadBare(rig.button());
    // Left half of the icon red, right half black; mask opaque on the top half only.
    QImage icon = testing::solidIcon(qRgb(200, 30, 30));
    for (int y = 0; y < 16; ++y) {
        for (int x = 8; x < 16; ++x) {
            icon.setPixel(x, y, qRgb(0, 0, 0));
        }
    }
    rig.button().setIcon(icon);
    rig.button().setIconMask(testing::maskWithOpaqueRect(QRect(0, 0, 16, 8)));
    const QImage picture = rig.picture();
    const QRgb backgroundRow20 = picture.pixel(60, 20);
    COMPARE_RGB(picture.pixel(5, 10), qRgb(200, 30, 30), 0);  // opaque, icon colour
    COMPARE_RGB(picture.pixel(15, 10), qRgb(0, 0, 0), 0);     // opaque black is black
    COMPARE_RGB(picture.pixel(15, 20), backgroundRow20, 0);   // clear, icon black: background
    // Clear where the icon is not black: OR of background and icon, as the raster op does.
    const QRgb expectedOr = (backgroundRow20 | qRgb(200, 30, 30));
    COMPARE_RGB(picture.pixel(5, 20), expectedOr, 0);
}

void TestButtonPainting::iconWithoutMaskIsNotDrawn() {
    ButtonRig rig;
    loadBare(rig.button());
    const QImage before = rig.picture();
    rig.button().setIcon(testing::solidIcon(qRgb(200, 30, 30)));
    QCOMPARE(rig.picture(), before);
    rig.button().setIcon(QImage());
    rig.button().setIconMask(testing::maskWithOpaqueRect(QRect(0, 0, 16, 16)));
    QCOMPARE(rig.picture(), before);
}

void TestButtonPainting::captionPlacement_data() {
    QTest::addColumn<int>("alignment");
    QTest::newRow("left") << 0;
    QTest::newRow("right") << 1;
    QTest::newRow("centred") << 2;
}

void TestButtonPainting::captionPlacement() {
    QFETCH(int, alignment);
    ButtonRig rig;
    loadBare(rig.button());
    rig.button().setCaption(QStringLiteral("HIH"));
    rig.button().setCaptionAlignment(alignment);
    const QImage picture = rig.picture();
    const QRect ink = testing::inkBounds(picture, QRect(3, 3, 170, 26));
    QVERIFY(!ink.isNull());
    // 100 twips is 6.67 pixels; an upright H has ink within a pixel or two of its box.
    switch (alignment) {
        case 0:
            QVERIFY2(ink.left() >= 7 && ink.left() <= 9, qPrintable(QString::number(ink.left())));
            break;
        case 1:
            QVERIFY2(ink.right() <= 176 - 7 && ink.right() >= 176 - 9,
                     qPrintable(QString::number(ink.right())));
            break;
        default:
            QVERIFY2(std::abs((ink.left() + ink.right()) - 176) <= 2,
                     qPrintable(QString::number(ink.left() + ink.right())));
    }
    // Vertically centred 20 twips (1.3 pixels) above the centre line, within a pixel.
    const double inkCentre = (ink.top() + ink.bottom()) / 2.0;
    QVERIFY2(inkCentre > 16.5 - 1.3 - 2.5 && inkCentre < 16.5,
             qPrintable(QString::number(inkCentre)));
}

void TestButtonPainting::captionLeadingSpacesClearLeftIcon() {
    ButtonRig rig;
    loadBare(rig.button());
    rig.button().setFontDescription({QStringLiteral("Verdana"), 8.25, 400, 238});
    rig.button().setCaptionAlignment(0);
    rig.button().setCaption(QString::fromUtf8("     E-1 (Najtanjša struna)"));
    const QImage picture = rig.picture();
    const QRect ink = testing::inkBounds(picture, QRect(3, 3, 170, 26));
    QVERIFY2(ink.left() > 5 + 16, qPrintable(QString::number(ink.left())));

    rig.button().setCaption(QStringLiteral("E-1 (Najtanjša struna)"));
    const QRect unpadded = testing::inkBounds(rig.picture(), QRect(3, 3, 170, 26));
    QVERIFY(unpadded.left() >= 7 && unpadded.left() <= 9);
}

void TestButtonPainting::captionAlignmentThreeDrawsNoCaption() {
    ButtonRig rig;
    loadBare(rig.button());
    rig.button().setCaption(QStringLiteral("Tekst"));
    rig.button().setCaptionAlignment(3);
    QVERIFY(testing::inkBounds(rig.picture(), QRect(3, 3, 170, 26), 20).isNull());
}

void TestButtonPainting::captionColourFollowsForeColor_data() {
    QTest::addColumn<quint32>("foreColor");
    QTest::addColumn<QRgb>("expected");
    QTest::newRow("red is the low byte") << quint32(0x0000FF) << qRgb(255, 0, 0);
    QTest::newRow("blue is the third byte") << quint32(0xFF0000) << qRgb(0, 0, 255);
    QTest::newRow("desktop system colour is dark") << quint32(0x80000001) << qRgb(0, 78, 152);
}

void TestButtonPainting::captionColourFollowsForeColor() {
    QFETCH(quint32, foreColor);
    QFETCH(QRgb, expected);
    ButtonRig rig;
    loadBare(rig.button());
    QFont bold(QStringLiteral("DejaVu Sans"));
    bold.setPixelSize(20);
    bold.setBold(true);
    rig.button().setFontType(bold);
    rig.button().setCaption(QStringLiteral("IIII"));
    rig.button().setForeColor(foreColor);
    const QImage picture = rig.picture();
    // Thick stems: some pixels are the caption colour exactly.
    bool found = false;
    for (int y = 3; y < 29 && !found; ++y) {
        for (int x = 3; x < 173 && !found; ++x) {
            found = picture.pixel(x, y) == expected;
        }
    }
    QVERIFY(found);
}

void TestButtonPainting::disabledCaptionIsGrey() {
    ButtonRig rig;
    loadBare(rig.button());
    rig.button().setCaption(QStringLiteral("Tekst"));
    rig.button().setXPEnabled(false);
    const QImage picture = rig.picture();
    // Nothing darker than the grey caption colour inside the border.
    int darkest = 255;
    for (int y = 3; y < 29; ++y) {
        for (int x = 3; x < 173; ++x) {
            darkest = std::min(darkest, qGray(picture.pixel(x, y)));
        }
    }
    QVERIFY2(darkest >= qGray(qRgb(201, 199, 186)) - 1, qPrintable(QString::number(darkest)));
    QVERIFY(darkest < qGray(qRgb(245, 244, 234)));
}

void TestButtonPainting::settlesWithoutRepaintCycle() {
    ButtonRig rig;
    loadBare(rig.button());
    QVERIFY(rig.showActive());
    QCoreApplication::processEvents();
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    rig.button().installEventFilter(&counter);
    rig.button().repaint();
    const int afterOne = counter.paints;
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
    QCOMPARE(afterOne, 1);
    QCOMPARE(counter.paints, 1);
    // A new size changes the shape once, then it settles again.
    rig.button().resize(150, 30);
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
    const int afterResize = counter.paints;
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
    QCOMPARE(counter.paints, afterResize);
    QVERIFY(!rig.button().mask().contains(QPoint(149, 10)));
    QVERIFY(rig.button().mask().contains(QPoint(148, 10)));
}

QTEST_MAIN(TestButtonPainting)
#include "test_button_painting.moc"
