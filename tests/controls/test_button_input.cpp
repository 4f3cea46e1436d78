// The button's input: mouse, keys, focus, the hover poll and the events they raise.

#include "controls/button_colors.h"
#include "controls/qt_button_host.h"
#include "tests/controls/button_rig.h"

#include <QCursor>
#include <QTest>
#include <QWindow>
#include <memory>

using testing::ButtonRig;

namespace {

// The blue scheme's top ring line tells which look the picture shows; the golden images check
// the colours themselves.
constexpr QRgb pressedL1 = controls::colorSchemes[0].pressedRing.lines[0];
constexpr QRgb hoverL1 = controls::colorSchemes[0].hover.lines[0];
constexpr QRgb focusL1 = controls::colorSchemes[0].focus.lines[0];

// A handler that logs an event's name and arguments.
template <typename... Args>
auto recorder(QStringList& log, const char* name) {
    return [&log, name](Args... args) {
        QStringList parts{QString::fromLatin1(name)};
        ((parts << QString::number(args)), ...);
        log << parts.join(u' ');
    };
}

// Records the button's events in order, with their arguments as the first handler sees them.
class EventLog : public QObject {
public:
    explicit EventLog(controls::XPButton& b) {
        using B = controls::XPButton;
        connect(
            &b, &B::click, this, [this] { events << QStringLiteral("Click"); });
        connect(&b, &B::doubleClick, this, [this] { events << QStringLiteral("DoubleClick"); });
        connect(&b, &B::keyDown, this, recorder<short&, short&>(events, "KeyDown"));
        connect(&b, &B::keyPress, this, recorder<short&>(events, "KeyPress"));
        connect(&b, &B::keyUp, this, recorder<short&, short&>(events, "KeyUp"));
        connect(&b, &B::mouseDown, this,
                recorder<short&, short&, float&, float&>(events, "MouseDown"));
        connect(&b, &B::mouseMove, this,
                recorder<short&, short&, float&, float&>(events, "MouseMove"));
        connect(&b, &B::mouseUp, this, recorder<short&, short&, float&, float&>(events, "MouseUp"));
        connect(&b, &B::mouseEnters, this, recorder<int, int>(events, "MouseEnters"));
        connect(&b, &B::mouseLeaves, this, recorder<int, int>(events, "MouseLeaves"));
    }
    QStringList events;
    // The event names only, without the pointer moves that real pointer input brings along.
    QStringList names() const {
        QStringList result;
        for (const QString& event : events)
            if (!event.startsWith(QStringLiteral("MouseMove")))
                result.append(event.section(u' ', 0, 0));
        return result;
    }
};

}  // namespace

// Every test starts with a button loaded with its defaults, in a window that is shown and
// active, with its events logged.
class TestButtonInput : public QObject {
    Q_OBJECT

    std::unique_ptr<ButtonRig> rig_;
    std::unique_ptr<EventLog> log_;
    controls::XPButton& b() { return rig_->button(); }
    QStringList& events() { return log_->events; }

private slots:
    void init();
    void cleanup();
    void mouseEventsAndPressedLook_data();
    void mouseEventsAndPressedLook();
    void handlerChangingButtonDecidesThePressedLook();
    void windowPressOutsideTheShapeMisses();
    void doubleClickReplacesTheSecondClick();
    void spaceHeldShowsPressedAndRaisesNoClick();
    void keyCodesAndShift_data();
    void keyCodesAndShift();
    void handlerChangingKeyArgument_data();
    void handlerChangingKeyArgument();
    void disabledRaisesNothingButTakesFocus();
    void focusFlagSurvivesWhileDisabled();
    void hoverEntersAndLeavesOncePerCrossing();
    void pointsThatAreOutside();
    void pollSleepsWhileThePointerIsElsewhere();
    void leavingWhileDisabledReportsAfterEnabling();
    void terminateStopsThePoll();
    void realHostFindsTheButtonUnderThePointer_data();
    void realHostFindsTheButtonUnderThePointer();
};

void TestButtonInput::init() {
    // The real pointer stays off the window, which would otherwise get a real enter event when
    // shown under it; the tests move the scripted pointer.
    QCursor::setPos(0, 0);
    rig_ = std::make_unique<ButtonRig>();
    rig_->load();
    QVERIFY(rig_->showActive());
    log_ = std::make_unique<EventLog>(b());
}

void TestButtonInput::cleanup() {
    log_.reset();
    rig_.reset();
}

void TestButtonInput::mouseEventsAndPressedLook_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("left") << int(Qt::LeftButton) << int(Qt::NoModifier) << QPoint(41, 13) << true
                          << QStringList{"MouseDown 1 0 40 12", "MouseUp 1 0 41 13", "Click"};
    QTest::newRow("right shows no pressed look")
        << int(Qt::RightButton) << int(Qt::ShiftModifier) << QPoint(40, 12) << false
        << QStringList{"MouseDown 2 1 40 12", "MouseUp 2 1 40 12"};
    QTest::newRow("left released outside")
        << int(Qt::LeftButton) << int(Qt::NoModifier) << QPoint(190, 12) << true
        << QStringList{"MouseDown 1 0 40 12", "MouseUp 1 0 190 12"};
}

void TestButtonInput::mouseEventsAndPressedLook() {
    QFETCH(int, button);
    QFETCH(int, modifiers);
    QFETCH(QPoint, releaseAt);
    QFETCH(bool, pressed);
    QFETCH(QStringList, expected);
    rig_->hover();
    events().clear();
    // MouseDown comes before the pressed look, Click after it is gone.
    QList<QRgb> lookAtEvent;
    auto look = [&] { lookAtEvent << (b().isPressed() ? 0 : b().surface().pixel(50, 1)); };
    connect(&b(), &controls::XPButton::mouseDown, this, look);
    connect(&b(), &controls::XPButton::click, this, look);
    const auto mouseButton = Qt::MouseButton(button);
    QTest::mousePress(&b(), mouseButton, Qt::KeyboardModifiers(modifiers), QPoint(40, 12));
    QCOMPARE(b().isPressed(), pressed);
    COMPARE_RGB(b().surface().pixel(50, 1), pressed ? pressedL1 : hoverL1, 0);
    QTest::mouseRelease(&b(), mouseButton, Qt::KeyboardModifiers(modifiers), releaseAt);
    QVERIFY(!b().isPressed());
    QCOMPARE(events(), expected);
    for (QRgb rgb : lookAtEvent)
        COMPARE_RGB(rgb, hoverL1, 0);
}

void TestButtonInput::handlerChangingButtonDecidesThePressedLook() {
    // Turn every press into the left button's, then every release into nothing.
    connect(&b(), &controls::XPButton::mouseDown, this,
            [](short& button, short&, float&, float&) { button = 1; });
    QTest::mousePress(&b(), Qt::RightButton, Qt::NoModifier, QPoint(40, 12));
    QVERIFY(b().isPressed());
    connect(&b(), &controls::XPButton::mouseUp, this,
            [](short& button, short&, float&, float&) { button = 0; });
    QTest::mouseRelease(&b(), Qt::RightButton, Qt::NoModifier, QPoint(40, 12));
    QVERIFY(b().isPressed());
}

void TestButtonInput::windowPressOutsideTheShapeMisses() {
    // Through the window, so the window system decides who gets the press: cut corners, the
    // last column and the last row are not the button's.
    QWindow* window = rig_->window().windowHandle();
    for (QPoint p : {QPoint(175, 0), QPoint(0, 31), QPoint(176, 10), QPoint(50, 32)})
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, testing::buttonOffset + p);
    QCOMPARE(events(), QStringList());
    QTest::mouseMove(window, testing::buttonOffset + QPoint(30, 10));
    QVERIFY(events().contains(QStringLiteral("MouseMove 0 0 30 10")));
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, testing::buttonOffset + QPoint(1, 0));
    QCOMPARE(log_->names(), (QStringList{"MouseDown", "MouseUp", "Click"}));
}

void TestButtonInput::doubleClickReplacesTheSecondClick() {
    QWindow* window = rig_->window().windowHandle();
    const QPoint at = testing::buttonOffset + QPoint(40, 12);
    QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, at);
    // The second press arrives as the double click itself.
    QCOMPARE(log_->names(),
             (QStringList{"MouseDown", "MouseUp", "Click", "DoubleClick", "MouseUp"}));
    QVERIFY(!b().isPressed());
    // Other buttons: each press is one MouseDown, and no DoubleClick.
    events().clear();
    QTest::mouseDClick(window, Qt::RightButton, Qt::NoModifier, at);
    QCOMPARE(log_->names(), (QStringList{"MouseDown", "MouseUp", "MouseDown", "MouseUp"}));
}

void TestButtonInput::spaceHeldShowsPressedAndRaisesNoClick() {
    b().setFocus();
    QVERIFY(b().isFocused());
    QTest::keyPress(&b(), Qt::Key_Space);
    QVERIFY(b().isPressed());
    COMPARE_RGB(b().surface().pixel(50, 1), pressedL1, 0);
    COMPARE_RGB(b().surface().pixel(3, 2), qRgb(0, 0, 0), 0);  // focus dots stay
    // A held key repeats its press; the repeats' releases do not lift the button.
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ", true);
    QTest::keyPress(&b(), Qt::Key_Space);
    QApplication::sendEvent(&b(), &repeatRelease);
    QVERIFY(b().isPressed());
    QTest::keyRelease(&b(), Qt::Key_Space);
    QVERIFY(!b().isPressed());
    COMPARE_RGB(b().surface().pixel(50, 1), focusL1, 0);
    QCOMPARE(events(), (QStringList{"KeyDown 32 0", "KeyPress 32", "KeyDown 32 0", "KeyPress 32",
                                    "KeyUp 32 0"}));
}

void TestButtonInput::keyCodesAndShift_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("Enter clicks") << int(Qt::Key_Return) << int(Qt::NoModifier)
                                  << QStringList{"KeyDown 13 0", "KeyPress 13", "Click",
                                                 "KeyUp 13 0"};
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
    QTest::keyClick(&b(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(events(), expected);
}

void TestButtonInput::handlerChangingKeyArgument_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("inKeyPress");  // else in KeyDown
    QTest::addColumn<short>("value");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<bool>("clicked");
    QTest::newRow("KeyCode 0 stops the space bar")
        << int(Qt::Key_Space) << false << short(0) << false << false;
    QTest::newRow("KeyAscii 0 stops Enter")
        << int(Qt::Key_Enter) << true << short(0) << false << false;
    QTest::newRow("KeyAscii 13 makes a letter click")
        << int(Qt::Key_X) << true << short(13) << false << true;
}

void TestButtonInput::handlerChangingKeyArgument() {
    QFETCH(int, key);
    QFETCH(bool, inKeyPress);
    QFETCH(short, value);
    QFETCH(bool, pressed);
    QFETCH(bool, clicked);
    if (inKeyPress) {
        connect(
            &b(), &controls::XPButton::keyPress, this, [value](short& ascii) { ascii = value; });
    } else {
        connect(
            &b(), &controls::XPButton::keyDown, this,
            [value](short& code, short&) { code = value; });
    }
    QTest::keyPress(&b(), Qt::Key(key));
    QVERIFY(log_->names().contains(QStringLiteral("KeyDown")));
    QCOMPARE(b().isPressed(), pressed);
    QCOMPARE(log_->names().contains(QStringLiteral("Click")), clicked);
}

void TestButtonInput::disabledRaisesNothingButTakesFocus() {
    b().clearFocus();  // the shown window gave it the focus
    b().setXPEnabled(false);
    rig_->hover();
    QTest::mouseClick(&b(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 12));
    QTest::mouseDClick(&b(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 12));
    // QTest's double click on a widget stops at the second press; the release ends it, so that
    // no later test finds the button still held.
    QTest::mouseRelease(&b(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 12));
    QTest::mouseMove(&b(), QPoint(30, 10));
    QTest::keyClick(&b(), Qt::Key_Return);
    QTest::keyClick(&b(), Qt::Key_Space);
    rig_->pointAway();
    rig_->tick();
    QCOMPARE(events(), QStringList());
    QVERIFY(!b().isHovered());
    QVERIFY(!b().isPressed());
    // It can still hold the focus, but shows no focus look; the poll sleeps.
    b().setFocus();
    QVERIFY(b().hasFocus());
    QVERIFY(!b().isFocused());
    rig_->hover();
    QVERIFY(!b().isHoverPollActive());
}

void TestButtonInput::focusFlagSurvivesWhileDisabled() {
    auto* other = new QWidget(&rig_->window());
    other->setFocusPolicy(Qt::StrongFocus);
    other->setGeometry(0, 0, 5, 5);
    other->show();
    b().setFocus();
    QVERIFY(b().isFocused());
    b().setXPEnabled(false);
    other->setFocus();
    QVERIFY(!b().hasFocus());
    b().setXPEnabled(true);
    QVERIFY(b().isFocused());
    COMPARE_RGB(b().surface().pixel(50, 1), focusL1, 0);
}

void TestButtonInput::hoverEntersAndLeavesOncePerCrossing() {
    // In and out again between two ticks: nothing.
    rig_->pointAt(QPoint(60, 15));
    rig_->pointAway();
    rig_->tick();
    QCOMPARE(events(), QStringList());
    rig_->pointAt(QPoint(60, 15));
    const QPoint inside = rig_->host().pointerPosition();
    rig_->tick();
    QCOMPARE(events(),
             QStringList{QStringLiteral("MouseEnters %1 %2").arg(inside.x()).arg(inside.y())});
    QVERIFY(b().isHovered());
    COMPARE_RGB(b().surface().pixel(50, 1), hoverL1, 0);
    rig_->pointAt(QPoint(61, 16));
    rig_->tick();
    rig_->tick();
    QCOMPARE(events().size(), 1);
    rig_->pointAway();
    const QPoint away = rig_->host().pointerPosition();
    rig_->tick();
    rig_->tick();
    QCOMPARE(events().size(), 2);
    QCOMPARE(events().last(), QStringLiteral("MouseLeaves %1 %2").arg(away.x()).arg(away.y()));
    QVERIFY(!b().isHovered());
    // Crossing at every tick: one event per tick, never two.
    for (int i = 0; i < 4; ++i) {
        i % 2 == 0 ? rig_->pointAt(QPoint(60, 15)) : rig_->pointAway();
        rig_->tick();
        QCOMPARE(events().size(), 3 + i);
    }
}

void TestButtonInput::pointsThatAreOutside() {
    // Cut-off corners, the last column, a widget covering the button and a child of it. The
    // pointer enters over the child, which keeps the poll awake, and then moves without enter
    // or leave events, so that the poll alone judges each point.
    auto* cover = new QWidget(&rig_->window());
    cover->setGeometry(QRect(testing::buttonOffset + QPoint(100, 0), QSize(40, 20)));
    cover->show();
    cover->raise();
    auto* child = new QWidget(&b());
    child->setGeometry(10, 5, 20, 20);
    child->show();
    rig_->pointAt(QPoint(15, 10));
    for (QPoint p : {QPoint(15, 10), QPoint(0, 0), QPoint(175, 0), QPoint(0, 31), QPoint(176, 15),
                     QPoint(110, 10)}) {
        rig_->host().setPointer(b().mapToGlobal(p));
        QCOMPARE(rig_->host().elapse(), 1);
    }
    QCOMPARE(events(), QStringList());
    rig_->pointAt(QPoint(1, 1));
    rig_->tick();
    QCOMPARE(log_->names(), QStringList{QStringLiteral("MouseEnters")});
}

void TestButtonInput::pollSleepsWhileThePointerIsElsewhere() {
    controls::ScriptedButtonHost& host = rig_->host();
    rig_->pointAway();
    QCOMPARE(host.elapse(), 0);
    // The enter event wakes the poll; its next tick reports the pointer.
    rig_->pointAt(QPoint(60, 15));
    QCOMPARE(host.elapse(), 1);
    // A window sliding over the resting pointer, and away again, without enter or leave events.
    auto* cover = new QWidget(&rig_->window());
    cover->setGeometry(rig_->window().rect());
    cover->show();
    QCOMPARE(host.elapse(), 1);
    delete cover;
    QCOMPARE(host.elapse(), 1);
    // The pointer taken away without a leave event (a popup has it): reported, and the poll
    // stays awake until the leave event comes.
    host.setPointer(rig_->window().mapToGlobal(QPoint(1, 1)));
    QCOMPARE(host.elapse(), 1);
    QCOMPARE(host.elapse(), 1);
    rig_->pointAway();
    QCOMPARE(host.elapse(), 0);
    QCOMPARE(log_->names(),
             (QStringList{"MouseEnters", "MouseLeaves", "MouseEnters", "MouseLeaves"}));
    // Leaving before the first tick: nothing to report, asleep at once.
    rig_->pointAt(QPoint(60, 15));
    rig_->pointAway();
    QCOMPARE(host.elapse(), 0);
    QCOMPARE(log_->names().size(), 4);
}

void TestButtonInput::leavingWhileDisabledReportsAfterEnabling() {
    rig_->hover();
    events().clear();
    b().setXPEnabled(false);
    rig_->pointAway();
    rig_->tick();
    QVERIFY(b().isHovered());
    QCOMPARE(events(), QStringList());
    b().setXPEnabled(true);
    COMPARE_RGB(b().surface().pixel(50, 1), hoverL1, 0);  // still drawn hovered
    rig_->tick();
    QCOMPARE(log_->names(), QStringList{QStringLiteral("MouseLeaves")});
}

void TestButtonInput::terminateStopsThePoll() {
    b().setFocus();
    rig_->hover();
    events().clear();
    b().terminate();
    QVERIFY(!b().isHoverPollActive());
    QVERIFY(!b().isHovered() && !b().isFocused() && !b().isPressed());
    rig_->pointAway();
    QCOMPARE(rig_->host().elapse(), 0);
    b().readProperties(controls::PropertyBag());
    QCOMPARE(rig_->host().elapse(), 0);
    QCOMPARE(events(), QStringList());
}

void TestButtonInput::realHostFindsTheButtonUnderThePointer_data() {
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("hovered");
    // Points in the button's own coordinates; a child covers (10..29, 5..24) and a sibling of
    // the button its right end (150..176).
    QTest::newRow("inside") << QPoint(60, 15) << true;
    QTest::newRow("cut-off corner") << QPoint(0, 0) << false;
    QTest::newRow("last column") << QPoint(176, 15) << false;
    QTest::newRow("child of the button") << QPoint(15, 10) << false;
    QTest::newRow("sibling over the button") << QPoint(160, 15) << false;
    QTest::newRow("beside the window") << QPoint(-40, 15) << false;
}

void TestButtonInput::realHostFindsTheButtonUnderThePointer() {
    // The window system's own answer, through the real host and its timer: the pointer comes
    // from the button's middle each time, and the poll must see where it went.
    QFETCH(QPoint, point);
    QFETCH(bool, hovered);
    QWidget window;
    window.setGeometry(200, 200, 240, 80);
    auto* button = new controls::XPButton(&window);
    button->setGeometry(20, 20, 177, 33);
    button->readProperties(controls::PropertyBag());
    (new QWidget(button))->setGeometry(10, 5, 20, 20);
    (new QWidget(&window))->setGeometry(170, 20, 27, 33);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    controls::QtButtonHost& host = controls::QtButtonHost::instance();
    const QPoint middle = button->mapToGlobal(QPoint(88, 16));
    if (QApplication::widgetAt(middle) == nullptr)
        QSKIP("this platform cannot tell which window is under a point");
    QCursor::setPos(middle);
    QTRY_VERIFY(button->isHovered());
    const QPoint target = button->mapToGlobal(point);
    QCOMPARE(host.isDirectlyUnder(*button, target), hovered);
    QCursor::setPos(target);
    QTRY_COMPARE(button->isHovered(), hovered);
    // Away from the button, the poll sleeps once it has found the pointer gone.
    QCursor::setPos(window.mapToGlobal(QPoint(2, 2)));
    QTRY_VERIFY(!button->isHovered());
    QTRY_VERIFY(!button->isHoverPollActive());
}

QTEST_MAIN(TestButtonInput)
#include "test_button_input.moc"
