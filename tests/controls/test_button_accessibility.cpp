// XPButton as a screen reader meets it through Qt's accessibility interfaces: a push button
// named by its caption without the icon's padding, its states, and a Press action that raises
// Click as a mouse click does (and nothing while the button is disabled). The events that tell
// a reader of changes need the desktop's accessibility bus; the end-to-end test meets them.

#include <QAccessible>
#include <QtTest>

#include "tests/controls/button_rig.h"

using controls::XPButton;

namespace {

QAccessibleInterface* readerView(XPButton& button) {
    return QAccessible::queryAccessibleInterface(&button);
}

}  // namespace

class TestButtonAccessibility : public QObject {
    Q_OBJECT

private slots:
    void readerSeesAButton_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("holdSpace");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("clicksFromPress");
        QTest::newRow("string button") << QString::fromUtf8("     A-5 (Peta struna)") << true
                                       << false << "A-5 (Peta struna)" << 1;
        QTest::newRow("held down by space") << QString::fromUtf8("Naloži privzeto") << true << true
                                            << QString::fromUtf8("Naloži privzeto") << 1;
        QTest::newRow("disabled") << QString::fromUtf8("     E-6 (Najdebelejša struna)") << false
                                  << false << QString::fromUtf8("E-6 (Najdebelejša struna)") << 0;
    }
    void readerSeesAButton() {
        QFETCH(QString, caption);
        QFETCH(bool, enabled);
        QFETCH(bool, holdSpace);
        QFETCH(QString, name);
        QFETCH(int, clicksFromPress);
        testing::ButtonRig rig;
        XPButton& button = rig.load();
        button.setCaption(caption);
        button.setXPEnabled(enabled);
        QVERIFY(rig.showActive());
        button.setFocus();
        if (holdSpace)
            QTest::keyPress(&button, Qt::Key_Space);

        QAccessibleInterface* view = readerView(button);
        QVERIFY(view);
        QCOMPARE(view->role(), QAccessible::Button);
        QCOMPARE(view->text(QAccessible::Name), name);
        const QAccessible::State state = view->state();
        QVERIFY(state.focusable);
        QVERIFY(state.focused);
        QCOMPARE(bool(state.pressed), holdSpace);
        QCOMPARE(bool(state.disabled), !enabled);

        QAccessibleActionInterface* actions = view->actionInterface();
        QVERIFY(actions);
        QCOMPARE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()),
                 enabled);
        QSignalSpy clicks(&button, &XPButton::click);
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicks.size(), clicksFromPress);
    }

    // The name follows the caption; a name given on purpose stays.
    void nameFollowsTheCaption() {
        testing::ButtonRig rig;
        XPButton& button = rig.load();
        button.setCaption(QStringLiteral("     B-2 (Druga struna)"));
        QAccessibleInterface* view = readerView(button);
        QCOMPARE(view->text(QAccessible::Name), QStringLiteral("B-2 (Druga struna)"));
        button.setCaption(QStringLiteral("     B-2 (Bass)"));
        QCOMPARE(view->text(QAccessible::Name), QStringLiteral("B-2 (Bass)"));
        button.setAccessibleName(QStringLiteral("Druga"));
        button.setCaption(QStringLiteral("     B-2"));
        QCOMPARE(view->text(QAccessible::Name), QStringLiteral("Druga"));
    }
};

QTEST_MAIN(TestButtonAccessibility)
#include "test_button_accessibility.moc"
