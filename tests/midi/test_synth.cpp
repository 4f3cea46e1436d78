// The built-in synth's real sound path rendered offline: level of the guitar programs, the
// device failing cleanly without audio output, and the decoding of words into wire bytes.

#include <QTest>
#include <algorithm>
#include <cmath>

#include "midi/midi_lib.h"
#include "midi/system_midi_port.h"
#include "tests/midi/offline_synth.h"
#include "tests/support/fake_midi.h"

class TestSynth : public QObject {
    Q_OBJECT

private slots:
    void defaultSoundFontIsTheSteadyOne() {
        QCOMPARE(QString(midi::installedSoundFont().path),
                 QString("/usr/share/sounds/sf2/TimGM6mb.sf2"));
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
        auto synth = testing::offlineSynth();
        QVERIFY(synth);
        const std::vector<float> sound = testing::renderNote(*synth, note, 2.0, program);

        const float peak = std::ranges::max(sound, {}, [](float v) { return std::fabs(v); });
        const double dbfs = 20.0 * std::log10(std::max(std::fabs(peak), 1e-9f));
        QVERIFY2(dbfs >= -12.0 && dbfs <= -1.0, qPrintable(QString("peak %1 dBFS").arg(dbfs)));

        const auto cents = testing::centsOff(*synth, sound, note);
        QVERIFY2(std::fabs(cents) <= 10.0, qPrintable(QString("%1 cents off").arg(cents)));
    }

    void mapperFailsCleanlyWithoutAudioOutput() {
        // No reachable sound server and no sound card, whatever this machine has.
        qputenv("PULSE_SERVER", "unix:/nonexistent/tolmary-test-socket");
        qputenv("ALSA_CARD", "tolmary-no-such-card");
        qputenv("ALSA_CONFIG_PATH", QByteArray(TOLMARY_TEST_DIR) + "/no-alsa.conf");
        midi::SystemMidiPort port;
        testing::VirtualWaitHost host;
        midi::MIDILib lib(port, host);
        std::int32_t code = 0;
        QVERIFY(!lib.connectMIDI(midi::mapperId, code));
        QCOMPARE(code, midi::result::noDevice);
        QVERIFY(!port.lastError().empty());
        QVERIFY(!lib.deviceOpen());
        // Sends to the closed device are lost quietly.
        QCOMPARE(port.shortMsg(0x007F4091u), midi::result::invalidHandle);
        lib.playNote(64, 0);
        qunsetenv("PULSE_SERVER");
        qunsetenv("ALSA_CARD");
        qunsetenv("ALSA_CONFIG_PATH");
    }

    void engineFailsWithReason_data() {
        QTest::addColumn<QString>("soundFont");
        QTest::addColumn<QStringList>("drivers");
        QTest::addColumn<QString>("reason");
        // The file driver would write into the current folder: it is never a fallback.
        QTest::newRow("no usable driver")
            << midi::installedSoundFont().path << QStringList{"no-such-driver", "file"}
            << "no audio output";
        QTest::newRow("missing SoundFont")
            << "/nonexistent/font.sf2" << QStringList{} << "/nonexistent/font.sf2";
    }

    void engineFailsWithReason() {
        QFETCH(QString, soundFont);
        QFETCH(QStringList, drivers);
        QFETCH(QString, reason);
        midi::EngineOptions options;
        options.soundFont = soundFont.toStdString();
        for (const QString& d : drivers)
            options.audioDrivers.push_back(d.toStdString());
        std::string error;
        QVERIFY(!midi::FluidEngine::create(options, error));
        QVERIFY2(QString::fromStdString(error).contains(reason), error.c_str());
    }

    void sequencerIdsWithoutPortsAreBadIds() {
        midi::SystemMidiPort port;
        const int n = port.count();
        QVERIFY(n >= 0);
        std::string name = "unchanged";
        QCOMPARE(port.deviceName(n, name), midi::result::badDeviceId);
        QCOMPARE(name, std::string("unchanged"));
        QCOMPARE(port.open(n), midi::result::badDeviceId);
        QCOMPARE(port.open(-2), midi::result::badDeviceId);
        QCOMPARE(port.close(), midi::result::invalidHandle);
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
        const midi::ShortMessage m = midi::decodeShortMessage(word);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(m.bytes.data()), int(m.size)), bytes);
    }
};

QTEST_GUILESS_MAIN(TestSynth)
#include "test_synth.moc"
