// The Qt host services: the settings store's file and text values, window geometry in twips,
// the event pump that a note's wait sleeps in, and Qt's texts and message boxes in Slovenian.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <functional>
#include <limits>
#include <memory>

#include "app/qt_translation.h"
#include "app/qt_tuner_host.h"
#include "app/qt_wait_host.h"
#include "app/settings_store.h"
#include "app/twips_geometry.h"
#include "tests/support/fake_midi.h"

namespace {

void removeQtTranslation() {
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

}  // namespace

class TestHostServices : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { removeQtTranslation(); }
    void settingsLiveInTolmaryConfUnderMain();
    void missingKeyReadsAsDefault();
    void valuesRoundTripAsText_data();
    void valuesRoundTripAsText();
    void windowTwipsMovesToWholePixels();
    void unplaceableCoordinatesAreNotApplied_data();
    void unplaceableCoordinatesAreNotApplied();
    void pumpRunsPendingEventsAndReturnsByTimeout();
    void qtTextsAreSlovenian();
    void messageBoxButtonsAreSlovenian_data();
    void messageBoxButtonsAreSlovenian();

private:
    QTemporaryDir config_;
};

void TestHostServices::initTestCase() {
    QVERIFY(config_.isValid());
    // A private settings file: Qt's test mode would share ~/.qttest with every test running at
    // the same time.
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    QVERIFY(app::SettingsStore().fileName().startsWith(config_.path() + '/'));
}

void TestHostServices::settingsLiveInTolmaryConfUnderMain() {
    app::SettingsStore store;
    QVERIFY2(store.fileName().endsWith("/Tolmary/Tolmary.conf"), qPrintable(store.fileName()));
    store.write("Main", "Left", "3780");
    QFile file(store.fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(text.contains("[Main]") && text.contains("Left=3780"), qPrintable(text));
}

void TestHostServices::missingKeyReadsAsDefault() {
    app::SettingsStore store;
    QCOMPARE(store.read("Main", "NoSuchKey", ""), QString());
    QCOMPARE(store.read("Main", "NoSuchKey", "fallback"), QString("fallback"));
    QCOMPARE(store.read("OtherSection", "Left", "x"), QString("x"));
}

void TestHostServices::valuesRoundTripAsText_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("number") << "2617.5";
    QTest::newRow("Slovenian letters") << QString::fromUtf8("Akustična kitara (Jeklo)");
    QTest::newRow("double acute") << QString::fromUtf8("Down 1\u02DD Steps");
    QTest::newRow("comma") << "a, b";
    QTest::newRow("empty") << "";
    QTest::newRow("leading spaces") << "  7";
}

void TestHostServices::valuesRoundTripAsText() {
    QFETCH(QString, value);
    {
        app::SettingsStore store;
        store.write("Main", "Tuning", value);
    }
    app::SettingsStore fresh;
    QCOMPARE(fresh.read("Main", "Tuning", "default"), value);
}

void TestHostServices::windowTwipsMovesToWholePixels() {
    QWidget w;
    w.resize(514, 387);
    app::WindowTwips t(w);
    t.setLeft(3780);
    t.setTop(2617.5);  // 174.5 pixels rounds to the even neighbour
    QCOMPARE(w.pos(), QPoint(252, 174));
    QCOMPARE(t.left(), 3780.0);
    QCOMPARE(t.width(), 514.0 * 15);
}

void TestHostServices::unplaceableCoordinatesAreNotApplied_data() {
    QTest::addColumn<double>("twips");
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("inf") << std::numeric_limits<double>::infinity();
    QTest::newRow("-inf") << -std::numeric_limits<double>::infinity();
    QTest::newRow("beyond int") << 1e300;
}

void TestHostServices::unplaceableCoordinatesAreNotApplied() {
    QFETCH(double, twips);
    QWidget w;
    w.move(10, 20);
    app::WindowTwips t(w);
    t.setLeft(twips);
    t.setTop(twips);
    QCOMPARE(w.pos(), QPoint(10, 20));
}

void TestHostServices::pumpRunsPendingEventsAndReturnsByTimeout() {
    app::QtWaitHost host;
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    const std::int64_t start = host.monotonicMs();
    while (!ran && host.monotonicMs() - start < 5000)
        host.processEvents(1000);
    QVERIFY(ran);

    // With nothing pending the pump sleeps and still comes back: its timeout wakes it.
    host.processEvents(30);
    QVERIFY(host.wallClockMs() > 1'600'000'000'000);
}

// The text box's context menu, as Qt's Slovenian translation on Debian 12 words it.
void TestHostServices::qtTextsAreSlovenian() {
    QVERIFY2(app::installQtTranslation(*qApp), "no qt_sl.qm: install qt6-translations-l10n");
    QLineEdit box;
    const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
    QStringList entries;
    for (const QAction* action : menu->actions())
        entries << action->text().section(u'\t', 0, 0);
    QCOMPARE(entries,
             (QStringList{"&Razveljavi", "&Uveljavi", "", QString::fromUtf8("&Izreži"), "S&kopiraj",
                          "Pri&lepi", QString::fromUtf8("Izbriši"), "", "Izberi vse"}));
}

// Whether Qt's translation is there or not, the buttons read Slovenian, the box answers the
// key of its button's underlined letter, and the answer keeps its classic number.
void TestHostServices::messageBoxButtonsAreSlovenian_data() {
    QTest::addColumn<bool>("translated");
    QTest::addColumn<int>("style");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("answer");
    QTest::newRow("critical") << false << 16 << QStringList{"V redu"} << int(Qt::Key_Return) << 1;
    QTest::newRow("question, D") << false << 36 << QStringList{"&Da", "&Ne"} << int(Qt::Key_D) << 6;
    QTest::newRow("critical, translated")
        << true << 16 << QStringList{"V redu"} << int(Qt::Key_Escape) << 1;
    QTest::newRow("question, N, translated")
        << true << 36 << QStringList{"&Da", "&Ne"} << int(Qt::Key_N) << 7;
}

void TestHostServices::messageBoxButtonsAreSlovenian() {
    QFETCH(bool, translated);
    QFETCH(int, style);
    QFETCH(QStringList, buttons);
    QFETCH(int, key);
    QFETCH(int, answer);
    if (translated)
        QVERIFY(app::installQtTranslation(*qApp));
    app::QtTunerHost host(std::make_unique<testing::RecordingPort>());
    QStringList shown;
    std::function<void()> answerTheBox = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            QTimer::singleShot(10, answerTheBox);
            return;
        }
        for (const QAbstractButton* button : box->buttons())
            shown << button->text();
        QTest::keyClick(box, Qt::Key(key));
        // A key that answers nothing must fail the row, not leave the box open for good.
        QTimer::singleShot(5000, box, [box] { box->done(-1); });
    };
    QTimer::singleShot(0, answerTheBox);
    const auto given =
        host.messageBox(nullptr, "Besedilo", "Naslov", static_cast<tuner::MessageStyle>(style));
    QCOMPARE(static_cast<int>(given), answer);
    QCOMPARE(shown, buttons);
}

QTEST_MAIN(TestHostServices)
#include "test_host_services.moc"
