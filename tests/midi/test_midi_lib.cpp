// MIDILib against a recording port and a virtual clock: message words, the range rules of the
// writers, the open/close state machine, device listing and the note wait.

#include <QTest>

#include "midi/midi_lib.h"
#include "tests/support/fake_midi.h"

using midi::MIDILib;
using Words = std::vector<std::uint32_t>;

namespace {

// A MIDILib on a recording port whose words carry the virtual time they were sent at.
struct Rig {
    testing::VirtualWaitHost host;
    testing::RecordingPort port{&host};
    MIDILib m{port, host};
    std::int32_t code = -1;

    bool connect(int id = midi::mapperId) { return m.connectMIDI(id, code); }
    std::int64_t noteLengthMs() const { return port.sent.at(1).atMs - port.sent.at(0).atMs; }
};

void checkDefaults(const MIDILib& m) {
    QCOMPARE(m.baseNote(), 36);
    QCOMPARE(m.volume(), 127);
    QCOMPARE(m.channel(), 1);
    QCOMPARE(m.instrument(), 0);
}

}  // namespace

class TestMidiLib : public QObject {
    Q_OBJECT

private slots:
    void defaultsOnCreateAndOnEveryConnect() {
        Rig r;
        checkDefaults(r.m);
        QCOMPARE(r.m.deviceOpen(), false);
        QCOMPARE(r.m.deviceID(), 0);
        QCOMPARE(r.m.guitarNotes(), (std::array<std::int16_t, 6>{40, 45, 50, 55, 59, 64}));

        QVERIFY(r.connect());
        r.m.setBaseNote(0);
        r.m.setInstrument(25);
        r.m.setVolume(10);
        r.m.setChannel(3);
        r.port.sent.clear();
        QVERIFY(r.connect());
        QCOMPARE(r.code, 0);
        checkDefaults(r.m);
        QVERIFY(r.port.sent.empty());  // the reset program is not sent
    }

    // A zero duration sends note-on and note-off back to back, so these are the whole output.
    void messageWords_data() {
        QTest::addColumn<int>("baseNote");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("volume");
        QTest::addColumn<int>("note");
        QTest::addColumn<uint>("on");
        QTest::addColumn<uint>("off");
        QTest::newRow("E4 at base 0") << 0 << 1 << 127 << 64 << 0x007F4091u << 0x00004081u;
        QTest::newRow("base 36 shifts") << 36 << 1 << 127 << 28 << 0x007F4091u << 0x00004081u;
        QTest::newRow("channel 0, quiet") << 0 << 0 << 1 << 69 << 0x00014590u << 0x00004580u;
        QTest::newRow("largest values") << 0 << 15 << 127 << 127 << 0x007F7F9Fu << 0x00007F8Fu;
    }
    void messageWords() {
        QFETCH(int, baseNote);
        QFETCH(int, channel);
        QFETCH(int, volume);
        QFETCH(int, note);
        QFETCH(uint, on);
        QFETCH(uint, off);
        Rig r;
        r.m.setBaseNote(static_cast<std::int16_t>(baseNote));
        r.m.setChannel(static_cast<std::int16_t>(channel));
        r.m.setVolume(static_cast<std::int16_t>(volume));
        r.m.playNote(static_cast<std::int16_t>(note), 0);
        QCOMPARE(r.port.words(), (Words{on, off}));
    }

    // Out-of-range writes change nothing; a valid instrument is sent only to an open device.
    void writers_data() {
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("instrument");
        QTest::addColumn<int>("volume");
        QTest::addColumn<Words>("sent");
        QTest::newRow("instrument 128") << true << 128 << 100 << Words{};
        QTest::newRow("instrument -1") << true << -1 << 100 << Words{};
        QTest::newRow("volume 200") << true << 25 << 200 << Words{0x000019C1u};
        QTest::newRow("volume -1") << true << 30 << -1 << Words{0x00001EC1u};
        QTest::newRow("instrument while closed") << false << 30 << 0 << Words{};
    }
    void writers() {
        QFETCH(bool, open);
        QFETCH(int, instrument);
        QFETCH(int, volume);
        QFETCH(Words, sent);
        Rig r;
        QVERIFY(!open || r.connect());
        r.m.setInstrument(static_cast<std::int16_t>(instrument));
        r.m.setVolume(static_cast<std::int16_t>(volume));
        QCOMPARE(r.m.instrument(), instrument >= 0 && instrument <= 127 ? instrument : 0);
        QCOMPARE(r.m.volume(), volume >= 0 && volume <= 127 ? volume : 127);
        QCOMPARE(r.port.words(), sent);
    }

    void connectClosesFirstAndFailedOpenLeavesClosed() {
        Rig r;
        r.port.openResult = midi::result::noDevice;
        QVERIFY(!r.connect());
        QCOMPARE(r.code, midi::result::noDevice);
        QCOMPARE(r.m.lastResult(), midi::result::noDevice);
        QCOMPARE(r.m.deviceOpen(), false);
        QCOMPARE(r.m.deviceID(), 0);  // only a successful open records the id
        // Notes still go out (to nothing) and the wait still runs.
        r.m.playNote(40, 2);
        QCOMPARE(r.port.sent.size(), std::size_t{2});
        QVERIFY(r.host.nowMs >= 1000);

        r.port.openResult = 0;
        QVERIFY(r.connect(2));
        QCOMPARE(r.m.deviceID(), 2);
        r.port.openResult = midi::result::badDeviceId;
        QVERIFY(!r.connect());
        QCOMPARE(r.port.closes, 1);
        QCOMPARE(r.m.deviceOpen(), false);
        QCOMPARE(r.m.deviceID(), 2);
        QCOMPARE(r.port.opened, (std::vector<int>{-1, 2, -1}));
    }

    void closeStateMachine() {
        Rig r;
        std::int32_t retVal = 12345;
        QVERIFY(!r.m.closeMIDI(-1, retVal));  // closed: RetVal untouched, port not asked
        QCOMPARE(retVal, 12345);
        QCOMPARE(r.port.closes, 0);

        QVERIFY(r.connect());
        r.port.closeResult = midi::result::invalidHandle;
        QVERIFY(!r.m.closeMIDI(-1, retVal));
        QCOMPARE(retVal, midi::result::invalidHandle);
        QCOMPARE(r.m.deviceOpen(), true);  // a failed close leaves the device open
        r.port.closeResult = 0;
        QVERIFY(r.m.closeMIDI(-1, retVal));
        QCOMPARE(retVal, 0);
        QCOMPARE(r.m.deviceOpen(), false);
        retVal = 777;
        QVERIFY(!r.m.closeMIDI(-1, retVal));
        QCOMPARE(retVal, 777);
        QCOMPARE(r.port.closes, 2);
    }

    void destructionClosesOpenDevice() {
        testing::RecordingPort port;
        testing::VirtualWaitHost host;
        {
            MIDILib m(port, host);
            std::int32_t retVal = 0;
            QVERIFY(m.connectMIDI(-1, retVal));
        }
        QCOMPARE(port.closes, 1);
        QCOMPARE(port.isOpen, false);
        { MIDILib closed(port, host); }
        QCOMPARE(port.closes, 1);
    }

    // An empty port name makes its query fail: the record keeps the previous device's name.
    void deviceListing_data() {
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<int>("lastResult");
        const QStringList two{"Synth port", "USB MIDI Interface 1"};
        const QString longName = "A very long MIDI port name that does not fit";
        QTest::newRow("no ports") << QStringList{} << QStringList{} << 0;
        QTest::newRow("two ports") << two << two << 0;
        QTest::newRow("name cut to the field")
            << QStringList{longName} << QStringList{longName.left(31)} << 0;
        QTest::newRow("failed name query")
            << QStringList{"First", ""} << QStringList{"First", "First"}
            << int{midi::result::badDeviceId};
    }
    void deviceListing() {
        QFETCH(QStringList, ports);
        QFETCH(QStringList, listed);
        QFETCH(int, lastResult);
        Rig r;
        for (const QString& p : ports)
            r.port.names.push_back(p.toStdString());
        const auto list = r.m.getMIDIDevices();
        QCOMPARE(list.size(), std::size_t(listed.size() + 1));
        QCOMPARE(list[0], std::string("MIDI Mapper"));
        for (int i = 0; i < listed.size(); ++i) {
            const std::string& entry = list[std::size_t(i) + 1];
            QCOMPARE(entry.size(), midi::deviceNameLength);
            const std::string name = entry.substr(0, entry.find('\0'));
            QCOMPARE(QString::fromStdString(name), listed[i]);
            QVERIFY(entry.find_first_not_of('\0', name.size()) == std::string::npos);
        }
        QCOMPARE(r.m.lastResult(), lastResult);
    }

    // The wait ends when the whole-second reading has advanced by the duration; a change of
    // the wall clock half a second in neither stretches nor cuts the note.
    void noteLength_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("startMsIntoSecond");
        QTest::addColumn<int>("expectedMs");
        QTest::addColumn<qint64>("wallJumpMs");
        QTest::newRow("0 s: back to back") << 0 << 500 << 0 << qint64{0};
        QTest::newRow("negative: back to back") << -3 << 0 << 0 << qint64{0};
        QTest::newRow("1 s from a second boundary") << 1 << 0 << 1000 << qint64{0};
        QTest::newRow("2 s from mid-second") << 2 << 500 << 1500 << qint64{0};
        QTest::newRow("1 s from .999") << 1 << 999 << 1 << qint64{0};
        QTest::newRow("9 s from .999") << 9 << 999 << 8001 << qint64{0};
        QTest::newRow("9 s from a second boundary") << 9 << 0 << 9000 << qint64{0};
        QTest::newRow("wall clock set back an hour") << 3 << 0 << 3000 << qint64{-3'600'000};
        QTest::newRow("wall clock put forward an hour") << 3 << 0 << 3000 << qint64{3'600'000};
        QTest::newRow("wall clock set back a day") << 3 << 0 << 3000 << qint64{-86'400'000};
    }
    void noteLength() {
        QFETCH(int, seconds);
        QFETCH(int, startMsIntoSecond);
        QFETCH(int, expectedMs);
        QFETCH(qint64, wallJumpMs);
        Rig r;
        r.host.wallStartMs = 1'700'000'000'000 + startMsIntoSecond;
        r.host.at(500, [&r, wallJumpMs] { r.host.wallStartMs += wallJumpMs; });
        r.m.playNote(28, static_cast<std::int16_t>(seconds));
        QCOMPARE(r.port.sent.size(), std::size_t{2});
        QCOMPARE(r.noteLengthMs(), std::int64_t{expectedMs});
        if (expectedMs == 0)
            QCOMPARE(r.host.pumpCalls, 0);
    }

    void nestedNoteEndsFirstThenOuterRunsToItsOwnEnd() {
        Rig r;
        r.m.setBaseNote(0);
        // The user presses a second string 1.2 s into a 3-second note; it lasts 5 seconds.
        r.host.at(1200, [&r] { r.m.playNote(45, 5); });
        r.m.playNote(64, 3);
        QCOMPARE(r.port.words(), (Words{0x007F4091u, 0x007F2D91u, 0x00002D81u, 0x00004081u}));
        QCOMPARE(r.port.sent[1].atMs, std::int64_t{1200});
        // The inner note runs its full time from its own start (1.2 s into a whole second: 4.8 s).
        QCOMPARE(r.port.sent[2].atMs, std::int64_t{1200 + 4800});
        // The outer note, past its end by then, sends its note-off right after.
        QCOMPARE(r.port.sent[3].atMs, std::int64_t{6000});
    }
};

QTEST_GUILESS_MAIN(TestMidiLib)
#include "test_midi_lib.moc"
