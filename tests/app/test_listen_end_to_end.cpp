// `tolmary --listen`, the real program with no display, on a private sound server whose
// default source is a null sink's monitor: tones played into the sink come out as one line
// "NOTE HZ CENTS" per reading, silence as nothing, Ctrl+C ends it with success, and a
// microphone that is missing or goes away ends it with a failure and a Slovenian message; a
// reader that goes away ends it with success and an output it cannot write to with a failure,
// both at once.
// The window, started on such a console, says in Slovenian that there is no display.
//
// TOLMARY_BINARY=/path/to/tolmary runs the cases against another build.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <optional>
#include <utility>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "tests/support/private_sound_server.h"
#include "tests/support/sink_player.h"
#include "tests/support/synthetic_notes.h"

namespace {

using harness::sinkRate;
const std::string sinkName = "tolmary_listen";
const QString lostMessage = QString::fromUtf8("tolmary: Mikrofon ni na voljo. (");

double noteHz(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

double centsBetween(double hz, double referenceHz) {
    return 1200.0 * std::log2(hz / referenceHz);
}

// A steady string tone whose fundamental partial sounds at `hz`; with stiffness its upper
// partials are stretched sharp, as on a real string.
std::vector<float> steadyTone(double hz, double stiffness, double seconds) {
    const double f0 = hz / std::sqrt(1.0 + stiffness);
    return testing::render(testing::pluckedString(f0, stiffness, 0.0, sinkRate), seconds, sinkRate);
}

enum class Loss { noServer, noSource, serverKilled, sourceRemoved };

enum class Output { readerGoneInSilence, readerGoneWhileReading, diskFull, closed, readOnly };

const QString writeMessage = QString::fromUtf8("tolmary: Ne morem pisati na standardni izhod. (");

}  // namespace

Q_DECLARE_METATYPE(Loss)
Q_DECLARE_METATYPE(Output)

class ListenEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void tonesAreReadAndSilenceIsNot_data();
    void tonesAreReadAndSilenceIsNot();
    void lostMicrophoneEndsWithAMessage_data();
    void lostMicrophoneEndsWithAMessage();
    void outputGoneEndsAtOnce_data();
    void outputGoneEndsAtOnce();
    void windowWithoutADisplaySaysWhy_data();
    void windowWithoutADisplaySaysWhy();

private:
    // Standard output is the harness's pipe, or the one `output` says.
    void startListening(const QString& server, std::optional<Output> output = std::nullopt);
    // Waits up to `ms` for a line on the pipe a reader row made.
    bool lineOnReaderPipe(int ms);
    // The complete lines the program has written so far.
    QStringList lines();
    bool endedWith(int code);

    QTemporaryDir dir_;
    harness::PrivateSoundServer sound_;
    harness::SinkPlayer player_;
    QProcess tolmary_;
    int readerPipe_ = -1;
    QByteArray output_;
    bool serverDamaged_ = false;
};

void ListenEndToEndTest::initTestCase() {
    QVERIFY(dir_.isValid());
    std::string why = sound_.start(dir_.path().toStdString(), sinkName);
    QVERIFY2(why.empty(), why.c_str());
    why = player_.start(sound_.address(), sinkName);
    QVERIFY2(why.empty(), why.c_str());
}

void ListenEndToEndTest::cleanup() {
    if (readerPipe_ != -1)
        ::close(readerPipe_);
    readerPipe_ = -1;
    if (tolmary_.state() != QProcess::NotRunning) {
        tolmary_.kill();
        tolmary_.waitForFinished(5000);
    }
    player_.silence();
    if (serverDamaged_) {
        serverDamaged_ = false;
        std::string why = sound_.restart();
        QVERIFY2(why.empty(), why.c_str());
        why = player_.start(sound_.address(), sinkName);
        QVERIFY2(why.empty(), why.c_str());
    }
}

void ListenEndToEndTest::startListening(const QString& server, std::optional<Output> output) {
    // A console without a desktop: no display of any kind, settings nowhere real.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("HOME", dir_.path());
    env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    env.insert("PULSE_SERVER", server);
    tolmary_.setProcessEnvironment(env);
    tolmary_.setStandardOutputFile(output == Output::diskFull ? "/dev/full" : QString());
    // A pipe of the test's own, whose reading end it can close.
    int pipe[2] = {-1, -1};
    if (output == Output::readerGoneInSilence || output == Output::readerGoneWhileReading)
        QVERIFY(::pipe2(pipe, O_CLOEXEC) == 0);
    readerPipe_ = pipe[0];
    tolmary_.setChildProcessModifier([output, writer = pipe[1]] {
        if (writer != -1)
            ::dup2(writer, STDOUT_FILENO);
        if (output == Output::closed)
            ::close(STDOUT_FILENO);
        if (output == Output::readOnly)
            ::dup2(::open("/dev/null", O_RDONLY), STDOUT_FILENO);
    });
    output_.clear();
    tolmary_.start(qEnvironmentVariable("TOLMARY_BINARY", QStringLiteral(TOLMARY_BINARY)),
                   {"--listen"});
    QVERIFY(tolmary_.waitForStarted());
    if (pipe[1] != -1)
        ::close(pipe[1]);
}

bool ListenEndToEndTest::lineOnReaderPipe(int ms) {
    pollfd wait{readerPipe_, POLLIN, 0};
    char c = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        if (::poll(&wait, 1, 100) == 1 && ::read(readerPipe_, &c, 1) == 1 && c == '\n')
            return true;
    return false;
}

QStringList ListenEndToEndTest::lines() {
    output_.append(tolmary_.readAllStandardOutput());
    QStringList complete = QString::fromUtf8(output_).split('\n');
    complete.removeLast();  // what follows the last newline is not a line yet
    return complete;
}

bool ListenEndToEndTest::endedWith(int code) {
    return tolmary_.waitForFinished(15000) && tolmary_.exitStatus() == QProcess::NormalExit &&
           tolmary_.exitCode() == code;
}

void ListenEndToEndTest::tonesAreReadAndSilenceIsNot_data() {
    QTest::addColumn<int>("note");
    QTest::addColumn<double>("cents");
    QTest::addColumn<double>("stiffness");
    QTest::addColumn<QString>("name");
    QTest::newRow("harmonic series E2 +3.0") << 40 << 3.0 << 0.0 << "E2";
    QTest::newRow("stiff string B3 -7.0") << 59 << -7.0 << 2e-4 << "B3";
    // The ends of what --listen reads: a five-string bass's low B, the first string's 24th fret.
    QTest::newRow("low end B0 +4.0") << 23 << 4.0 << 1e-4 << "B0";
    QTest::newRow("high end E6 -2.0") << 88 << -2.0 << 1e-4 << "E6";
}

void ListenEndToEndTest::tonesAreReadAndSilenceIsNot() {
    QFETCH(int, note);
    QFETCH(double, cents);
    QFETCH(double, stiffness);
    QFETCH(QString, name);
    const double hz = noteHz(note) * std::pow(2.0, cents / 1200.0);

    startListening(QString::fromStdString(sound_.address()));
    // Silence first (the monitor carries zeros): nothing is read, and the program waits.
    QTest::qWait(1500);
    QCOMPARE(tolmary_.state(), QProcess::Running);
    QCOMPARE(lines(), QStringList());

    const int underruns = player_.underruns();
    player_.play(steadyTone(hz, stiffness, 4.0));
    QTRY_VERIFY_WITH_TIMEOUT(!lines().isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!player_.playing(), 15000);
    // The last readings of the tone come while its end passes through the longest analysis
    // window (1 s), later on a busy machine: they are over once a second has brought none
    // (and if they never are, the check of the silence below fails).
    qsizetype before = -1;
    for (int second = 0; second < 8 && lines().size() != before; ++second) {
        before = lines().size();
        QTest::qWait(1000);
    }
    if (player_.underruns() != underruns)
        QSKIP("the machine starved the player: the tone had gaps and was no steady tone");
    const QStringList read = lines();
    QVERIFY2(read.size() >= 20, qPrintable(QString("%1 readings of 4 s").arg(read.size())));
    // The cents carry the decimals the reading's precision supports: two for nearly every
    // reading of a clean tone, fewer only where its end or its start falls in the window.
    const QRegularExpression line(R"(^([A-G]#?-?\d+) (\d+\.\d{3}) (-?\d+(?:\.(\d{1,2}))?)$)");
    int precise = 0;
    for (const QString& text : read) {
        const QRegularExpressionMatch m = line.match(text);
        QVERIFY2(m.hasMatch(), qPrintable("not NOTE HZ CENTS: " + text));
        QCOMPARE(m.captured(1), name);
        const double readHz = m.captured(2).toDouble();
        const double readCents = m.captured(3).toDouble();
        const auto decimals = m.captured(4).size();
        precise += decimals == 2;
        // What a reading may be off by, given the decimals it claims.
        const double tolerance = decimals == 2 ? 0.1 : decimals == 1 ? 1.0 : 3.0;
        QVERIFY2(std::abs(centsBetween(readHz, hz)) <= tolerance, qPrintable(text));
        QVERIFY2(std::abs(readCents - cents) <= tolerance, qPrintable(text));
        // The two columns tell the same reading (to their rounding).
        QVERIFY2(std::abs(readCents - centsBetween(readHz, noteHz(note))) <=
                     0.02 + 0.5 * std::pow(10.0, -static_cast<double>(decimals)),
                 qPrintable(text));
    }
    QVERIFY2(precise >= read.size() * 9 / 10,
             qPrintable(QString("%1 of %2 readings to a hundredth").arg(precise).arg(read.size())));

    // Silence again: no more lines.
    QTest::qWait(2000);
    QCOMPARE(lines().size(), read.size());

    ::kill(static_cast<pid_t>(tolmary_.processId()), SIGINT);
    QVERIFY2(endedWith(0), "Ctrl+C did not end the program with success");
    QCOMPARE(tolmary_.readAllStandardError(), QByteArray());
}

void ListenEndToEndTest::lostMicrophoneEndsWithAMessage_data() {
    QTest::addColumn<Loss>("loss");
    QTest::newRow("no sound server") << Loss::noServer;
    QTest::newRow("no source") << Loss::noSource;
    QTest::newRow("server killed while listening") << Loss::serverKilled;
    QTest::newRow("source removed while listening") << Loss::sourceRemoved;
}

void ListenEndToEndTest::lostMicrophoneEndsWithAMessage() {
    QFETCH(Loss, loss);
    serverDamaged_ = loss != Loss::noServer;
    if (loss == Loss::noSource)
        QVERIFY(sound_.unloadModule("module-null-sink"));
    startListening(loss == Loss::noServer ? "unix:" + dir_.filePath("no-server")
                                          : QString::fromStdString(sound_.address()));
    if (loss == Loss::serverKilled || loss == Loss::sourceRemoved) {
        // Listening for real first: a tone is read.
        player_.play(steadyTone(noteHz(45), 0.0, 10.0));
        QTRY_VERIFY_WITH_TIMEOUT(!lines().isEmpty(), 10000);
        if (loss == Loss::serverKilled)
            sound_.kill();
        else
            QVERIFY(sound_.unloadModule("module-null-sink"));
    }
    QVERIFY2(endedWith(1), "the program did not end with a failure");
    const QString error = QString::fromUtf8(tolmary_.readAllStandardError());
    QVERIFY2(error.startsWith(lostMessage) && error.endsWith(")\n") && error.count('\n') == 1,
             qPrintable(error));
}

void ListenEndToEndTest::outputGoneEndsAtOnce_data() {
    QTest::addColumn<Output>("output");
    QTest::addColumn<int>("code");
    QTest::newRow("reader gone in silence") << Output::readerGoneInSilence << 0;
    QTest::newRow("reader gone while reading") << Output::readerGoneWhileReading << 0;
    QTest::newRow("disk full (/dev/full)") << Output::diskFull << 1;
    QTest::newRow("output closed") << Output::closed << 1;
    QTest::newRow("output open for reading only") << Output::readOnly << 1;
}

void ListenEndToEndTest::outputGoneEndsAtOnce() {
    QFETCH(Output, output);
    QFETCH(int, code);
    startListening(QString::fromStdString(sound_.address()), output);
    switch (output) {
        case Output::readerGoneInSilence:
            QTest::qWait(1500);
            QCOMPARE(tolmary_.state(), QProcess::Running);
            ::close(std::exchange(readerPipe_, -1));
            break;
        case Output::readerGoneWhileReading:
            player_.play(steadyTone(noteHz(45), 0.0, 10.0));
            QVERIFY(lineOnReaderPipe(10000));
            ::close(std::exchange(readerPipe_, -1));
            break;
        case Output::diskFull:
            QTest::qWait(1500);
            player_.play(steadyTone(noteHz(45), 0.0, 14.0));
            break;
        case Output::closed:
        case Output::readOnly:
            break;
    }
    // At once: the tone plays on for seconds, and silence would never end the program. On a
    // full disk the end waits for a first reading, which the test cannot see: it is given the
    // time the other cases give a first reading on a starved machine, and the tone outlasts it.
    const int endsWithin = output == Output::diskFull ? 10000 : 3000;
    QVERIFY2(tolmary_.waitForFinished(endsWithin),
             qPrintable(QString("the program did not end (the player ran out of sound %1 times)")
                            .arg(player_.underruns())));
    QCOMPARE(tolmary_.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tolmary_.exitCode(), code);
    const QString error = QString::fromUtf8(tolmary_.readAllStandardError());
    if (code == 0)
        QCOMPARE(error, QString());
    else
        QVERIFY2(error.startsWith(writeMessage) && error.count('\n') == 1, qPrintable(error));
}

void ListenEndToEndTest::windowWithoutADisplaySaysWhy_data() {
    QTest::addColumn<QString>("display");
    QTest::newRow("no display set") << QString();
    QTest::newRow("a display nobody serves") << QStringLiteral(":97");
}

// Not Qt's English abort and a core dump: a Slovenian line and exit code 1.
void ListenEndToEndTest::windowWithoutADisplaySaysWhy() {
    QFETCH(QString, display);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    if (!display.isEmpty())
        env.insert("DISPLAY", display);
    env.insert("HOME", dir_.path());
    env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    tolmary_.setProcessEnvironment(env);
    tolmary_.start(qEnvironmentVariable("TOLMARY_BINARY", QStringLiteral(TOLMARY_BINARY)), {});
    QVERIFY(tolmary_.waitForStarted());
    QVERIFY(endedWith(1));
    const QString said = QString::fromUtf8(tolmary_.readAllStandardError());
    QVERIFY2(said.contains(QString::fromUtf8("ker ni zaslona")), qPrintable(said));
}

QTEST_GUILESS_MAIN(ListenEndToEndTest)
#include "test_listen_end_to_end.moc"
