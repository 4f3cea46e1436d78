// Centring a window on a reference in twips: double arithmetic, no rounding, no clamping, and
// objects without the needed properties left alone.

#include <QTest>

#include "app/placement.h"

namespace {

struct Rect {
    double w = 0, h = 0;
    float l = -1, t = -1;  // the window keeps its position as single precision, like a form
    double width() const { return w; }
    double height() const { return h; }
    void setLeft(double v) { l = static_cast<float>(v); }
    void setTop(double v) { t = static_cast<float>(v); }
};

struct SizeOnly {
    double width() const { return 15360; }
    double height() const { return 11520; }
};

struct NoHeight {
    double w = 7800;
    float l = -1, t = -1;
    double width() const { return w; }
    void setLeft(double v) { l = static_cast<float>(v); }
    void setTop(double v) { t = static_cast<float>(v); }
};

}  // namespace

class TestPlacement : public QObject {
    Q_OBJECT

private slots:
    void centres_data();
    void centres();
    void missingPropertiesLeaveTargetUnchanged();
};

void TestPlacement::centres_data() {
    QTest::addColumn<double>("refW");
    QTest::addColumn<double>("refH");
    QTest::addColumn<double>("winW");
    QTest::addColumn<double>("winH");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::newRow("1024 x 768 screen")
        << 15360.0 << 11520.0 << 7800.0 << 6285.0 << 3780.0f << 2617.5f;
    QTest::newRow("odd width not rounded first")
        << 15361.0 << 11520.0 << 7800.0 << 6285.0 << 3780.5f << 2617.5f;
    QTest::newRow("window larger than screen overhangs both edges")
        << 7710.0 << 5805.0 << 15360.0 << 11520.0 << -3825.0f << -2857.5f;
    QTest::newRow("equal sizes") << 7710.0 << 5805.0 << 7710.0 << 5805.0 << 0.0f << 0.0f;
}

void TestPlacement::centres() {
    QFETCH(double, refW);
    QFETCH(double, refH);
    QFETCH(double, winW);
    QFETCH(double, winH);
    QFETCH(float, left);
    QFETCH(float, top);
    Rect screen{refW, refH};
    Rect window{winW, winH};
    app::centerHorizontally(window, screen);
    QCOMPARE(window.l, left);
    QCOMPARE(window.t, -1.0f);  // horizontal centring touches only Left
    app::centerVertically(window, screen);
    QCOMPARE(window.t, top);
    QCOMPARE(window.l, left);
}

void TestPlacement::missingPropertiesLeaveTargetUnchanged() {
    NoHeight window;
    const SizeOnly screen;
    app::centerVertically(window, screen);  // the window has no height: nothing happens
    QCOMPARE(window.t, -1.0f);
    app::centerHorizontally(window, screen);
    QCOMPARE(window.l, 3780.0f);

    Rect target{100, 100};
    const NoHeight referenceWithoutHeight;
    app::centerVertically(target, referenceWithoutHeight);
    QCOMPARE(target.t, -1.0f);
}

QTEST_GUILESS_MAIN(TestPlacement)
#include "test_placement.moc"
