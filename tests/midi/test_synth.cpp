// The built-in synth's real sound path rendered offline, as the tuner plays (program change,
// then note-on on channel index 1): pitch and level of the guitar programs, every reference
// note within half a cent once the corrections are loaded, the device failing cleanly without
// audio output, and the decoding of words into wire bytes.

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "midi/midi_lib.h"
#include "midi/soundfonts.h"
#include "midi/synth_device.h"
#include "midi/system_midi_port.h"
#include "pitch/pitch_correction_loader.h"
#include "pitch/pitch_estimator.h"
#include "pitch/reference_pitch.h"
#include "tests/support/fake_midi.h"

using namespace midi;
using namespace pitch;

namespace {

void sendWord(SynthDevice& synth, int status, int data1, int data2 = 0) {
    synth.send(
        decodeShortMessage(static_cast<std::uint32_t>(status | (data1 << 8) | (data2 << 16))));
}

std::unique_ptr<SynthDevice> offlineSynth() {
    const SoundFontChoice font = installedSoundFont();
    EngineOptions options;
    options.soundFont = font.path;
    options.gain = font.gain;
    std::string error;
    auto engine = FluidEngine::create(options, error);
    if (!engine) {
        qWarning("engine: %s", error.c_str());
        return nullptr;
    }
    return std::make_unique<SynthDevice>(std::move(engine));
}

// Silences the channel, plays `note` (after a program change when given) and returns the mix
// of both channels.
std::vector<float> renderNote(SynthDevice& synth, int note, double seconds,
                              std::optional<int> program = std::nullopt) {
    sendWord(synth, 0xB1, 120);  // all sound off
    if (program)
        sendWord(synth, 0xC1, *program);
    sendWord(synth, 0x91, note, 127);
    const auto frames = static_cast<std::size_t>(seconds * synth.engine()->sampleRate());
    std::vector<float> left(frames), right(frames);
    synth.engine()->render(left.data(), right.data(), static_cast<int>(frames));
    sendWord(synth, 0x81, note);
    for (std::size_t i = 0; i < frames; ++i)
        left[i] = 0.5f * (left[i] + right[i]);
    return left;
}

// Cents from the note's equal-tempered pitch at a reference `offsetCents` from 440 Hz; NaN
// (failing any comparison) when the note cannot be measured.
double centsOff(SynthDevice& synth, const std::vector<float>& sound, int note,
                double offsetCents = 0) {
    const double target = noteFrequencyHz(note) * std::exp2(offsetCents / 1200);
    const auto hz =
        estimateFundamentalHz(sound.data(), sound.size(), synth.engine()->sampleRate(), target);
    return hz ? centsBetween(*hz, target) : std::nan("");
}

// Plays `note` as the tuner does (a program change only when asked) and measures it.
double playAndMeasure(SynthDevice& synth, int note, std::optional<int> program,
                      double offsetCents = 0) {
    return centsOff(synth, renderNote(synth, note, 1.2, program), note, offsetCents);
}

}  // namespace

class TestSynth : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("XDG_CACHE_HOME", cacheDir_.path().toUtf8());
    }

    void defaultSoundFontIsTheSteadyOne() {
        QCOMPARE(QString(installedSoundFont().path), QString("/usr/share/sounds/sf2/TimGM6mb.sf2"));
    }

    void guitarNotesSoundTheirPitchAudiblyWithoutClipping_data() {
        QTest::addColumn<int>("program");
        QTest::addColumn<int>("note");
        for (int program = 24; program <= 30; ++program)
            for (int note : {64, 40})  // strings 1 and 6 of standard tuning
                QTest::addRow("program %d note %d", program, note) << program << note;
    }

    void guitarNotesSoundTheirPitchAudiblyWithoutClipping() {
        QFETCH(int, program);
        QFETCH(int, note);
        auto synth = offlineSynth();
        QVERIFY(synth);
        const std::vector<float> sound = renderNote(*synth, note, 2.0, program);

        const float peak = std::ranges::max(sound, {}, [](float v) { return std::fabs(v); });
        const double dbfs = 20.0 * std::log10(std::max(std::fabs(peak), 1e-9f));
        QVERIFY2(dbfs >= -12.0 && dbfs <= -1.0, qPrintable(QString("peak %1 dBFS").arg(dbfs)));

        const auto cents = centsOff(*synth, sound, note);
        QVERIFY2(std::fabs(cents) <= 10.0, qPrintable(QString("%1 cents off").arg(cents)));
    }

    void mapperFailsCleanlyWithoutAudioOutput() {
        // No reachable sound server and no sound card, whatever this machine has.
        qputenv("PULSE_SERVER", "unix:/nonexistent/tolmary-test-socket");
        qputenv("ALSA_CARD", "tolmary-no-such-card");
        qputenv("ALSA_CONFIG_PATH", QByteArray(TOLMARY_TEST_DIR) + "/no-alsa.conf");
        SystemMidiPort port;
        testing::VirtualWaitHost host;
        MIDILib lib(port, host);
        std::int32_t code = 0;
        QVERIFY(!lib.connectMIDI(mapperId, code));
        QCOMPARE(code, result::noDevice);
        QVERIFY(!port.lastError().empty());
        QVERIFY(!lib.deviceOpen());
        // Sends to the closed device are lost quietly.
        QCOMPARE(port.shortMsg(0x007F4091u), result::invalidHandle);
        lib.playNote(64, 0);
        qunsetenv("PULSE_SERVER");
        qunsetenv("ALSA_CARD");
        qunsetenv("ALSA_CONFIG_PATH");
    }

    void sequencerIdsWithoutPortsAreBadIds() {
        SystemMidiPort port;
        const int n = port.count();
        std::string name = "unchanged";
        QCOMPARE(port.deviceName(n, name), result::badDeviceId);
        QCOMPARE(name, std::string("unchanged"));
        QCOMPARE(port.open(n), result::badDeviceId);
        QCOMPARE(port.open(-2), result::badDeviceId);
        QCOMPARE(port.close(), result::invalidHandle);
    }

    void decodesWordsIntoWireBytes_data() {
        QTest::addColumn<uint>("word");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("note-on") << 0x007F4091u << QByteArray("\x91\x40\x7F", 3);
        QTest::newRow("note-off") << 0x00004081u << QByteArray("\x81\x40\x00", 3);
        QTest::newRow("program change has one data byte")
            << 0x000019C1u << QByteArray("\xC1\x19", 2);
        QTest::newRow("channel pressure") << 0x000040D1u << QByteArray("\xD1\x40", 2);
        QTest::newRow("pitch bend") << 0x004000E1u << QByteArray("\xE1\x00\x40", 3);
        QTest::newRow("reset") << 0x000000FFu << QByteArray("\xFF", 1);
        QTest::newRow("data byte in the status place") << 0x00004040u << QByteArray();
        QTest::newRow("system exclusive never fits") << 0x000000F0u << QByteArray();
    }

    void decodesWordsIntoWireBytes() {
        QFETCH(uint, word);
        QFETCH(QByteArray, bytes);
        const ShortMessage m = decodeShortMessage(word);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(m.bytes.data()), int(m.size)), bytes);
    }
    void everyNoteWithinHalfACent_data() {
        QTest::addColumn<int>("program");
        for (int program = firstGuitarProgram; program <= lastGuitarProgram; ++program)
            QTest::addRow("program %d", program) << program;
    }
    void everyNoteWithinHalfACent() {
        QFETCH(int, program);
        const SoundFontChoice font = installedSoundFont();
        auto synth = offlineSynth();
        QVERIFY(synth);
        // The default SoundFont ships its table: found by its content hash, no calibration.
        PitchCorrectionLoader loader(
            font.path, [&](const PitchCorrections& c) { synth->keyTuning().setCorrections(c); },
            CorrectionLookup{});
        QCOMPARE(loader.wait(), CorrectionSource::shipped);
        QVERIFY(synth->keyTuning().hasCorrections());

        sendWord(*synth, 0xC1, program);
        for (int note = firstCalibratedNote; note <= lastCalibratedNote; ++note) {
            const auto cents = playAndMeasure(*synth, note, std::nullopt);
            QVERIFY2(std::abs(cents) < 0.5,
                     qPrintable(QString("note %1: %2 cent").arg(note).arg(cents)));
        }
    }

    // At any reference A4 every note the tuner plays, of every guitar program, sounds within
    // half a cent of its pitch (the estimator reads these renders to a hundredth or two),
    // whether the reference or the SoundFont's corrections came first. The synth moves notes
    // by whole cents only, so each note must pick its own: one rounded offset for all leaves
    // notes up to a cent off where the offset lies halfway between two whole cents (446 and
    // 462 Hz above one, 421 Hz below). Half a semitone away (421 and 462 Hz) notes sound
    // their neighbours' samples, two to four cents off without the neighbours' corrections.
    void everyNoteFollowsTheReference_data() {
        QTest::addColumn<int>("a4");
        QTest::addColumn<bool>("referenceFirst");
        QTest::newRow("421 Hz, set once corrected") << 421 << false;
        QTest::newRow("432 Hz, set once corrected") << 432 << false;
        QTest::newRow("446 Hz, set before the corrections") << 446 << true;
        QTest::newRow("462 Hz, set once corrected") << 462 << false;
    }
    void everyNoteFollowsTheReference() {
        QFETCH(int, a4);
        QFETCH(bool, referenceFirst);
        const double offset = referenceOffsetCents(a4);
        auto synth = offlineSynth();
        QVERIFY(synth);
        if (referenceFirst)
            synth->setTuningOffset(offset);
        PitchCorrectionLoader loader(
            installedSoundFont().path,
            [&](const PitchCorrections& c) { synth->keyTuning().setCorrections(c); },
            CorrectionLookup{});
        QCOMPARE(loader.wait(), CorrectionSource::shipped);
        if (!referenceFirst)
            synth->setTuningOffset(offset);
        double worst = 0;
        QString worstNote;
        for (int program = firstGuitarProgram; program <= lastGuitarProgram; ++program) {
            for (int note = firstTunerNote; note <= lastTunerNote; ++note) {
                const double cents = playAndMeasure(*synth, note, program, offset);
                if (!(std::abs(cents) <= worst)) {
                    worst = std::abs(cents);
                    worstNote =
                        QString("program %1 note %2: %3 cent").arg(program).arg(note).arg(cents);
                }
            }
        }
        QVERIFY2(worst < 0.5 + 0.03, qPrintable(worstNote));
    }

    // Corrections found after the program change still reach the channel; a program without
    // a key tuning, and a system reset, return it to plain equal temperament.
    void tuningFollowsTheChannelsProgram() {
        auto synth = offlineSynth();
        QVERIFY(synth);
        constexpr int program = 25;
        constexpr int note = 45;
        const auto piano = playAndMeasure(*synth, note, 0);
        const auto plain = playAndMeasure(*synth, note, program);

        PitchCorrections corrections;
        corrections.cents[program - firstGuitarProgram][note - firstCalibratedNote] = 20.5;
        synth->keyTuning().setCorrections(corrections);
        const auto raised = playAndMeasure(*synth, note, std::nullopt);
        QVERIFY2(std::abs(raised - plain - 20.0) < 1.01,
                 qPrintable(QString("moved %1 cent").arg(raised - plain)));

        // The piano's unison strings read a little differently from note to note; a tuning
        // left on would move it by 20 cents.
        const auto pianoAgain = playAndMeasure(*synth, note, 0);
        QVERIFY2(std::abs(pianoAgain - piano) < 1.0,
                 qPrintable(QString("piano %1 then %2").arg(piano).arg(pianoAgain)));

        // After a system reset every channel plays program 0 untuned until a program change.
        sendWord(*synth, 0xFF, 0);
        const auto pianoAfterReset = playAndMeasure(*synth, note, std::nullopt);
        QVERIFY(std::abs(pianoAfterReset - piano) < 1.0);
        const auto guitarAfterReset = playAndMeasure(*synth, note, program);
        QVERIFY(std::abs(guitarAfterReset - raised) < 0.1);
    }

private:
    QTemporaryDir cacheDir_;
};

QTEST_GUILESS_MAIN(TestSynth)
#include "test_synth.moc"
