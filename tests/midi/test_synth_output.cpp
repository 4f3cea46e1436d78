// The built-in synth's audio output as a state machine, on a fake sound server that the test
// drives frame by frame: paused while silent, running from a note-on until its release and a
// hold of silence are over, lost with the server and connected again by the next note. Also
// the order in which an open synth shuts down.

#include <QtTest>

#include <atomic>
#include <thread>

#include "midi/fluid_engine.h"
#include "midi/soundfonts.h"
#include "midi/synth_device.h"
#include "midi/synth_output.h"
#include "tests/support/fake_audio.h"

using namespace midi;
using testing::FakeAudio;

namespace {

constexpr double blockSeconds = 0.01;
// Louder than any rounding noise, far below a note at full velocity.
constexpr float audible = 1e-3f;

std::uint32_t word(int status, int data1, int data2 = 0) {
    return static_cast<std::uint32_t>(status | (data1 << 8) | (data2 << 16));
}

SynthSetup setupWith(FakeAudio& audio) {
    SynthSetup setup;
    const SoundFontChoice font = installedSoundFont();
    setup.engine.soundFont = font.path;
    setup.engine.gain = font.gain;
    setup.outputs = {audio.backend()};
    return setup;
}

class Rig {
public:
    Rig() {
        std::string error;
        synth = SynthDevice::open(setupWith(audio), error);
        if (!synth)
            qWarning("synth: %s", error.c_str());
    }
    void noteOn(int note = 64) { synth->send(decodeShortMessage(word(0x91, note, 127))); }
    void noteOff(int note = 64) { synth->send(decodeShortMessage(word(0x81, note))); }
    SynthOutput::State state() const { return synth->output()->state(); }
    int blockFrames() const { return int(blockSeconds * synth->engine()->sampleRate()); }
    float pullBlock() { return audio.pull(blockFrames()); }
    // Loudest sample over `seconds` of pulling.
    float pullSeconds(double seconds) {
        float peak = 0.0f;
        for (int i = 0; i < int(seconds / blockSeconds + 0.5); ++i)
            peak = std::max(peak, pullBlock());
        return peak;
    }
    // Seconds pulled until the synth's voices have all ended (or `limit`).
    double pullUntilVoicesEnd(double limit) {
        double seconds = 0.0;
        while (synth->engine()->activeVoices() > 0 && seconds < limit) {
            pullBlock();
            seconds += blockSeconds;
        }
        return seconds;
    }

    FakeAudio audio;
    std::unique_ptr<SynthDevice> synth;
};

}  // namespace

class TestSynthOutput : public QObject {
    Q_OBJECT

private slots:
    void pausedUntilANoteThenPausedAgainOnceSilent() {
        Rig rig;
        QVERIFY(rig.synth);
        QCOMPARE(rig.state(), SynthOutput::State::paused);
        QCOMPARE(rig.audio.stream()->resumes, 0);
        // Nothing asks for audio while nothing sounds.
        QCOMPARE(rig.pullSeconds(2.0), 0.0f);

        rig.noteOn();
        QCOMPARE(rig.state(), SynthOutput::State::running);
        // The note is in the very first block the server asks for.
        QVERIFY(rig.pullBlock() > audible);
        QVERIFY(rig.pullSeconds(1.0) > 0.05f);

        // Held notes never pause the stream; the release is played out, then the hold.
        rig.noteOff();
        QVERIFY(rig.pullUntilVoicesEnd(5.0) < 5.0);
        QCOMPARE(rig.state(), SynthOutput::State::running);
        rig.pullSeconds(SynthOutput::holdSeconds - 2 * blockSeconds);
        QCOMPARE(rig.state(), SynthOutput::State::running);
        rig.pullSeconds(2 * blockSeconds);
        QCOMPARE(rig.state(), SynthOutput::State::paused);
        QVERIFY(!rig.audio.stream()->running());

        // The next note resumes the same stream and is heard at once.
        rig.noteOn(40);
        QCOMPARE(rig.state(), SynthOutput::State::running);
        QCOMPARE(rig.audio.made, 1);
        QVERIFY(rig.pullBlock() > audible);
    }

    // A note-on during the hold keeps the stream running and counts the hold again.
    void aNoteDuringTheHoldStartsItAgain() {
        Rig rig;
        QVERIFY(rig.synth);
        rig.noteOn();
        rig.noteOff();
        rig.pullUntilVoicesEnd(5.0);
        rig.pullSeconds(SynthOutput::holdSeconds / 2);
        rig.noteOn(45);
        rig.noteOff(45);
        rig.pullUntilVoicesEnd(5.0);
        rig.pullSeconds(SynthOutput::holdSeconds - 2 * blockSeconds);
        QCOMPARE(rig.state(), SynthOutput::State::running);
        QCOMPARE(rig.audio.stream()->resumes, 2);
    }

    // More changes than the engine's queue holds come while nothing renders: the stream is
    // woken to make room, and none is lost, the note-off at the end least of all.
    void aFullQueueIsRenderedNotDropped_data() {
        QTest::addColumn<int>("changes");
        // The note-on's wake renders at once, so the changes and the note-off have it all.
        QTest::newRow("fits") << int(FluidEngine::queueCapacity) - 1;
        QTest::newRow("one too many") << int(FluidEngine::queueCapacity);
        QTest::newRow("three times the queue") << 3 * int(FluidEngine::queueCapacity);
    }
    void aFullQueueIsRenderedNotDropped() {
        QFETCH(int, changes);
        Rig rig;
        QVERIFY(rig.synth);
        int woken = 0;
        rig.audio.onResume = [&] {
            ++woken;
            rig.pullBlock();
        };
        rig.noteOn();
        for (int i = 0; i < changes; ++i)
            QCOMPARE(rig.synth->send(decodeShortMessage(word(0xB1, 7, 100 + i % 2))), 0);
        QCOMPARE(rig.synth->send(decodeShortMessage(word(0x81, 64))), 0);
        rig.audio.onResume = nullptr;
        QCOMPARE(woken > 1, changes + 1 > int(FluidEngine::queueCapacity));
        QVERIFY(rig.pullUntilVoicesEnd(5.0) < 5.0);
    }

    // The server goes away while a note sounds. The note is dropped, never to sound later;
    // the next note-on connects a new stream and is heard once a server is there.
    void serverLostThenTheNextNoteConnectsAgain_data() {
        QTest::addColumn<bool>("serverBackBeforeNextNote");
        QTest::newRow("server back before the next note") << true;
        QTest::newRow("server still gone at the next note") << false;
    }
    void serverLostThenTheNextNoteConnectsAgain() {
        QFETCH(bool, serverBackBeforeNextNote);
        Rig rig;
        QVERIFY(rig.synth);
        rig.noteOn(40);
        QVERIFY(rig.pullSeconds(0.2) > audible);
        rig.audio.loseServer();
        QCOMPARE(rig.state(), SynthOutput::State::lost);

        rig.audio.serverUp = serverBackBeforeNextNote;
        rig.noteOn(64);
        QCOMPARE(rig.audio.made, 2);
        if (!serverBackBeforeNextNote) {
            // Not heard, not kept for later, and nothing blocked.
            QCOMPARE(rig.state(), SynthOutput::State::lost);
            rig.noteOff(64);
            rig.audio.serverUp = true;
            rig.noteOn(64);
            QCOMPARE(rig.audio.made, 3);
        }
        QCOMPARE(rig.state(), SynthOutput::State::running);
        QVERIFY(rig.pullBlock() > audible);
        // Only the new note sounds: those the server took away, or that sounded while it was
        // gone, do not come back.
        QCOMPARE(rig.synth->engine()->activeVoices(), 1);
    }

    void openFailsWithTheReason_data() {
        QTest::addColumn<QString>("soundFont");
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no output connects")
            << QString(installedSoundFont().path) << false
            << "no audio output could be opened (fake: server down; second: server down)";
        QTest::newRow("missing SoundFont")
            << "/nonexistent/font.sf2" << true << "cannot load SoundFont '/nonexistent/font.sf2'";
    }
    void openFailsWithTheReason() {
        QFETCH(QString, soundFont);
        QFETCH(bool, serverUp);
        QFETCH(QString, reason);
        FakeAudio audio;
        audio.serverUp = serverUp;
        SynthSetup setup = setupWith(audio);
        setup.engine.soundFont = soundFont.toStdString();
        setup.outputs.push_back(audio.backend("second"));
        std::string error;
        QVERIFY(!SynthDevice::open(setup, error));
        QVERIFY2(QString::fromStdString(error).startsWith(reason), error.c_str());
        QCOMPARE(audio.stream(), nullptr);
    }

    // The second way out is taken when the first does not connect.
    void theNextBackendServesWhenTheFirstFails() {
        FakeAudio down;
        down.serverUp = false;
        FakeAudio up;
        SynthSetup setup = setupWith(down);
        setup.outputs.push_back(up.backend());
        std::string error;
        auto synth = SynthDevice::open(setup, error);
        QVERIFY(synth);
        QCOMPARE(down.made, 1);
        QVERIFY(up.stream());
    }

    // Closing the port while a calibration runs in the background: the calibration is
    // stopped before the sound output closes, and the output before the engine goes, so
    // nothing writes into a synth that is gone.
    void closingStopsASlowCalibrationBeforeTheSoundGoes() {
        QTemporaryDir cache;
        FakeAudio audio;
        SynthSetup setup = setupWith(audio);
        setup.corrections.shipped = {};
        setup.corrections.cacheDir = cache.path().toStdString();
        std::atomic<bool> calibrating{false};
        setup.corrections.calibrator = [&](const std::atomic<bool>* cancel) {
            calibrating = true;
            while (!cancel->load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            calibrating = false;
            return std::optional<pitch::Calibration>();
        };
        int closes = 0;
        bool calibratingAtClose = true;
        audio.onStreamClosed = [&] {
            ++closes;
            calibratingAtClose = calibrating.load();
        };
        SystemMidiPort port(setup);
        QCOMPARE(port.open(mapperId), result::ok);
        QTRY_VERIFY(calibrating.load());
        QCOMPARE(port.close(), result::ok);
        QCOMPARE(closes, 1);
        QVERIFY(!calibratingAtClose);
    }
};

QTEST_GUILESS_MAIN(TestSynthOutput)
#include "test_synth_output.moc"
