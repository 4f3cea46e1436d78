// The real program under a window manager (openbox, started on the test's own X server): on
// the first start the whole frame, title bar included, is centred on the screen; moved, closed
// and started again, the frame comes back exactly where it was.
//
// TOLMARY_BINARY=/path/to/tolmary runs the case against another build.

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/app/x11_window.h"
#include "tests/support/private_sound_server.h"

namespace {

QString describe(const QRect& r) {
    return QStringLiteral("%1x%2 at %3,%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
}

// Twice the distance of the frame's centre from the screen's, per axis: 1 is half a pixel.
QPoint doubledOffCentre(const QRect& frame, const QRect& screen) {
    return {2 * frame.x() + frame.width() - screen.width(),
            2 * frame.y() + frame.height() - screen.height()};
}

}  // namespace

class WindowManagerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void firstStartCentresTheFrameRestartRestoresIt();

private:
    unsigned long startTolmary();
    void stop(QProcess& process);

    QTemporaryDir dir_;
    harness::PrivateSoundServer sound_;
    QProcess manager_;
    QProcess tolmary_;
};

void WindowManagerTest::initTestCase() {
    QVERIFY(dir_.isValid());
    // A sound server of its own, so that no message about a missing synth covers the window.
    const std::string why = sound_.start(dir_.path().toStdString(), "tolmary_wm");
    QVERIFY2(why.empty(), why.c_str());
    QVERIFY2(!QStandardPaths::findExecutable("openbox").isEmpty(),
             "openbox is not installed (make test installs it)");
    QVERIFY2(!x11::windowManagerRunning(), "the X server has a window manager already");
    // Its own settings folder: the manager's defaults, never a user's configuration.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir_.path());
    env.insert("XDG_CONFIG_HOME", dir_.filePath("manager"));
    manager_.setProcessEnvironment(env);
    manager_.setProcessChannelMode(QProcess::ForwardedChannels);
    manager_.start("openbox", {"--sm-disable"});
    QVERIFY(manager_.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(x11::windowManagerRunning(), 10000);
}

void WindowManagerTest::cleanupTestCase() {
    stop(tolmary_);
    stop(manager_);
}

void WindowManagerTest::stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(5000);
}

unsigned long WindowManagerTest::startTolmary() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir_.path());
    env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    env.insert("PULSE_SERVER", QString::fromStdString(sound_.address()));
    env.insert("QT_QPA_PLATFORM", "xcb");
    tolmary_.setProcessEnvironment(env);
    tolmary_.setProcessChannelMode(QProcess::ForwardedChannels);
    tolmary_.start(qEnvironmentVariable("TOLMARY_BINARY", QStringLiteral(TOLMARY_BINARY)), {});
    if (!tolmary_.waitForStarted())
        return 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        QProcess search;
        search.start("xdotool", {"search", "--onlyvisible", "--name",
                                 QString::fromUtf8("Uglaševanje kitare")});
        search.waitForFinished(10000);
        const unsigned long window = search.readAllStandardOutput().split('\n').first().toULong();
        if (window)
            return window;
        QTest::qWait(100);
    }
    return 0;
}

void WindowManagerTest::firstStartCentresTheFrameRestartRestoresIt() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const unsigned long window = startTolmary();
    QVERIFY2(window != 0, "the tuner window did not appear");
    // Framed: a title bar above the client area.
    QTRY_VERIFY_WITH_TIMEOUT(x11::frameRect(window).height() > 387 + 10, 5000);
    // Centred within a pixel, once the manager and the program have settled.
    const auto centred = [&] {
        const QPoint off = doubledOffCentre(x11::frameRect(window), screen);
        return std::abs(off.x()) <= 2 && std::abs(off.y()) <= 2;
    };
    QTest::qWait(500);
    QTRY_VERIFY2_WITH_TIMEOUT(centred(), qPrintable(describe(x11::frameRect(window))), 5000);

    // Moved elsewhere and closed: the next start puts the frame back there, not in the centre.
    QProcess move;
    move.start("xdotool", {"windowmove", "--sync", QString::number(window), "100", "150"});
    QVERIFY(move.waitForFinished(10000) && move.exitCode() == 0);
    QTRY_VERIFY_WITH_TIMEOUT(x11::frameRect(window).x() < 200, 5000);
    QTest::qWait(300);
    const QRect moved = x11::frameRect(window);
    QVERIFY(x11::sendCloseRequest(window));
    QVERIFY(tolmary_.waitForFinished(15000));
    QCOMPARE(tolmary_.exitCode(), 0);

    const unsigned long again = startTolmary();
    QVERIFY(again != 0);
    QTest::qWait(500);
    QCOMPARE(x11::frameRect(again), moved);
    QVERIFY(x11::sendCloseRequest(again));
    QVERIFY(tolmary_.waitForFinished(15000));
}

QTEST_MAIN(WindowManagerTest)
#include "test_window_manager_end_to_end.moc"
