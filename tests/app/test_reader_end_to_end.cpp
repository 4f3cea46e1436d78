// The real program as a screen reader meets it on the desktop's accessibility bus: a private
// session bus (the test runs under dbus-run-session) with the accessibility bus started on it,
// the program on the private X server with its own sound server. The reader finds the six string
// buttons by name and presses "A-5 (Peta struna)": the note is heard on the sink. It opens
// "Akordi" and finds the 60 named grips, and "O programu" opens the about window.
//
// The bus is read with tests/app/atspi_probe.py (python3-pyatspi), as Orca reads it.

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/support/child_process.h"
#include "tests/support/monitor_recorder.h"
#include "tests/support/private_sound_server.h"

namespace {

const std::string sinkName = "tolmary_reader";
const QString python = QStringLiteral("/usr/bin/python3");
const QString busLauncher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");

QString probeScript() {
    return qEnvironmentVariable("TOLMARY_SOURCE_DIR") + "/tests/app/atspi_probe.py";
}

struct Node {
    int depth;
    QString role;
    QString name;
    QString actions;
};

// One line per object: depth, role, name, states, actions.
QList<Node> parse(const QString& text) {
    QList<Node> nodes;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split(u'\t');
        if (f.size() >= 5)
            nodes.append({f[0].toInt(), f[1], f[2], f[4]});
    }
    return nodes;
}

// The objects inside the top-level window whose name starts with `title`.
QList<Node> windowContents(const QList<Node>& tree, const QString& title) {
    QList<Node> inside;
    bool in = false;
    for (const Node& n : tree)
        if (n.depth == 1)
            in = n.name.startsWith(title);
        else if (in)
            inside.append(n);
    return inside;
}

int countRole(const QList<Node>& nodes, const QString& role, const QStringList& names = {}) {
    int n = 0;
    for (const Node& node : nodes)
        n += node.role == role && !node.name.isEmpty() &&
             (names.isEmpty() || names.contains(node.name));
    return n;
}

}  // namespace

class ReaderEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void readerFindsPressesAndHears();

private:
    // The program's objects on the bus, once `ready` holds for them (or the last reading).
    QList<Node> treeWhen(const std::function<bool(const QList<Node>&)>& ready);
    int probe(const QStringList& args, QString* output = nullptr);

    QTemporaryDir dir_;
    harness::PrivateSoundServer sound_;
    harness::MonitorRecorder recorder_;
    harness::ChildProcess bus_;
    QProcess tolmary_;
};

void ReaderEndToEndTest::initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY2(!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"),
             "no session bus: run under dbus-run-session, as ctest does");
    QVERIFY2(QFileInfo(busLauncher).isExecutable(), "at-spi2-core is not installed");
    QVERIFY2(QProcess::execute(python, {"-c", "import pyatspi"}) == 0,
             "python3-pyatspi is not installed");
    const std::string why = sound_.start(dir_.path().toStdString(), sinkName);
    QVERIFY2(why.empty(), why.c_str());
    const std::string recorded = recorder_.start(sound_.address(), sound_.monitor());
    QVERIFY2(recorded.empty(), recorded.c_str());
    QVERIFY(bus_.start({busLauncher.toStdString(), "--launch-immediately"},
                       harness::environmentWith({}), dir_.filePath("bus.log").toStdString()));

    QSettings conf(dir_.filePath("config/Tolmary/Tolmary.conf"), QSettings::IniFormat);
    conf.setValue("Main/Dur", "1");
    conf.sync();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    env.insert("PULSE_SERVER", QString::fromStdString(sound_.address()));
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    tolmary_.setProcessEnvironment(env);
    tolmary_.setProcessChannelMode(QProcess::ForwardedChannels);
    tolmary_.start(qEnvironmentVariable("TOLMARY_BINARY", QStringLiteral(TOLMARY_BINARY)), {});
    QVERIFY(tolmary_.waitForStarted());
}

void ReaderEndToEndTest::cleanupTestCase() {
    if (tolmary_.state() != QProcess::NotRunning) {
        tolmary_.terminate();
        if (!tolmary_.waitForFinished(5000))
            tolmary_.kill();
        tolmary_.waitForFinished(5000);
    }
    recorder_.stop();
    bus_.stop();
}

int ReaderEndToEndTest::probe(const QStringList& args, QString* output) {
    QProcess p;
    p.start(python, QStringList{probeScript()} + args);
    if (!p.waitForFinished(30000))
        return -1;
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput());
    return p.exitCode();
}

QList<Node> ReaderEndToEndTest::treeWhen(const std::function<bool(const QList<Node>&)>& ready) {
    QList<Node> tree;
    for (int attempt = 0; attempt < 60; ++attempt) {
        QString text;
        if (probe({"tree"}, &text) == 0) {
            tree = parse(text);
            if (ready(tree))
                break;
        }
        QTest::qWait(250);
    }
    return tree;
}

void ReaderEndToEndTest::readerFindsPressesAndHears() {
    const QString tuner = QString::fromUtf8("Uglaševanje kitare by Tolmary");
    const QStringList strings{QString::fromUtf8("E-1 (Najtanjša struna)"),
                              "B-2 (Druga struna)",
                              "G-3 (Tretja struna)",
                              QString::fromUtf8("D-4 (Četrta struna)"),
                              "A-5 (Peta struna)",
                              QString::fromUtf8("E-6 (Najdebelejša struna)")};
    const QList<Node> tree = treeWhen([&](const QList<Node>& t) {
        return countRole(windowContents(t, tuner), "push button", strings) == 6;
    });
    const QList<Node> inTuner = windowContents(tree, tuner);
    QCOMPARE(countRole(inTuner, "push button", strings), 6);
    QStringList unnamed;
    for (const Node& n : inTuner)
        if ((n.role == "image" || n.role == "filler") && n.name.isEmpty())
            unnamed << n.role;
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(' ')));
    for (const Node& n : inTuner)
        if (strings.contains(n.name))
            QVERIFY2(n.actions.split(',').contains("Press"), qPrintable(n.name));

    // Pressed through the bus, the fifth string sounds on the private sink.
    QTest::qWait(300);
    const std::int64_t before = recorder_.frames();
    QCOMPARE(probe({"press", "push button", "A-5 (Peta struna)"}), 0);
    QTRY_VERIFY2_WITH_TIMEOUT(recorder_.peakSince(before) > 1000, "the note was not heard", 10000);

    // The chord window, opened the same way, holds its 60 grips, each named.
    QCOMPARE(probe({"press", "push button", "Akordi"}), 0);
    // Every push button but the window's three commands is a grip.
    const QStringList commands{"Zaigraj", "Nazaj na tuner", "Izhod"};
    auto grips = [&](const QList<Node>& t) {
        int named = 0;
        for (const Node& n : windowContents(t, "Akordi"))
            named += n.role == "push button" && !n.name.isEmpty() && !commands.contains(n.name);
        return named;
    };
    const QList<Node> withChords = treeWhen([&](const QList<Node>& t) { return grips(t) >= 60; });
    QCOMPARE(grips(withChords), 60);

    // And the about window.
    QCOMPARE(probe({"press", "push button", "O programu"}), 0);
    const QList<Node> withAbout = treeWhen([&](const QList<Node>& t) {
        int windows = 0;
        for (const Node& n : t)
            windows += n.depth == 1;
        return windows == 3;
    });
    int windows = 0;
    for (const Node& n : withAbout)
        windows += n.depth == 1;
    const bool about = windows == 3;
    QVERIFY2(about, "the about window did not appear on the bus");
    QCOMPARE(tolmary_.state(), QProcess::Running);
}

QTEST_MAIN(ReaderEndToEndTest)
#include "test_reader_end_to_end.moc"
