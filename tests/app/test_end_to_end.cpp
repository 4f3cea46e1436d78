// The real program on an X server with its own empty settings folder and its own sound server
// (a null sink whose monitor is recorded): a mouse click on a string button is heard, the
// window manager's close request stores the six choices, and the next start restores them.
// The sound path as a desktop treats it: a note stays whole while other processes load the
// cores, the program lives through a restart of the sound server and is heard again after it,
// and follows a change of the default output. In the chord window, "Zaigraj" strums "E dur"
// without a dropout: its strings come in lowest first, and all six sound at their exact pitch.
//
// TOLMARY_TEST_SOUND_SERVER=pipewire runs them on a private PipeWire stack instead of PulseAudio,
// with the PulseAudio protocol closed to the program: it is heard through PipeWire's own API or
// not at all. TOLMARY_BINARY=/path/to/tolmary runs the cases against another build.

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cmath>
#include <string>

#include "pitch/pitch_estimator.h"
#include "pitch/windowed_spectrum.h"
#include "tests/app/x11_window.h"
#include "tests/support/host_stalls.h"
#include "tests/support/monitor_recorder.h"
#include "tests/support/private_sound_server.h"

namespace {

// The sanitizers slow the program several times over: whether its sound keeps up with the
// server (no dropouts under load, a strum's strings struck in their time) is measured by the
// plain build, the sanitized one checks all the rest. A render that falls behind starts the
// strings struck meanwhile together when it catches up.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool realTimeMeasured = false;
#else
constexpr bool realTimeMeasured = true;
#endif

using harness::sinkRate;
const std::string sinkName = "tolmary_e2e";

// A virtual machine's host may take a processor away, and the sound server then leaves part of
// a sound silent whatever the program does: dropouts were seen beside pauses of 8 ms, on both
// processors at once. On a bare machine a real-time thread is held back well under 1 ms, so a
// sound heard while the host took 5 ms or more is played again, up to three times in all.
constexpr double hostStallSeconds = 0.005;
constexpr int soundAttempts = 3;

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

bool clickAt(unsigned long window, int x, int y) {
    return xdotool({"mousemove", "--window", QString::number(window), QString::number(x),
                    QString::number(y), "click", "1"});
}

// The strum of "E dur": E2 B2 E3 G#3 B3 E4, lowest first.
constexpr std::array<int, 6> eMajorStrum{40, 47, 52, 56, 59, 64};
// The strings of the strum whose fundamentals no other string shares: the other three are
// octaves of lower strings (E3 and E4 of E2, B3 of B2), whose partials they sound on.
constexpr std::array<int, 3> ownFundamentals{40, 47, 56};
constexpr double ownToleranceCents = 0.7;
// E4 merges with two lower strings' partials (E3's 2nd, E2's 4th): its peak has landed 0.4,
// 0.76 and 1.57 c off in runs of one build. A wrong reference or correction is several cents.
constexpr double mergedToleranceCents = 2.0;

// How loud `hz` sounds around each frame of `sound`: its component averaged over 1/41.2 s. Every
// partial of the strum lies near the grid of half E2's frequency, 41.2 Hz, so the neighbouring
// partials fall on the average's nulls.
std::vector<double> envelopeAt(const std::vector<float>& sound, double hz) {
    const auto span = std::size_t(std::lround(sinkRate / (pitch::noteFrequencyHz(40) / 2)));
    std::vector<double> re(sound.size() + 1, 0.0);
    std::vector<double> im(sound.size() + 1, 0.0);
    for (std::size_t n = 0; n < sound.size(); ++n) {
        const double phase = 2 * M_PI * hz * double(n) / sinkRate;
        re[n + 1] = re[n] + sound[n] * std::cos(phase);
        im[n + 1] = im[n] + sound[n] * std::sin(phase);
    }
    std::vector<double> level(sound.size(), 0.0);
    for (std::size_t n = span; n <= sound.size(); ++n)
        level[n - span / 2 - 1] = std::hypot(re[n] - re[n - span], im[n] - im[n - span]);
    return level;
}

// When the fundamental of `note` first reaches half of the most it reaches in `sound` and
// stays over a quarter of it for 30 ms, in ms. A string's fundamental takes some tens of
// milliseconds to build up after it is struck, so this is later than the strike, by about as
// much for each string. Another string's strike leaks into the band for as long as the
// envelope's window (24 ms): where the string's own most is low (its partials beating with
// the others'), that alone once reached half of it, before the string was struck.
double halfLevelMs(const std::vector<float>& sound, int note) {
    const std::vector<double> level = envelopeAt(sound, pitch::noteFrequencyHz(note));
    const double most = *std::max_element(level.begin(), level.end());
    const auto hold = static_cast<std::ptrdiff_t>(0.03 * sinkRate);
    for (auto at = level.begin(); at != level.end(); ++at)
        if (*at >= most / 2 && std::all_of(at, level.end() - at > hold ? at + hold : level.end(),
                                           [&](double l) { return l >= most / 4; }))
            return double(at - level.begin()) * 1000.0 / sinkRate;
    return double(level.size()) * 1000.0 / sinkRate;
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
    void chordStrumIsHeard();

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
    // Whether the host took the processors away for long enough, since hostStalls_ was
    // restarted, to explain the dropouts in `gaps`: then it says so, and the sound is played
    // again.
    bool hostExplains(const harness::GapCount& gaps) const;

    QTemporaryDir dir_;
    harness::PrivateSoundServer sound_;
    harness::MonitorRecorder recorder_;
    harness::HostStalls hostStalls_;
    QProcess tolmary_;
};

void EndToEndTest::initTestCase() {
    QVERIFY(dir_.isValid());
    const auto kind = qEnvironmentVariable("TOLMARY_TEST_SOUND_SERVER") == "pipewire"
                          ? harness::ServerKind::pipewire
                          : harness::ServerKind::pulseaudio;
    const std::string why = sound_.start(dir_.path().toStdString(), sinkName,
                                         dir_.filePath("sound.log").toStdString(), kind);
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
    env.insert("PIPEWIRE_RUNTIME_DIR", dir_.path());
    env.insert("PULSE_SERVER", sound_.kind() == harness::ServerKind::pipewire
                                   ? dir_.filePath("no-pulseaudio-here")
                                   : QString::fromStdString(sound_.address()));
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
    QCOMPARE(storedChoices().value("A4").toString(), QStringLiteral("440"));
    QCOMPARE(storedChoices().size(), 7);
}

bool EndToEndTest::hostExplains(const harness::GapCount& gaps) const {
    const double stalled = hostStalls_.longestSeconds();
    if (gaps.gaps == 0 || stalled < hostStallSeconds)
        return false;
    qWarning("%d dropouts while the host took %.0f ms: played again", gaps.gaps, 1000.0 * stalled);
    return true;
}

void EndToEndTest::noteUnderLoadHasNoDropouts() {
    const unsigned long window = openTuner(3);
    QVERIFY(window != 0);
    harness::GapCount gaps;
    for (int attempt = 1; attempt <= soundAttempts; ++attempt) {
        hostStalls_.restart();
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
        gaps = harness::countGaps(recorder_.magnitudes(beforeClick, recorder_.frames()));
        if (attempt == soundAttempts || !hostExplains(gaps))
            break;
    }
    QVERIFY2(!realTimeMeasured || gaps.gaps == 0,
             qPrintable(QString("%1 dropouts inside the note, the longest %2 "
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

void EndToEndTest::chordStrumIsHeard() {
    const unsigned long tuner = openTuner(2);
    QVERIFY(tuner != 0);
    QVERIFY(clickAt(tuner, 56, 360));  // "Akordi"
    const unsigned long chords = findWindow(QStringLiteral("Akordi"));
    QVERIFY2(chords != 0, "the chord window did not appear");
    QTest::qWait(300);
    QVERIFY(clickAt(chords, 44, 252));  // "E dur"
    std::int64_t start = 0;
    harness::GapCount gaps;
    for (int attempt = 1; attempt <= soundAttempts; ++attempt) {
        QTest::qWait(300);
        hostStalls_.restart();
        const std::int64_t beforeClick = recorder_.frames();
        QVERIFY(clickAt(chords, 624, 404));  // "Zaigraj"
        QTRY_VERIFY_WITH_TIMEOUT(peakSince(beforeClick) > 1000, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(recorder_.frames() > beforeClick + 3 * sinkRate &&
                                     peakSince(framesBefore(0.2)) < harness::soundThreshold,
                                 15000);
        const std::vector<int> loudness = recorder_.magnitudes(beforeClick, recorder_.frames());
        const auto first = std::find_if(loudness.begin(), loudness.end(),
                                        [](int m) { return m > harness::soundThreshold; });
        QVERIFY(first != loudness.end());
        start = beforeClick + (first - loudness.begin());
        gaps = harness::countGaps(loudness);
        if (attempt == soundAttempts || !hostExplains(gaps))
            break;
    }
    QVERIFY2(!realTimeMeasured || gaps.gaps == 0,
             qPrintable(QString("%1 dropouts in the strum").arg(gaps.gaps)));

    // The strings with fundamentals of their own rise low to high, well apart: 30 and 60 ms
    // between their strikes, smeared by how fast each builds up.
    const std::vector<float> rise = recorder_.samples(start, start + sinkRate * 4 / 10);
    QStringList risen;
    std::vector<double> risenMs;
    for (const int note : ownFundamentals) {
        risenMs.push_back(halfLevelMs(rise, note));
        risen << QString("%1:%2").arg(note).arg(risenMs.back(), 0, 'f', 1);
    }
    qInfo("half level after the first sound, ms: %s", qPrintable(risen.join(' ')));
    for (std::size_t i = 1; i < risenMs.size(); ++i)
        QVERIFY2(!realTimeMeasured || risenMs[i] - risenMs[i - 1] >= 20.0,
                 qPrintable(risen.join(' ')));
    QVERIFY2(risenMs.back() <= 250.0, qPrintable(risen.join(' ')));

    // Once all six ring, each string's fundamental at its equal-tempered pitch. The octaves'
    // fundamentals merge with the lower strings' partials, which must be nearly as exact: the
    // recorded partial lies a fraction of a cent off the exact octave, and in one second the
    // two beat too slowly to part, so the merged peak lands between them by their phases,
    // which the strum's timing sets.
    const std::int64_t allRinging = start + sinkRate / 4;
    const std::vector<float> ringing = recorder_.samples(allRinging, allRinging + sinkRate);
    const pitch::Spectrum spectrum(ringing.data(), ringing.size(), sinkRate);
    QStringList errors;
    bool allClose = true;
    for (const int note : eMajorStrum) {
        const double expected = pitch::noteFrequencyHz(note);
        const auto peak = spectrum.peakNear(expected, 50.0);
        QVERIFY2(peak.has_value(), qPrintable(QString("nothing near note %1").arg(note)));
        const double cents = pitch::centsBetween(peak->hz, expected);
        errors << QString("%1:%2").arg(note).arg(cents, 0, 'f', 2);
        const bool own = std::ranges::find(ownFundamentals, note) != ownFundamentals.end();
        allClose = allClose && std::abs(cents) <= (own ? ownToleranceCents : mergedToleranceCents);
    }
    qInfo("pitch errors in cents: %s", qPrintable(errors.join(' ')));
    QVERIFY2(allClose, qPrintable(errors.join(' ')));
    QVERIFY(x11::sendCloseRequest(chords));
    closeByWindowManager(tuner);
}

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
