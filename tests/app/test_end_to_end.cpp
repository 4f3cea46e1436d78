// The real program on an X server with its own empty settings folder and its own sound server
// (a null sink whose monitor is recorded): a mouse click on a string button is heard, the
// window manager's close request stores the six choices, and the next start restores them.

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/app/x11_window.h"

namespace {

constexpr int sampleRate = 22050;
const QString sinkName = QStringLiteral("tolmary_e2e");

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
    void clickSoundsCloseStoresStartRestores();
    void closingDuringAHeldNoteEndsCleanly();

private:
    void startTolmary();
    unsigned long findWindow(const QString& title);
    void closeByWindowManager(unsigned long window);
    // Largest sample magnitude recorded from byte `from` on.
    int peakSince(qsizetype from) const;
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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir_.path());
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    pulse_.setProcessEnvironment(env);
    pulse_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    pulse_.start(
        "pulseaudio",
        {"--daemonize=no", "--exit-idle-time=-1", "-n", "--disallow-exit", "--use-pid-file=no",
         "--log-level=error", "--load=module-null-sink sink_name=" + sinkName,
         "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_});
    QVERIFY2(pulse_.waitForStarted(), "pulseaudio is not installed");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket_), 15000);

    recorder_.start("parec", {"--server=unix:" + socket_, "--device=" + sinkName + ".monitor",
                              "--raw", "--format=s16le", "--channels=1",
                              "--rate=" + QString::number(sampleRate), "--latency-msec=20"});
    connect(&recorder_, &QProcess::readyReadStandardOutput, this,
            [this] { audio_.append(recorder_.readAllStandardOutput()); });
    QVERIFY(recorder_.waitForStarted());
    // The monitor streams silence from the start; wait for a quarter second of it.
    QTRY_VERIFY_WITH_TIMEOUT(audio_.size() > sampleRate / 2, 15000);
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

void EndToEndTest::startTolmary() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    env.insert("PULSE_SERVER", "unix:" + socket_);
    env.insert("QT_QPA_PLATFORM", "xcb");
    tolmary_.setProcessEnvironment(env);
    tolmary_.setProcessChannelMode(QProcess::ForwardedChannels);
    tolmary_.start(QStringLiteral(TOLMARY_BINARY), {});
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

int EndToEndTest::peakSince(qsizetype from) const {
    int peak = 0;
    for (qsizetype i = from & ~qsizetype{1}; i + 1 < audio_.size(); i += 2) {
        const auto sample = static_cast<qint16>(static_cast<quint8>(audio_[i]) |
                                                static_cast<quint8>(audio_[i + 1]) << 8);
        peak = std::max(peak, std::abs(int{sample}));
    }
    return peak;
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
    QVERIFY(peakSince(beforeClick - sampleRate / 2) < 64);
    QVERIFY(xdotool({"mousemove", "--window", QString::number(window), "96", "120", "click", "1"}));
    QTRY_VERIFY_WITH_TIMEOUT(peakSince(beforeClick) > 1000, 10000);
    const qsizetype sounding = audio_.size();
    QTRY_VERIFY_WITH_TIMEOUT(
        audio_.size() > sounding + sampleRate && peakSince(audio_.size() - sampleRate / 5) < 64,
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
    {
        QSettings conf(dir_.filePath("config/Tolmary/Tolmary.conf"), QSettings::IniFormat);
        conf.setValue("Main/Dur", "4");
    }
    startTolmary();
    const unsigned long window = findWindow(QString::fromUtf8("Uglaševanje kitare"));
    QVERIFY(window != 0);
    QTest::qWait(300);
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

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
