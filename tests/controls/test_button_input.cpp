// The button's input: mouse, keys, focus, the hover poll and the events they raise.

#include "controls/qt_button_host.h"
#include "tests/controls/button_rig.h"

#include <QCursor>
#include <QTest>
#include <QWindow>

using testing::ButtonRig;

namespace {

constexpr QRgb pressedL1 = qRgb(209, 204, 193);
constexpr QRgb hoverL1 = qRgb(255, 240, 207);
constexpr QRgb focusL1 = qRgb(206, 231, 255);

// Records the button's events in order, with their arguments.
class EventLog : public QObject {
public:
    explicit EventLog(controls::XPButton& button) {
        using B = controls::XPButton;
        connect(&button, &B::click, this, [this] { add(QStringLiteral("Click")); });
        connect(&button, &B::doubleClick, this, [this] { add(QStringLiteral("DoubleClick")); });
        connect(&button, &B::keyDown, this, [this](short& code, short& shift) {
            add(QStringLiteral("KeyDown %1 %2").arg(code).arg(shift));
        });
        connect(&button, &B::keyPress, this,
                [this](short& ascii) { add(QStringLiteral("KeyPress %1").arg(ascii)); });
        connect(&button, &B::keyUp, this, [this](short& code, short& shift) {
            add(QStringLiteral("KeyUp %1 %2").arg(code).arg(shift));
        });
        connect(&button, &B::mouseDown, this, [this](short& b, short& s, float& x, float& y) {
            add(QStringLiteral("MouseDown %1 %2 %3 %4").arg(b).arg(s).arg(x).arg(y));
        });
        connect(&button, &B::mouseMove, this, [this](short& b, short& s, float& x, float& y) {
            add(QStringLiteral("MouseMove %1 %2 %3 %4").arg(b).arg(s).arg(x).arg(y));
        });
        connect(&button, &B::mouseUp, this, [this](short& b, short& s, float& x, float& y) {
            add(QStringLiteral("MouseUp %1 %2 %3 %4").arg(b).arg(s).arg(x).arg(y));
        });
        connect(&button, &B::mouseEnters, this,
                [this](int x, int y) { add(QStringLiteral("MouseEnters %1 %2").arg(x).arg(y)); });
        connect(&button, &B::mouseLeaves, this,
                [this](int x, int y) { add(QStringLiteral("MouseLeaves %1 %2").arg(x).arg(y)); });
    }
    QStringList events;
    // Only the event names, without arguments.
    QStringList names() const {
        QStringList result;
        for (const QString& event : events) {
            result.append(event.section(u' ', 0, 0));
        }
        return result;
    }

private:
    void add(const QString& event) { events.append(event); }
};

void loadRunning(ButtonRig& rig) {
    rig.button().readProperties(controls::PropertyBag());
}

}  // namespace

class TestButtonInput : public QObject {
    Q_OBJECT

private slots:
    void leftClickRaisesDownBeforePressedLookThenUpThenClick();
    void rightButtonShowsNoPressedLook();
    void handlerChangingButtonDecidesThePressedLook();
    void releaseOutsideRaisesNoClick();
    void pressOnCutCornerMissesTheButton();
    void doubleClickReplacesTheSecondClick();
    void pointerMovesAreReported();

    void spaceHeldShowsPressedAndRaisesNoClick();
    void handlerCanSwallowSpace();
    void enterRaisesKeyPressThenClick();
    void handlerCanSwallowEnter();
    void keyCodesAndShift_data();
    void keyCodesAndShift();

    void disabledRaisesNothingButTakesFocus();
    void focusFlagSurvivesWhileDisabled();

    void hoverEntersAndLeavesOncePerCrossing();
    void crossingAndReturningBetweenTicksRaisesNothing();
    void pointerOnCutCornerIsOutside();
    void coveredOrOverChildIsOutside();
    void leavingWhileDisabledReportsAfterEnabling();
    void terminateStopsThePoll();
    void realHostFindsTheButtonUnderThePointer();
};

void TestButtonInput::leftClickRaisesDownBeforePressedLookThenUpThenClick() {
    ButtonRig rig;
    loadRunning(rig);
    QVERIFY(rig.showActive());
    rig.hover();
    EventLog log(rig.button());
    controls::XPButton& b = rig.button();
    bool pressedAtDown = true;
    QRgb lookAtDown = 0;
    connect(&b, &controls::XPButton::mouseDown, this, [&](short&, short&, float&, float&) {
        pressedAtDown = b.isPressed();
        lookAtDown = b.surface().pixel(50, 1);
    });
    bool pressedAtClick = true;
    QRgb lookAtClick = 0;
    connect(&b, &controls::XPButton::click, this, [&] {
        pressedAtClick = b.isPressed();
        lookAtClick = b.surface().pixel(50, 1);
    });
    QTest::mousePress(&b, Qt::LeftButton, Qt::NoModifier, QPoint(40, 12));
    QVERIFY(!pressedAtDown);
    COMPARE_RGB(lookAtDown, hoverL1, 0);
    QVERIFY(b.isPressed());
    COMPARE_RGB(b.surface().pixel(50, 1), pressedL1, 0);
    QTest::mouseRelease(&b, Qt::LeftButton, Qt::NoModifier, QPoint(41, 13));
    QCOMPARE(log.events,
             (QStringList{QStringLiteral("MouseDown 1 0 40 12"),
                          QStringLiteral("MouseUp 1 0 41 13"), QStringLiteral("Click")}));
    QVERIFY(!pressedAtClick);
    COMPARE_RGB(lookAtClick, hoverL1, 0);  // the pointer is still over it
}

void TestButtonInput::rightButtonShowsNoPressedLook() {
    ButtonRig rig;
    loadRunning(rig);
    QVERIFY(rig.showActive());
    EventLog log(rig.button());
    QTest::mousePress(&rig.button(), Qt::RightButton, Qt::ShiftModifier, QPoint(40, 12));
    QVERIFY(!rig.button().isPressed());
    QTest::mouseRelease(&rig.button(), Qt::RightButton, Qt::ShiftModifier, QPoint(40, 12));
    QCOMPARE(log.events, (QStringList{QStringLiteral("MouseDown 2 1 40 12"),
                                      QStringLiteral("MouseUp 2 1 40 12")}));
}

void TestButtonInput::handlerChangingButtonDecidesThePressedLook() {
    ButtonRig rig;
    loadRunning(rig);
    QVERIFY(rig.showActive());
    controls::XPButton& b = rig.button();
    // Turn every press into the left button's, then every release into nothing.
    connect(&b, &controls::XPButton::mouseDown, this,
            [](short& button, short&, float&, float&) { button = 1; });
    QTest::mousePress(&b, Qt::RightButton, Qt::NoModifier, QPoint(40, 12));
    QVERIFY(b.isPressed());
    connect(&b, &controls::XPButton::mouseUp, this,
            [](short& button, short&, float&, float&) { button = 0; });
    QTest::mouseRelease(&b, Qt::RightButton, Qt::NoModifier, QPoint(40, 12));
    QVERIFY(b.isPressed());
}

void TestButtonInput::releaseOutsideRaisesNoClick() {
    ButtonRig rig;
    loadRunning(rig);
    QVERIFY(rig.showActive());
    EventLog log(rig.button());
    QTest::mousePress(&rig.button(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 12));
    // Released beyond the right edge: the button still gets the release.
    QTest::mouseRelease(&rig.button(), Qt::LeftButton, Qt::NoModifier, QPoint(190, 12));
    QCOMPARE(log.names(), (QStringList{QStringLiteral("MouseDown"), QStringLiteral("MouseUp")}));
    QVERIFY(!rig.button().isPressed());
}

void TestButtonInput::pressOnCutCornerMissesTheButton() {
    ButtonRig rig;
    loadRunning(rig);
    QVERIFY(rig.showActive());
    EventLog log(rig.button());
    // Through the window, so the window system decides who gets the press.
    QWindow* window = rig.window().windowHandle();
    const QPoint offset = testing::buttonOffset;
    for (QPoint corner : {QPoint(175, 0), QPoint(0, 31), QPoint(176, 10), QPoint(50, 32)}) {
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, offset + corner);
    }
    QCOMPARE(log.events, QStringList());
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, offset + QPoint(1, 0));
    QStringList names = log.names();
    names.removeAll(QStringLiteral("MouseMove"));  // the pointer arriving
    QCOMPARE(names, (QStringList{"MouseDown", "MouseUp", "Click"}));
}

void TestButtonInput::doubleClickReplacesTheSecondClick() {
    ButtonRig rig;
    loadRunning(rig);
    QVERIFY(rig.showActive());
    EventLog log(rig.button());
    QWindow* window = rig.window().windowHandle();
    const QPoint at = testing::buttonOffset + QPoint(40, 12);
    QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, at);
    QStringList names = log.names();
    names.removeAll(QStringLiteral("MouseMove"));
    // The second press arrives as the double click itself.
    QCOMPARE(names, (QStringList{"MouseDown", "MouseUp", "Click", "DoubleClick", "MouseUp"}));
    QVERIFY(!rig.button().isPressed());
    // Other buttons: each press is one MouseDown, and no DoubleClick.
    log.events.clear();
    QTest::mouseDClick(window, Qt::RightButton, Qt::NoModifier, at);
    names = log.names();
    QCOMPARE(names.count(QStringLiteral("MouseDown")), 2);
    QCOMPARE(names.count(QStringLiteral("DoubleClick")), 0);
}

void TestButtonInput::pointerMovesAreReported() {
    ButtonRig rig;
    loadRunning(rig);
    QVERIFY(rig.showActive());
    EventLog log(rig.button());
    QTest::mouseMove(rig.window().windowHandle(), testing::buttonOffset + QPoint(30, 10));
    QVERIFY(log.events.contains(QStringLiteral("MouseMove 0 0 30 10")));
}

void TestButtonInput::spaceHeldShowsPressedAndRaisesNoClick() {
    ButtonRig rig;
    loadRunning(rig);
    QVERIFY(rig.showActive());
    rig.button().setFocus();
    QVERIFY(rig.button().isFocused());
    rig.pointAway();
    rig.tick();
    EventLog log(rig.button());
    QTest::keyPress(&rig.button(), Qt::Key_Space);
    QVERIFY(rig.button().isPressed());
    COMPARE_RGB(rig.button().surface().pixel(50, 1), pressedL1, 0);
    COMPARE_RGB(rig.button().surface().pixel(3, 2), qRgb(0, 0, 0), 0);  // focus dots stay
    // A held key repeats its press; the repeats' releases do not lift the button.
    QTest::keyRelease(&rig.button(), Qt::Key_Space, Qt::NoModifier, -1);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "),
                            true);
    QApplication::sendEvent(&rig.button(), &repeatRelease);
    QVERIFY(!rig.button().isPressed());  // the real release above lifted it
    QTest::keyPress(&rig.button(), Qt::Key_Space);
    QApplication::sendEvent(&rig.button(), &repeatRelease);
    QVERIFY(rig.button().isPressed());
    QTest::keyRelease(&rig.button(), Qt::Key_Space);
    QVERIFY(!rig.button().isPressed());
    COMPARE_RGB(rig.button().surface().pixel(50, 1), focusL1, 0);
    QVERIFY(!log.names().contains(QStringLiteral("Click")));
    QCOMPARE(log.events.first(), QStringLiteral("KeyDown 32 0"));
    QVERIFY(log.events.contains(QStringLiteral("KeyUp 32 0")));
}

void TestButtonInput::handlerCanSwallowSpace() {
    ButtonRig rig;
    loadRunning(rig);
    connect(&rig.button(), &controls::XPButton::keyDown, this,
            [](short& code, short&) { code = 0; });
    QTest::keyPress(&rig.button(), Qt::Key_Space);
    QVERIFY(!rig.button().isPressed());
}

void TestButtonInput::enterRaisesKeyPressThenClick() {
    ButtonRig rig;
    loadRunning(rig);
    EventLog log(rig.button());
    QTest::keyClick(&rig.button(), Qt::Key_Return);
    QCOMPARE(log.events, (QStringList{QStringLiteral("KeyDown 13 0"), QStringLiteral("KeyPress 13"),
                                      QStringLiteral("Click"), QStringLiteral("KeyUp 13 0")}));
}

void TestButtonInput::handlerCanSwallowEnter() {
    ButtonRig rig;
    loadRunning(rig);
    EventLog log(rig.button());
    connect(&rig.button(), &controls::XPButton::keyPress, this, [](short& ascii) { ascii = 0; });
    QTest::keyClick(&rig.button(), Qt::Key_Enter);
    QVERIFY(log.names().contains(QStringLiteral("KeyPress")));
    QVERIFY(!log.names().contains(QStringLiteral("Click")));
    // The other way round: turning a letter into Enter clicks.
    connect(&rig.button(), &controls::XPButton::keyPress, this, [](short& ascii) { ascii = 13; });
    QTest::keyClick(&rig.button(), Qt::Key_X);
    QVERIFY(log.names().contains(QStringLiteral("Click")));
}

void TestButtonInput::keyCodesAndShift_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("letter") << int(Qt::Key_A) << int(Qt::NoModifier)
                            << QStringList{"KeyDown 65 0", "KeyPress 97", "KeyUp 65 0"};
    QTest::newRow("F1 with Shift+Ctrl")
        << int(Qt::Key_F1) << int(Qt::ShiftModifier | Qt::ControlModifier)
        << QStringList{"KeyDown 16 1", "KeyDown 17 3", "KeyDown 112 3",
                       "KeyUp 112 3",  "KeyUp 17 1",   "KeyUp 16 0"};
    QTest::newRow("Escape with Alt")
        << int(Qt::Key_Escape) << int(Qt::AltModifier)
        << QStringList{"KeyDown 18 4", "KeyDown 27 4", "KeyPress 27", "KeyUp 27 4", "KeyUp 18 0"};
    QTest::newRow("arrow") << int(Qt::Key_Left) << int(Qt::NoModifier)
                           << QStringList{"KeyDown 37 0", "KeyUp 37 0"};
}

void TestButtonInput::keyCodesAndShift() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QStringList, expected);
    ButtonRig rig;
    loadRunning(rig);
    EventLog log(rig.button());
    QTest::keyClick(&rig.button(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(log.events, expected);
}

void TestButtonInput::disabledRaisesNothingButTakesFocus() {
    ButtonRig rig;
    loadRunning(rig);
    rig.button().setXPEnabled(false);
    QVERIFY(rig.showActive());
    EventLog log(rig.button());
    controls::XPButton& b = rig.button();
    rig.hover();
    QTest::mouseClick(&b, Qt::LeftButton, Qt::NoModifier, QPoint(40, 12));
    QTest::mouseDClick(&b, Qt::LeftButton, Qt::NoModifier, QPoint(40, 12));
    QTest::mouseMove(&b, QPoint(30, 10));
    QTest::keyClick(&b, Qt::Key_Return);
    QTest::keyClick(&b, Qt::Key_Space);
    rig.pointAway();
    rig.tick();
    QCOMPARE(log.events, QStringList());
    QVERIFY(!b.isHovered());
    QVERIFY(!b.isPressed());
    // It can still hold the focus, but shows no focus look.
    b.setFocus();
    QVERIFY(b.hasFocus());
    QVERIFY(!b.isFocused());
    QVERIFY(b.isHoverPollActive());  // the poll keeps running, doing nothing
}

void TestButtonInput::focusFlagSurvivesWhileDisabled() {
    ButtonRig rig;
    loadRunning(rig);
    QVERIFY(rig.showActive());
    auto* other = new QWidget(&rig.window());
    other->setFocusPolicy(Qt::StrongFocus);
    other->setGeometry(0, 0, 5, 5);
    other->show();
    rig.button().setFocus();
    QVERIFY(rig.button().isFocused());
    rig.button().setXPEnabled(false);
    other->setFocus();
    QVERIFY(!rig.button().hasFocus());
    rig.button().setXPEnabled(true);
    QVERIFY(rig.button().isFocused());
    COMPARE_RGB(rig.button().surface().pixel(50, 1), focusL1, 0);
}

void TestButtonInput::hoverEntersAndLeavesOncePerCrossing() {
    ButtonRig rig;
    loadRunning(rig);
    EventLog log(rig.button());
    rig.pointAt(QPoint(60, 15));
    const QPoint global = rig.host().pointerPosition();
    rig.tick();
    QCOMPARE(log.events,
             QStringList{QStringLiteral("MouseEnters %1 %2").arg(global.x()).arg(global.y())});
    QVERIFY(rig.button().isHovered());
    COMPARE_RGB(rig.button().surface().pixel(50, 1), hoverL1, 0);
    rig.pointAt(QPoint(61, 16));
    rig.tick();
    rig.tick();
    QCOMPARE(log.events.size(), 1);
    rig.pointAway();
    const QPoint away = rig.host().pointerPosition();
    rig.tick();
    rig.tick();
    QCOMPARE(log.events.size(), 2);
    QCOMPARE(log.events.last(), QStringLiteral("MouseLeaves %1 %2").arg(away.x()).arg(away.y()));
    QVERIFY(!rig.button().isHovered());
    QVERIFY(rig.button().isHoverPollActive());
}

void TestButtonInput::crossingAndReturningBetweenTicksRaisesNothing() {
    ButtonRig rig;
    loadRunning(rig);
    EventLog log(rig.button());
    rig.pointAt(QPoint(60, 15));
    rig.pointAway();
    rig.tick();
    QCOMPARE(log.events, QStringList());
    // On and off on alternate ticks: one event per tick, never two.
    for (int i = 0; i < 4; ++i) {
        if (i % 2 == 0) {
            rig.pointAt(QPoint(60, 15));
        } else {
            rig.pointAway();
        }
        rig.tick();
        QCOMPARE(log.events.size(), i + 1);
    }
    QCOMPARE(log.names(),
             (QStringList{"MouseEnters", "MouseLeaves", "MouseEnters", "MouseLeaves"}));
}

void TestButtonInput::pointerOnCutCornerIsOutside() {
    ButtonRig rig;
    loadRunning(rig);
    EventLog log(rig.button());
    for (QPoint corner : {QPoint(0, 0), QPoint(175, 0), QPoint(0, 31), QPoint(176, 15)}) {
        rig.pointAt(corner);
        rig.tick();
    }
    QCOMPARE(log.events, QStringList());
    rig.pointAt(QPoint(1, 1));
    rig.tick();
    QCOMPARE(log.names(), QStringList{QStringLiteral("MouseEnters")});
}

void TestButtonInput::coveredOrOverChildIsOutside() {
    ButtonRig rig;
    loadRunning(rig);
    EventLog log(rig.button());
    auto* cover = new QWidget(&rig.window());
    cover->setGeometry(QRect(testing::buttonOffset + QPoint(100, 0), QSize(40, 20)));
    cover->show();
    cover->raise();
    auto* child = new QWidget(&rig.button());
    child->setGeometry(10, 5, 20, 20);
    child->show();
    rig.pointAt(QPoint(110, 10));
    rig.tick();
    rig.pointAt(QPoint(15, 10));
    rig.tick();
    QCOMPARE(log.events, QStringList());
    rig.pointAt(QPoint(60, 25));
    rig.tick();
    QCOMPARE(log.names(), QStringList{QStringLiteral("MouseEnters")});
}

void TestButtonInput::leavingWhileDisabledReportsAfterEnabling() {
    ButtonRig rig;
    loadRunning(rig);
    rig.hover();
    EventLog log(rig.button());
    rig.button().setXPEnabled(false);
    rig.pointAway();
    rig.tick();
    QVERIFY(rig.button().isHovered());
    QCOMPARE(log.events, QStringList());
    rig.button().setXPEnabled(true);
    COMPARE_RGB(rig.button().surface().pixel(50, 1), hoverL1, 0);  // still drawn hovered
    rig.tick();
    QCOMPARE(log.names(), QStringList{QStringLiteral("MouseLeaves")});
}

void TestButtonInput::terminateStopsThePoll() {
    ButtonRig rig;
    loadRunning(rig);
    rig.button().setFocus();
    rig.hover();
    EventLog log(rig.button());
    rig.button().terminate();
    QVERIFY(!rig.button().isHoverPollActive());
    QVERIFY(!rig.button().isHovered());
    QVERIFY(!rig.button().isFocused());
    QVERIFY(!rig.button().isPressed());
    rig.pointAway();
    QCOMPARE(rig.host().elapse(), 0);
    rig.button().readProperties(controls::PropertyBag());
    QCOMPARE(rig.host().elapse(), 0);
    QCOMPARE(log.events, QStringList());
}

void TestButtonInput::realHostFindsTheButtonUnderThePointer() {
    // The window system's own answer, through the real host and its timer.
    QWidget window;
    window.setGeometry(200, 200, 240, 80);
    auto* button = new controls::XPButton(&window);
    button->setGeometry(20, 20, 177, 33);
    button->readProperties(controls::PropertyBag());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    controls::QtButtonHost& host = controls::QtButtonHost::instance();
    const QPoint inside = button->mapToGlobal(QPoint(60, 15));
    if (QApplication::widgetAt(inside) == nullptr) {
        QSKIP("this platform cannot tell which window is under a point");
    }
    QVERIFY(host.isDirectlyUnder(*button, inside));
    QVERIFY(!host.isDirectlyUnder(*button, button->mapToGlobal(QPoint(0, 0))));
    QVERIFY(!host.isDirectlyUnder(*button, button->mapToGlobal(QPoint(176, 15))));
    QCursor::setPos(inside);
    QTRY_VERIFY(button->isHovered());
    QCursor::setPos(window.mapToGlobal(QPoint(2, 2)));
    QTRY_VERIFY(!button->isHovered());
}

QTEST_MAIN(TestButtonInput)
#include "test_button_input.moc"
