// The tuner window on the real Qt host: where stored positions put it (values no screen can
// show leave it centred), and that a close and a new start put it back where it was.

#include <QApplication>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>

#include "app/qt_tuner_host.h"
#include "app/settings_store.h"
#include "tests/support/fake_midi.h"
#include "tuner/frm_main.h"

class TunerWindowPlacementTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void storedPosition_data();
    void storedPosition();
    void closeAndStartAgainPutsTheWindowBack();

private:
    static std::unique_ptr<app::QtTunerHost> makeHost() {
        return std::make_unique<app::QtTunerHost>(std::make_unique<testing::RecordingPort>());
    }
    QTemporaryDir config_;
};

void TunerWindowPlacementTest::initTestCase() {
    QVERIFY(config_.isValid());
    // A private settings file: Qt's test mode would share ~/.qttest with every test running at
    // the same time.
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    QVERIFY(app::SettingsStore().fileName().startsWith(config_.path() + '/'));
    QApplication::setOrganizationName("Tolmary");
    QApplication::setApplicationName("Tolmary");
}

void TunerWindowPlacementTest::init() {
    QFile::remove(app::SettingsStore().fileName());
}

void TunerWindowPlacementTest::storedPosition_data() {
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("top");
    QTest::addColumn<int>("x");  // -1: centred
    QTest::addColumn<int>("y");
    QTest::newRow("nothing stored") << ""
                                    << "" << -1 << -1;
    QTest::newRow("on the screen") << "1500"
                                   << "3000" << 100 << 200;
    QTest::newRow("letters in Left") << "links"
                                     << "3000" << -1 << 200;
    QTest::newRow("nan") << "nan"
                         << "3000" << -1 << 200;
    QTest::newRow("infinities") << "inf"
                                << "-inf" << -1 << -1;
    QTest::newRow("too large for a coordinate") << "1e300"
                                                << "3000" << -1 << 200;
    QTest::newRow("past 32 bits") << "99999999999"
                                  << "3000" << -1 << 200;
    QTest::newRow("right of every screen") << "150000"
                                           << "3000" << -1 << -1;
    QTest::newRow("below every screen") << "1500"
                                        << "150000" << -1 << -1;
}

void TunerWindowPlacementTest::storedPosition() {
    QFETCH(QString, left);
    QFETCH(QString, top);
    QFETCH(int, x);
    QFETCH(int, y);
    app::SettingsStore store;
    if (!left.isEmpty())
        store.write("Main", "Left", left);
    if (!top.isEmpty())
        store.write("Main", "Top", top);

    auto host = makeHost();
    tuner::frmMain w(*host);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = w.frameGeometry();
    // The centring routine's halves, placed on the nearest whole pixel.
    const int cx = static_cast<int>(std::nearbyint(screen.width() * 0.5 - frame.width() * 0.5));
    const int cy = static_cast<int>(std::nearbyint(screen.height() * 0.5 - frame.height() * 0.5));
    QCOMPARE(frame.x(), x < 0 ? cx : x);
    QCOMPARE(frame.y(), y < 0 ? cy : y);
}

void TunerWindowPlacementTest::closeAndStartAgainPutsTheWindowBack() {
    {
        auto host = makeHost();
        tuner::frmMain w(*host);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.move(37, 51);
        QTRY_COMPARE(w.frameGeometry().topLeft(), QPoint(37, 51));
        w.close();
    }
    QSettings conf(app::SettingsStore().fileName(), QSettings::IniFormat);
    QCOMPARE(conf.value("Main/Left").toString(), QStringLiteral("555"));
    QCOMPARE(conf.value("Main/Top").toString(), QStringLiteral("765"));
    QCOMPARE(conf.value("Main/WS").toString(), QStringLiteral("0"));
    auto host = makeHost();
    tuner::frmMain again(*host);
    QCOMPARE(again.frameGeometry().topLeft(), QPoint(37, 51));
}

QTEST_MAIN(TunerWindowPlacementTest)
#include "test_tuner_window_placement.moc"
