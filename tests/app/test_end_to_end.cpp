// The real program on an X server with its own empty settings folder and its own sound server
// (a null sink whose monitor is recorded): a mouse click on a string button is heard, the
// window manager's close request stores the six choices, and the next start restores them.
// The sound path as a desktop treats it: a note stays whole while other processes load the
// cores, the program lives through a restart of the sound server and is heard again after it,
// and follows a change of the default output.
//
// TOLMARY_BINARY=/path/to/tolmary runs the cases against another build.

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "tests/app/x11_window.h"
#include "tests/support/monitor_recorder.h"
#include "tests/support/private_sound_server.h"

namespace {

using harness::sinkRate;
const std::string sinkName = "tolmary_e2e";

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

bool xdotool(const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

}  // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void clickSoundsCloseStoresStartRestores();
    void closingDuringAHeldNoteEndsCleanly();
    void noteUnderLoadHasNoDropouts();
    void defaultOutputChangeIsFollowed();
    void soundServerRestartIsSurvived();

private:
    void startRecorder(harness::MonitorRecorder& recorder, const std::string& sink);
    void storeDuration(int seconds);
    void startTolmary();
    // Starts the program with `seconds` as the stored note length and returns its window once
    // it has settled, or 0.
    unsigned long openTuner(int seconds);
    // Clicks a string button and waits for its note to be heard in `recorder` and to end.
    void playAndWait(unsigned long window, int y, const harness::MonitorRecorder& recorder);
    unsigned long findWindow(const QString& title);
    void closeByWindowManager(unsigned long window);
    // Largest sample magnitude recorded from frame `from` on.
    int peakSince(std::int64_t from) const { return recorder_.peakSince(from); }
    // Frames recorded so far, less `seconds`.
    std::int64_t framesBefore(double seconds) const {
        return recorder_.frames() - static_cast<std::int64_t>(seconds * sinkRate);
    }
    QSettings::SettingsMap storedChoices() const;

    QTemporaryDir dir_;
    harness::PrivateSoundServer sound_;
    harness::MonitorRecorder recorder_;
    QProcess tolmary_;
};

void EndToEndTest::initTestCase() {
    QVERIFY(dir_.isValid());
    const std::string why = sound_.start(dir_.path().toStdString(), sinkName);
    QVERIFY2(why.empty(), why.c_str());
    startRecorder(recorder_, sinkName);
}

void EndToEndTest::startRecorder(harness::MonitorRecorder& recorder, const std::string& sink) {
    const std::string why =
        recorder.start(sound_.address(), harness::PrivateSoundServer::monitorOf(sink));
    QVERIFY2(why.empty(), why.c_str());
    // The monitor streams silence from the start; wait for a quarter second of it.
    const std::int64_t before = recorder.frames();
    QTRY_VERIFY_WITH_TIMEOUT(recorder.frames() > before + sinkRate / 4, 15000);
}

void EndToEndTest::storeDuration(int seconds) {
    QSettings conf(dir_.filePath("config/Tolmary/Tolmary.conf"), QSettings::IniFormat);
    conf.setValue("Main/Dur", QString::number(seconds));
}

unsigned long EndToEndTest::openTuner(int seconds) {
    storeDuration(seconds);
    startTolmary();
    const unsigned long window = findWindow(QString::fromUtf8("Uglaševanje kitare"));
    QTest::qWait(300);
    return window;
}

void EndToEndTest::playAndWait(unsigned long window, int y,
                               const harness::MonitorRecorder& recorder) {
    const std::int64_t beforeClick = recorder.frames();
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", QString::number(y),
                     "click", "1"}));
    QTRY_VERIFY_WITH_TIMEOUT(recorder.peakSince(beforeClick) > 1000, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(
        recorder.peakSince(recorder.frames() - sinkRate / 5) < harness::soundThreshold, 15000);
}

void EndToEndTest::cleanupTestCase() {
    if (tolmary_.state() != QProcess::NotRunning) {
        tolmary_.terminate();
        if (!tolmary_.waitForFinished(5000))
            tolmary_.kill();
        tolmary_.waitForFinished(5000);
    }
    recorder_.stop();
}

void EndToEndTest::cleanup() {
    // A case that failed half-way leaves no program behind for the next one.
    if (tolmary_.state() != QProcess::NotRunning) {
        tolmary_.kill();
        tolmary_.waitForFinished(5000);
    }
}

void EndToEndTest::startTolmary() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    env.insert("PULSE_SERVER", QString::fromStdString(sound_.address()));
    env.insert("QT_QPA_PLATFORM", "xcb");
    tolmary_.setProcessEnvironment(env);
    tolmary_.setProcessChannelMode(QProcess::ForwardedChannels);
    tolmary_.start(qEnvironmentVariable("TOLMARY_BINARY", QStringLiteral(TOLMARY_BINARY)), {});
    QVERIFY(tolmary_.waitForStarted());
}

unsigned long EndToEndTest::findWindow(const QString& title) {
    QString id;
    for (int attempt = 0; attempt < 100 && id.isEmpty(); ++attempt) {
        id = run("xdotool", {"search", "--onlyvisible", "--name", title}).section('\n', 0, 0);
        if (id.isEmpty())
            QTest::qWait(100);
    }
    return id.toULong();
}

void EndToEndTest::closeByWindowManager(unsigned long window) {
    QVERIFY(x11::sendCloseRequest(window));
    QVERIFY(tolmary_.waitForFinished(15000));
    QCOMPARE(tolmary_.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tolmary_.exitCode(), 0);
}

QSettings::SettingsMap EndToEndTest::storedChoices() const {
    QSettings conf(dir_.filePath("config/Tolmary/Tolmary.conf"), QSettings::IniFormat);
    QSettings::SettingsMap values;
    conf.beginGroup("Main");
    for (const QString& key : conf.childKeys())
        values[key] = conf.value(key);
    return values;
}

void EndToEndTest::clickSoundsCloseStoresStartRestores() {
    const QString title = QString::fromUtf8("Uglaševanje kitare");

    // First start: nothing stored, so the window opens centred and without a message.
    startTolmary();
    const unsigned long window = findWindow(title);
    QVERIFY2(window != 0, "the tuner window did not appear");
    QCOMPARE(run("xdotool", {"search", "--onlyvisible", "--name", QString::fromUtf8("Kritična")}),
             QString());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(x11::windowOrigin(window),
             QPoint((screen.width() - 514) / 2, (screen.height() - 387) / 2));

    // A click on "E-1" plays its note through the built-in synth: silence, then sound, then
    // silence again once the two-second note has ended.
    QTest::qWait(300);
    const std::int64_t beforeClick = recorder_.frames();
    QVERIFY(peakSince(framesBefore(0.25)) < harness::soundThreshold);
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", "120", "click", "1"}));
    QTRY_VERIFY_WITH_TIMEOUT(peakSince(beforeClick) > 1000, 10000);
    const std::int64_t sounding = recorder_.frames();
    QTRY_VERIFY_WITH_TIMEOUT(recorder_.frames() > sounding + sinkRate / 2 &&
                                 peakSince(framesBefore(0.1)) < harness::soundThreshold,
                             15000);

    // Change the choices: move the window, pick the next tuning from the opened list, type a
    // duration.
    QVERIFY(xdotool({"windowmove", "--sync", QString::number(window), "100", "150"}));
    QVERIFY(xdotool({"windowfocus", "--sync", QString::number(window)}));
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "220", "42", "click", "1"}));
    QTest::qWait(300);
    QVERIFY(xdotool({"key", "--delay", "50", "Down", "Return"}));
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "136", "65", "click", "1"}));
    QVERIFY(xdotool({"key", "--delay", "50", "BackSpace", "5"}));
    QTest::qWait(300);
    closeByWindowManager(window);

    QSettings::SettingsMap stored = storedChoices();
    QCOMPARE(stored.value("Left").toString(), QStringLiteral("1500"));
    QCOMPARE(stored.value("Top").toString(), QStringLiteral("2250"));
    QCOMPARE(stored.value("WS").toString(), QStringLiteral("0"));
    QCOMPARE(stored.value("Instrument").toString(), QString::fromUtf8("Akustična kitara (Jeklo)"));
    QCOMPARE(stored.value("Tuning").toString(), QStringLiteral("Bass Standard"));
    QCOMPARE(stored.value("Dur").toString(), QStringLiteral("5"));

    // Second start: the window comes back where it was, with the same choices, which the next
    // close stores again unchanged.
    startTolmary();
    const unsigned long again = findWindow(title);
    QVERIFY(again != 0);
    QCOMPARE(x11::windowOrigin(again), QPoint(100, 150));
    QTest::qWait(300);
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(again).toImage();
    QCOMPARE(shot.size(), QSize(514, 387));
    QVERIFY(shot.save(QStringLiteral(TOLMARY_SCREENSHOT)));
    closeByWindowManager(again);
    QCOMPARE(storedChoices(), stored);
}

void EndToEndTest::closingDuringAHeldNoteEndsCleanly() {
    const unsigned long window = openTuner(4);
    QVERIFY(window != 0);
    const std::int64_t beforeClick = recorder_.frames();
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", "280", "click", "1"}));
    QTRY_VERIFY_WITH_TIMEOUT(peakSince(beforeClick) > 1000, 10000);
    // The close runs inside the note's wait; the program ends once the wait is over, having
    // stored the choices, without a crash or a sanitizer report (which would change the exit
    // code).
    closeByWindowManager(window);
    QCOMPARE(storedChoices().value("Dur").toString(), QStringLiteral("4"));
    QCOMPARE(storedChoices().size(), 6);
}

void EndToEndTest::noteUnderLoadHasNoDropouts() {
    const unsigned long window = openTuner(3);
    QVERIFY(window != 0);
    std::int64_t beforeClick = 0;
    {
        // Every core busy, as when a build or a browser runs beside the tuner.
        std::vector<harness::ChildProcess> busy(
            static_cast<std::size_t>(QThread::idealThreadCount()));
        for (harness::ChildProcess& spinner : busy)
            QVERIFY(spinner.startBusyLoop());
        QTest::qWait(500);
        beforeClick = recorder_.frames();
        playAndWait(window, 120, recorder_);
    }
    const harness::GapCount gaps =
        harness::countGaps(recorder_.magnitudes(beforeClick, recorder_.frames()));
    QVERIFY2(gaps.gaps == 0, qPrintable(QString("%1 dropouts inside the note, the longest %2 "
                                                "frames")
                                            .arg(gaps.gaps)
                                            .arg(gaps.longest)));
    closeByWindowManager(window);
}

void EndToEndTest::defaultOutputChangeIsFollowed() {
    const std::string otherSink = sinkName + "_other";
    const std::string module = sound_.addNullSink(otherSink);
    QVERIFY2(!module.empty(), "the second sink could not be made");
    harness::MonitorRecorder otherRecorder;
    startRecorder(otherRecorder, otherSink);

    const unsigned long window = openTuner(2);
    QVERIFY(window != 0);
    playAndWait(window, 120, recorder_);

    // A headset plugged in, or another output picked in the desktop's sound settings.
    QVERIFY(sound_.setDefaultSink(otherSink));
    QTest::qWait(300);
    const std::int64_t beforeClick = otherRecorder.frames();
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", "160", "click", "1"}));
    const bool heard =
        QTest::qWaitFor([&] { return otherRecorder.peakSince(beforeClick) > 1000; }, 10000);

    sound_.setDefaultSink(sinkName);
    otherRecorder.stop();
    sound_.unloadModule(module);
    QVERIFY2(heard, "the note was not heard on the new default output");
    QTRY_VERIFY_WITH_TIMEOUT(peakSince(framesBefore(0.2)) < harness::soundThreshold, 15000);
    closeByWindowManager(window);
}

void EndToEndTest::soundServerRestartIsSurvived() {
    const unsigned long window = openTuner(2);
    QVERIFY(window != 0);
    playAndWait(window, 120, recorder_);
    QVERIFY(x11::answersPing(window, 5000));

    // The server dies as in a crash; a note played meanwhile is simply not heard.
    sound_.kill();
    recorder_.stop();
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", "160", "click", "1"}));
    QTest::qWait(1000);
    QVERIFY2(x11::answersPing(window, 5000), "the window stopped answering");
    QCOMPARE(x11::shownTopLevels(), QList<unsigned long>{window});
    QCOMPARE(tolmary_.state(), QProcess::Running);
    QTest::qWait(2500);

    // A new server on the same socket, as after a restart of the desktop's sound service:
    // the next click is heard without restarting the program.
    const std::string why = sound_.restart();
    QVERIFY2(why.empty(), why.c_str());
    startRecorder(recorder_, sinkName);
    QTest::qWait(500);
    const std::int64_t beforeClick = recorder_.frames();
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", "200", "click", "1"}));
    QTRY_VERIFY2_WITH_TIMEOUT(peakSince(beforeClick) > 1000,
                              "the first note after the restart was not heard", 10000);
    QVERIFY(x11::answersPing(window, 5000));
    QCOMPARE(x11::shownTopLevels(), QList<unsigned long>{window});
    QTRY_VERIFY_WITH_TIMEOUT(peakSince(framesBefore(0.2)) < harness::soundThreshold, 15000);
    closeByWindowManager(window);
}

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
