// The real program, on the offscreen platform with a settings folder of its own: SIGTERM,
// SIGINT and SIGHUP close it as its close box does, the six settings stored and the exit code
// 0; without a home the same signal ends it as well, nothing is written outside a home and one
// line says why nothing was stored.
//
// TOLMARY_BINARY=/path/to/tolmary runs the cases against another build.

#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Whether process `pid` has a handler of its own for each of `wanted`, as its status shows.
bool catches(qint64 pid, std::initializer_list<int> wanted) {
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:")) {
            const qulonglong caught = line.mid(7).trimmed().toULongLong(nullptr, 16);
            for (int s : wanted)
                if (!(caught & (1ULL << (s - 1))))
                    return false;
            return true;
        }
    return false;
}

}  // namespace

class TestTerminationSignals : public QObject {
    Q_OBJECT

private slots:
    void signalClosesAsTheCloseBoxDoes_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("home");
        QTest::newRow("SIGTERM") << SIGTERM << true;
        QTest::newRow("SIGINT") << SIGINT << true;
        QTest::newRow("SIGHUP") << SIGHUP << true;
        QTest::newRow("SIGTERM without a home") << SIGTERM << false;
    }
    void signalClosesAsTheCloseBoxDoes() {
        QFETCH(int, signal);
        QFETCH(bool, home);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "DISPLAY"})
            env.remove(name);
        if (home) {
            env.insert("HOME", dir.path());
            env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        }
        env.insert("XDG_RUNTIME_DIR", dir.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        // No sound: the window tells so in a message box, which the signal closes too.
        env.insert("PULSE_SERVER", "unix:" + dir.filePath("no-server"));
        env.insert("ALSA_CONFIG_PATH", dir.filePath("no-alsa.conf"));
        // Where Qt would put its files without a home: the root, and the working folder.
        const QStringList outside = {"/.config/Tolmary", dir.filePath("work/.config")};
        QStringList there;
        for (const QString& path : outside)
            if (QFileInfo::exists(path))
                there << path;
        QVERIFY(QDir().mkpath(dir.filePath("work")));
        QProcess tolmary;
        tolmary.setProcessEnvironment(env);
        tolmary.setWorkingDirectory(dir.filePath("work"));
        tolmary.start(qEnvironmentVariable("TOLMARY_BINARY", QStringLiteral(TOLMARY_BINARY)), {});
        QVERIFY(tolmary.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(catches(tolmary.processId(), {SIGTERM, SIGINT, SIGHUP}) ||
                                     tolmary.state() != QProcess::Running,
                                 10000);
        // The window shown and its load over.
        QTest::qWait(1000);
        ::kill(static_cast<pid_t>(tolmary.processId()), signal);
        QVERIFY2(tolmary.waitForFinished(10000), "the program did not end");
        const QString error = QString::fromLocal8Bit(tolmary.readAllStandardError());
        QVERIFY2(tolmary.exitStatus() == QProcess::NormalExit && tolmary.exitCode() == 0,
                 qPrintable(QString("ended by signal %1, code %2: %3")
                                .arg(tolmary.exitStatus() == QProcess::CrashExit)
                                .arg(tolmary.exitCode())
                                .arg(error)));
        for (const QString& path : outside)
            if (!there.contains(path) && QFileInfo::exists(path)) {
                QDir(path).removeRecursively();
                QFAIL(qPrintable("written outside a home: " + path));
            }
        if (!home) {
            QVERIFY2(error.contains("tolmary: Nastavitev ni mogoče shraniti. (") &&
                         error.contains("HOME"),
                     qPrintable(error));
            return;
        }
        QSettings stored(dir.filePath("config/Tolmary/Tolmary.conf"), QSettings::IniFormat);
        stored.beginGroup("Main");
        QCOMPARE(stored.childKeys().size(), 7);
        QCOMPARE(stored.value("Dur").toString(), QString("2"));
        QCOMPARE(stored.value("Tuning").toString(), QString::fromUtf8("Standardna uglasitev"));
    }
};

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "test_termination_signals.moc"
