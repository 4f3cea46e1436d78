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

namespace {

// The monitor is recorded in the sink's own format, so a gap of zeros is never resampled away.
constexpr int sampleRate = 44100;
constexpr int frameBytes = 4;
constexpr qsizetype bytesPerSecond = qsizetype{sampleRate} * frameBytes;
const QString sinkName = QStringLiteral("tolmary_e2e");
const QString sinkFormat = QStringLiteral(" format=s16le rate=44100 channels=2");
// A recorded frame above this is sound; a run of this many zero frames inside a note is a
// dropout, which the ear hears as a click.
constexpr int soundThreshold = 64;
constexpr int dropoutFrames = 16;

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

qint16 sampleAt(const QByteArray& audio, qsizetype i) {
    return static_cast<qint16>(static_cast<quint8>(audio[i]) | static_cast<quint8>(audio[i + 1])
                                                                   << 8);
}

int peakOf(const QByteArray& audio, qsizetype from) {
    int peak = 0;
    for (qsizetype i = std::max<qsizetype>(0, from) & ~qsizetype{1}; i + 1 < audio.size(); i += 2)
        peak = std::max(peak, std::abs(int{sampleAt(audio, i)}));
    return peak;
}

struct Gaps {
    int count = 0;
    int longest = 0;
};

// Runs of zero frames inside the sound recorded from byte `from` on (from its first to its
// last frame above the threshold).
Gaps gapsInSound(const QByteArray& audio, qsizetype from) {
    QList<int> frames;
    for (qsizetype i = std::max<qsizetype>(0, from) / frameBytes * frameBytes;
         i + frameBytes <= audio.size(); i += frameBytes)
        frames.append(
            std::max(std::abs(int{sampleAt(audio, i)}), std::abs(int{sampleAt(audio, i + 2)})));
    const auto loud = [](int m) { return m > soundThreshold; };
    const auto first = std::find_if(frames.cbegin(), frames.cend(), loud);
    const auto last = std::find_if(frames.crbegin(), frames.crend(), loud).base();
    Gaps gaps;
    int run = 0;
    for (auto f = first; f < last; ++f) {
        if (*f == 0) {
            ++run;
            continue;
        }
        if (run >= dropoutFrames) {
            ++gaps.count;
            gaps.longest = std::max(gaps.longest, run);
        }
        run = 0;
    }
    return gaps;
}

// Processes that only spin, as many as the machine has cores, for as long as this lives.
class BusyCores {
public:
    BusyCores() {
        for (int i = 0; i < QThread::idealThreadCount(); ++i) {
            auto* p = new QProcess;
            p->start("sh", {"-c", "while :; do :; done"});
            spinners_.append(p);
        }
    }
    ~BusyCores() {
        for (QProcess* p : spinners_) {
            p->kill();
            p->waitForFinished(5000);
            delete p;
        }
    }
    BusyCores(const BusyCores&) = delete;
    BusyCores& operator=(const BusyCores&) = delete;

private:
    QList<QProcess*> spinners_;
};

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
    void startServer();
    void startRecorder(QProcess& recorder, QByteArray& audio, const QString& sink);
    void storeDuration(int seconds);
    void startTolmary();
    // Starts the program with `seconds` as the stored note length and returns its window once
    // it has settled, or 0.
    unsigned long openTuner(int seconds);
    // Clicks a string button and waits for its note to be heard in `audio` and to end.
    void playAndWait(unsigned long window, int y, const QByteArray& audio);
    unsigned long findWindow(const QString& title);
    void closeByWindowManager(unsigned long window);
    // Largest sample magnitude recorded from byte `from` on.
    int peakSince(qsizetype from) const { return peakOf(audio_, from); }
    QSettings::SettingsMap storedChoices() const;

    QTemporaryDir dir_;
    QString socket_;
    QProcess pulse_;
    QProcess recorder_;
    QProcess tolmary_;
    QByteArray audio_;
};

void EndToEndTest::initTestCase() {
    QVERIFY(dir_.isValid());
    socket_ = dir_.filePath("pulse-native");
    startServer();
    startRecorder(recorder_, audio_, sinkName);
}

void EndToEndTest::startServer() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir_.path());
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    pulse_.setProcessEnvironment(env);
    pulse_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    pulse_.start(
        "pulseaudio",
        {"--daemonize=no", "--exit-idle-time=-1", "-n", "--disallow-exit", "--use-pid-file=no",
         "--log-level=error", "--load=module-null-sink sink_name=" + sinkName + sinkFormat,
         "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_});
    QVERIFY2(pulse_.waitForStarted(), "pulseaudio is not installed");
    // A socket left by a killed server is replaced by the new one once it listens.
    QTRY_VERIFY_WITH_TIMEOUT(run("pactl", {"--server=unix:" + socket_, "info"}).contains(sinkName),
                             15000);
}

void EndToEndTest::startRecorder(QProcess& recorder, QByteArray& audio, const QString& sink) {
    recorder.start("parec", {"--server=unix:" + socket_, "--device=" + sink + ".monitor", "--raw",
                             "--format=s16le", "--channels=2",
                             "--rate=" + QString::number(sampleRate), "--latency-msec=20"});
    disconnect(&recorder, &QProcess::readyReadStandardOutput, this, nullptr);
    connect(&recorder, &QProcess::readyReadStandardOutput, this,
            [&recorder, &audio] { audio.append(recorder.readAllStandardOutput()); });
    QVERIFY(recorder.waitForStarted());
    // The monitor streams silence from the start; wait for a quarter second of it.
    const qsizetype before = audio.size();
    QTRY_VERIFY_WITH_TIMEOUT(audio.size() > before + bytesPerSecond / 4, 15000);
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

void EndToEndTest::playAndWait(unsigned long window, int y, const QByteArray& audio) {
    const qsizetype beforeClick = audio.size();
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", QString::number(y),
                     "click", "1"}));
    QTRY_VERIFY_WITH_TIMEOUT(peakOf(audio, beforeClick) > 1000, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(peakOf(audio, audio.size() - bytesPerSecond / 5) < soundThreshold,
                             15000);
}

void EndToEndTest::cleanupTestCase() {
    for (QProcess* p : {&tolmary_, &recorder_, &pulse_}) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
            p->waitForFinished(5000);
        }
    }
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
    env.insert("PULSE_SERVER", "unix:" + socket_);
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
    const qsizetype beforeClick = audio_.size();
    QVERIFY(peakSince(beforeClick - bytesPerSecond / 4) < soundThreshold);
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", "120", "click", "1"}));
    QTRY_VERIFY_WITH_TIMEOUT(peakSince(beforeClick) > 1000, 10000);
    const qsizetype sounding = audio_.size();
    QTRY_VERIFY_WITH_TIMEOUT(audio_.size() > sounding + bytesPerSecond / 2 &&
                                 peakSince(audio_.size() - bytesPerSecond / 10) < soundThreshold,
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
    const qsizetype beforeClick = audio_.size();
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
    qsizetype beforeClick = 0;
    {
        // Every core busy, as when a build or a browser runs beside the tuner.
        BusyCores busy;
        QTest::qWait(500);
        beforeClick = audio_.size();
        playAndWait(window, 120, audio_);
    }
    const Gaps gaps = gapsInSound(audio_, beforeClick);
    QVERIFY2(gaps.count == 0, qPrintable(QString("%1 dropouts inside the note, the longest %2 "
                                                 "frames")
                                             .arg(gaps.count)
                                             .arg(gaps.longest)));
    closeByWindowManager(window);
}

void EndToEndTest::defaultOutputChangeIsFollowed() {
    const QString server = "--server=unix:" + socket_;
    const QString otherSink = sinkName + "_other";
    const QString module =
        run("pactl", {server, "load-module", "module-null-sink", "sink_name=" + otherSink,
                      "format=s16le", "rate=44100", "channels=2"});
    QVERIFY2(!module.isEmpty(), "the second sink could not be made");
    QProcess otherRecorder;
    QByteArray otherAudio;
    startRecorder(otherRecorder, otherAudio, otherSink);

    const unsigned long window = openTuner(2);
    QVERIFY(window != 0);
    playAndWait(window, 120, audio_);

    // A headset plugged in, or another output picked in the desktop's sound settings.
    run("pactl", {server, "set-default-sink", otherSink});
    QTest::qWait(300);
    const qsizetype beforeClick = otherAudio.size();
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", "160", "click", "1"}));
    const bool heard =
        QTest::qWaitFor([&] { return peakOf(otherAudio, beforeClick) > 1000; }, 10000);

    run("pactl", {server, "set-default-sink", sinkName});
    otherRecorder.kill();
    otherRecorder.waitForFinished(5000);
    run("pactl", {server, "unload-module", module});
    QVERIFY2(heard, "the note was not heard on the new default output");
    QTRY_VERIFY_WITH_TIMEOUT(peakSince(audio_.size() - bytesPerSecond / 5) < soundThreshold, 15000);
    closeByWindowManager(window);
}

void EndToEndTest::soundServerRestartIsSurvived() {
    const unsigned long window = openTuner(2);
    QVERIFY(window != 0);
    playAndWait(window, 120, audio_);
    QVERIFY(x11::answersPing(window, 5000));

    // The server dies as in a crash; a note played meanwhile is simply not heard.
    pulse_.kill();
    QVERIFY(pulse_.waitForFinished(5000));
    QVERIFY(recorder_.waitForFinished(5000));
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", "160", "click", "1"}));
    QTest::qWait(1000);
    QVERIFY2(x11::answersPing(window, 5000), "the window stopped answering");
    QCOMPARE(x11::shownTopLevels(), QList<unsigned long>{window});
    QCOMPARE(tolmary_.state(), QProcess::Running);
    QTest::qWait(2500);

    // A new server on the same socket, as after a restart of the desktop's sound service:
    // the next click is heard without restarting the program.
    startServer();
    startRecorder(recorder_, audio_, sinkName);
    QTest::qWait(500);
    const qsizetype beforeClick = audio_.size();
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", "200", "click", "1"}));
    QTRY_VERIFY2_WITH_TIMEOUT(peakSince(beforeClick) > 1000,
                              "the first note after the restart was not heard", 10000);
    QVERIFY(x11::answersPing(window, 5000));
    QCOMPARE(x11::shownTopLevels(), QList<unsigned long>{window});
    QTRY_VERIFY_WITH_TIMEOUT(peakSince(audio_.size() - bytesPerSecond / 5) < soundThreshold, 15000);
    closeByWindowManager(window);
}

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
