// PipeWire's own stream on a private PipeWire stack whose null sink's monitor is recorded: it
// renders only from a resume until its source falls silent, and then costs nothing (the sink
// suspends); a note that resumes it while its last render is under way is not lost; the loss
// of the server is reported and a new stream plays once the server is back; and it is only
// taken where a PipeWire server with a sink answers.

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <utility>

#include "audio/pipewire_stream.h"
#include "tests/support/monitor_recorder.h"
#include "tests/support/private_sound_server.h"

namespace {

const std::string sinkName = "tolmary_stream";

// A tone for as many renders as it is given, then silence that asks the stream to pause.
class ScriptedSource final : public audio::AudioSource {
public:
    bool render(float* interleaved, int frames) override {
        ++renders;
        for (int i = 0; i < frames; ++i, phase_ += 0.06)
            interleaved[2 * i] = interleaved[2 * i + 1] = 0.3f * float(std::sin(phase_));
        if (budget.fetch_sub(1) > 0)
            return true;
        if (onSilence)
            std::exchange(onSilence, nullptr)();
        return false;
    }
    void streamLost() override { ++losses; }

    std::atomic<int> renders{0};
    std::atomic<int> budget{0};
    std::atomic<int> losses{0};
    // Runs inside the next render that returns false, once.
    std::function<void()> onSilence;

private:
    double phase_ = 0.0;
};

}  // namespace

class TestPipeWireStream : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const std::string why =
            sound_.start(dir_.path().toStdString(), sinkName,
                         dir_.filePath("sound.log").toStdString(), harness::ServerKind::pipewire);
        QVERIFY2(why.empty(), why.c_str());
        qputenv("PIPEWIRE_RUNTIME_DIR", dir_.path().toUtf8());
        startRecorder();
    }

    void cleanupTestCase() { recorder_.stop(); }

    void rendersOnlyFromAResumeUntilSilence() {
        ScriptedSource source;
        audio::PipeWireStream stream(source, {});
        stream.connect();
        QVERIFY2(stream.waitConnected(10000), stream.failure().c_str());
        QTest::qWait(500);
        QCOMPARE(source.renders.load(), 0);

        const std::int64_t before = recorder_.frames();
        source.budget = 20;
        stream.resume();
        QTRY_VERIFY_WITH_TIMEOUT(recorder_.peakSince(before) > 1000, 10000);
        // The render that found silence was the last.
        QTRY_COMPARE_WITH_TIMEOUT(source.renders.load(), 21, 10000);
        QTest::qWait(500);
        QCOMPARE(source.renders.load(), 21);
        // With the recorder gone too, nothing keeps the sink awake.
        recorder_.stop();
        QTRY_VERIFY_WITH_TIMEOUT(sinkState().contains("SUSPENDED"), 15000);
        startRecorder();

        // The next note is heard from the same stream.
        const std::int64_t again = recorder_.frames();
        source.budget = 20;
        stream.resume();
        QTRY_VERIFY_WITH_TIMEOUT(recorder_.peakSince(again) > 1000, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(source.renders.load(), 42, 10000);
        QCOMPARE(source.losses.load(), 0);
    }

    // A note-on while the render that found silence runs: its resume wins over the pause.
    void aResumeDuringTheLastRenderKeepsTheStreamRunning() {
        ScriptedSource source;
        audio::PipeWireStream stream(source, {});
        stream.connect();
        QVERIFY2(stream.waitConnected(10000), stream.failure().c_str());
        source.onSilence = [&] {
            source.budget = 30;
            stream.resume();
        };
        source.budget = 5;
        stream.resume();
        // 5 + 1 renders, then the 30 of the note that came during the sixth, then its silence.
        QTRY_COMPARE_WITH_TIMEOUT(source.renders.load(), 37, 10000);
        QTest::qWait(500);
        QCOMPARE(source.renders.load(), 37);
    }

    // The server dies: the stream says so once, and a new stream plays once it is back.
    void lossIsReportedAndANewStreamPlaysAfterTheRestart() {
        ScriptedSource source;
        auto stream = std::make_unique<audio::PipeWireStream>(source, audio::PipeWireOptions{});
        stream->connect();
        QVERIFY2(stream->waitConnected(10000), stream->failure().c_str());
        source.budget = 1000000;
        stream->resume();
        QTRY_VERIFY_WITH_TIMEOUT(source.renders.load() > 10, 10000);

        sound_.kill();
        recorder_.stop();
        QTRY_COMPARE_WITH_TIMEOUT(source.losses.load(), 1, 10000);
        QVERIFY(!stream->failure().empty());
        stream.reset();

        const std::string why = sound_.restart();
        QVERIFY2(why.empty(), why.c_str());
        startRecorder();
        ScriptedSource next;
        audio::PipeWireStream again(next, {});
        again.connect();
        QVERIFY2(again.waitConnected(10000), again.failure().c_str());
        const std::int64_t before = recorder_.frames();
        next.budget = 50;
        again.resume();
        QTRY_VERIFY_WITH_TIMEOUT(recorder_.peakSince(before) > 1000, 10000);
        QCOMPARE(source.losses.load(), 1);
    }

    // Only a PipeWire server that has somewhere to play is taken; without one the stream
    // fails at once (no server) or on the server's answer (no sink), never on a timeout.
    void connectsOnlyWhereAPipeWireServerHasASink_data() {
        QTest::addColumn<bool>("serverThere");
        QTest::addColumn<bool>("sinkThere");
        QTest::addColumn<QString>("failure");
        QTest::newRow("server with a sink") << true << true << QString();
        QTest::newRow("no server") << false << true << "no PipeWire server";
        QTest::newRow("server without a sink") << true << false << "PipeWire has no sink";
    }
    void connectsOnlyWhereAPipeWireServerHasASink() {
        QFETCH(bool, serverThere);
        QFETCH(bool, sinkThere);
        QFETCH(QString, failure);
        QTemporaryDir empty;
        qputenv("PIPEWIRE_RUNTIME_DIR", (serverThere ? dir_.path() : empty.path()).toUtf8());
        if (!sinkThere)
            QVERIFY(sound_.unloadModule("module-null-sink"));
        ScriptedSource source;
        bool connected = false;
        std::string why;
        {
            audio::PipeWireStream stream(source, {});
            stream.connect();
            // No server: decided inside connect(), before any wait.
            connected = stream.waitConnected(serverThere ? 10000 : 0);
            why = stream.failure();
        }
        qputenv("PIPEWIRE_RUNTIME_DIR", dir_.path().toUtf8());
        QCOMPARE(connected, failure.isEmpty());
        QCOMPARE(QString::fromStdString(why), failure);
        QCOMPARE(source.losses.load(), failure.isEmpty() ? 0 : 1);
    }

private:
    void startRecorder() {
        const std::string why = recorder_.start(sound_.address(), sound_.monitor());
        QVERIFY2(why.empty(), why.c_str());
        const std::int64_t before = recorder_.frames();
        QTRY_VERIFY_WITH_TIMEOUT(recorder_.frames() > before + harness::sinkRate / 4, 15000);
    }
    // The sink's line of `pactl list short sinks`.
    QString sinkState() {
        QProcess pactl;
        pactl.start("pactl", {QString::fromStdString("--server=" + sound_.address()), "list",
                              "short", "sinks"});
        pactl.waitForFinished(10000);
        for (const QString& line : QString::fromUtf8(pactl.readAllStandardOutput()).split('\n'))
            if (line.contains(QString::fromStdString(sinkName)))
                return line;
        return {};
    }

    QTemporaryDir dir_;
    harness::PrivateSoundServer sound_;
    harness::MonitorRecorder recorder_;
};

QTEST_GUILESS_MAIN(TestPipeWireStream)
#include "test_pipewire_stream.moc"
