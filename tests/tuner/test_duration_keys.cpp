// Keys typed into the duration box: only digits and Backspace reach it; Enter and Ctrl+V are
// swallowed; keys that type no character keep their usual work.

#include <QClipboard>
#include <QtTest>

#include "tests/tuner/behaviour_harness.h"
#include "tuner/duration_key_filter.h"

class DurationKeysTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void typing_data();
    void typing();
    void enterIsSwallowed();
    void arrowsAndTabKeepTheirWork();
};

namespace {

struct Box {
    BehaviourHarness h;
    QLineEdit* other = new QLineEdit(&h.window);
    Box() {
        h.txtDur->installEventFilter(new tuner::DurationKeyFilter(
            [this](int code) { return h.behaviour->filterKey(code); }, h.txtDur));
        h.txtDur->move(0, 0);
        other->move(0, 40);
        h.window.show();
        QWidget::setTabOrder(h.txtDur, other);
        h.txtDur->setFocus();
    }
};

}  // namespace

void DurationKeysTest::typing_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("after");
    QTest::newRow("digit into empty box") << "" << int(Qt::Key_7) << 0 << "7";
    QTest::newRow("letter") << "" << int(Qt::Key_A) << 0 << "";
    QTest::newRow("point") << "" << int(Qt::Key_Period) << 0 << "";
    QTest::newRow("minus") << "" << int(Qt::Key_Minus) << 0 << "";
    QTest::newRow("backspace empties") << "2" << int(Qt::Key_Backspace) << 0 << "";
    QTest::newRow("second digit does not fit") << "2" << int(Qt::Key_5) << 0 << "2";
    QTest::newRow("ctrl+v pastes nothing")
        << "" << int(Qt::Key_V) << int(Qt::ControlModifier) << "";
    QTest::newRow("delete is not filtered") << "2" << int(Qt::Key_Delete) << 0 << "";
}

void DurationKeysTest::typing() {
    QFETCH(QString, before);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, after);
    QGuiApplication::clipboard()->setText("x");
    Box box;
    box.h.txtDur->setText(before);
    // Delete works on the character after the cursor, Backspace on the one before.
    box.h.txtDur->setCursorPosition(key == Qt::Key_Delete ? 0 : int(before.size()));
    QTest::keyClick(box.h.txtDur, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(box.h.txtDur->text(), after);
}

void DurationKeysTest::enterIsSwallowed() {
    Box box;
    QSignalSpy returns(box.h.txtDur, &QLineEdit::returnPressed);
    QTest::keyClick(box.h.txtDur, Qt::Key_Return);
    QCOMPARE(returns.count(), 0);
    QCOMPARE(box.h.txtDur->text(), QStringLiteral("2"));
}

void DurationKeysTest::arrowsAndTabKeepTheirWork() {
    Box box;
    QVERIFY(QTest::qWaitForWindowActive(&box.h.window));
    box.h.txtDur->setCursorPosition(1);
    QTest::keyClick(box.h.txtDur, Qt::Key_Left);
    QCOMPARE(box.h.txtDur->cursorPosition(), 0);
    box.h.txtDur->setFocus();
    QTest::keyClick(box.h.txtDur, Qt::Key_Tab);
    QVERIFY(box.other->hasFocus());
}

QTEST_MAIN(DurationKeysTest)
#include "test_duration_keys.moc"
