// MIDILib against a recording port and a virtual clock: message words, the range rules of the
// writers, the open/close state machine, device listing and the note wait.

#include <QTest>

#include "midi/midi_lib.h"
#include "tests/support/fake_midi.h"

using midi::MIDILib;
using testing::RecordingPort;
using testing::VirtualWaitHost;

class TestMidiLib : public QObject {
    Q_OBJECT

private slots:
    void newObjectHasDefaults();
    void messageWords_data();
    void messageWords();
    void outOfRangeWritesChangeAndSendNothing_data();
    void outOfRangeWritesChangeAndSendNothing();
    void instrumentWhileClosedIsStoredNotSent();
    void connectResetsSettingsWithoutProgramChange();
    void connectFailureReportsCode();
    void reconnectClosesFirst();
    void closeOnClosedObjectLeavesRetValUntouched();
    void failedCloseStaysOpen();
    void destructionClosesOpenDevice();
    void deviceListing_data();
    void deviceListing();
    void failedNameQueryRepeatsPreviousRecord();
    void guitarNotesAreIndependentCopies();

    void zeroDurationSendsOnAndOffBackToBack();
    void noteLastsUntilWholeSecondReadingAdvances_data();
    void noteLastsUntilWholeSecondReadingAdvances();
    void wallClockChangeNeitherStretchesNorCuts();
    void nestedNoteEndsFirstThenOuterRunsToItsOwnEnd();
    void waitHandlesEventsOnEveryTurn();
};

void TestMidiLib::newObjectHasDefaults() {
    RecordingPort port;
    VirtualWaitHost host;
    MIDILib m(port, host);
    QCOMPARE(m.baseNote(), 36);
    QCOMPARE(m.volume(), 127);
    QCOMPARE(m.channel(), 1);
    QCOMPARE(m.instrument(), 0);
    QCOMPARE(m.deviceOpen(), false);
    QCOMPARE(m.deviceID(), 0);
    QVERIFY(port.sent.empty());
}

void TestMidiLib::messageWords_data() {
    QTest::addColumn<int>("baseNote");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("volume");
    QTest::addColumn<int>("note");
    QTest::addColumn<uint>("on");
    QTest::addColumn<uint>("off");

    QTest::newRow("E4 at base 0") << 0 << 1 << 127 << 64 << 0x007F4091u << 0x00004081u;
    QTest::newRow("base 36 shifts the note") << 36 << 1 << 127 << 28 << 0x007F4091u << 0x00004081u;
    QTest::newRow("lowest catalogue note") << 0 << 1 << 127 << 28 << 0x007F1C91u << 0x00001C81u;
    QTest::newRow("channel 0, quiet") << 0 << 0 << 1 << 69 << 0x00014590u << 0x00004580u;
    QTest::newRow("largest values") << 0 << 15 << 127 << 127 << 0x007F7F9Fu << 0x00007F8Fu;
}

void TestMidiLib::messageWords() {
    QFETCH(int, baseNote);
    QFETCH(int, channel);
    QFETCH(int, volume);
    QFETCH(int, note);
    QFETCH(uint, on);
    QFETCH(uint, off);
    VirtualWaitHost host;
    RecordingPort port(&host);
    MIDILib m(port, host);
    m.setBaseNote(static_cast<std::int16_t>(baseNote));
    m.setChannel(static_cast<std::int16_t>(channel));
    m.setVolume(static_cast<std::int16_t>(volume));
    m.playNote(static_cast<std::int16_t>(note), 0);
    QCOMPARE(port.words(), (std::vector<std::uint32_t>{on, off}));
}

void TestMidiLib::outOfRangeWritesChangeAndSendNothing_data() {
    QTest::addColumn<int>("instrument");
    QTest::addColumn<int>("volume");
    QTest::newRow("instrument 128") << 128 << 100;
    QTest::newRow("instrument -1") << -1 << 100;
    QTest::newRow("volume 200") << 25 << 200;
    QTest::newRow("volume -1") << 25 << -1;
}

void TestMidiLib::outOfRangeWritesChangeAndSendNothing() {
    QFETCH(int, instrument);
    QFETCH(int, volume);
    RecordingPort port;
    VirtualWaitHost host;
    MIDILib m(port, host);
    std::int32_t code = -1;
    QVERIFY(m.connectMIDI(-1, code));
    m.setInstrument(static_cast<std::int16_t>(instrument));
    m.setVolume(static_cast<std::int16_t>(volume));
    const bool instrumentValid = instrument >= 0 && instrument <= 127;
    QCOMPARE(m.instrument(), instrumentValid ? instrument : 0);
    QCOMPARE(m.volume(), volume >= 0 && volume <= 127 ? volume : 127);
    // Only a valid instrument is sent, as one program change: 0xC1 + program << 8.
    if (instrumentValid)
        QCOMPARE(port.words(),
                 (std::vector<std::uint32_t>{0xC1u + (std::uint32_t(instrument) << 8)}));
    else
        QVERIFY(port.sent.empty());
}

void TestMidiLib::instrumentWhileClosedIsStoredNotSent() {
    RecordingPort port;
    VirtualWaitHost host;
    MIDILib m(port, host);
    m.setInstrument(30);
    QCOMPARE(m.instrument(), 30);
    QVERIFY(port.sent.empty());

    std::int32_t code = -1;
    QVERIFY(m.connectMIDI(-1, code));
    m.setInstrument(25);
    QCOMPARE(port.words(), std::vector<std::uint32_t>{0x000019C1u});
}

void TestMidiLib::connectResetsSettingsWithoutProgramChange() {
    RecordingPort port;
    VirtualWaitHost host;
    MIDILib m(port, host);
    std::int32_t code = -1;
    QVERIFY(m.connectMIDI(-1, code));
    m.setBaseNote(0);
    m.setInstrument(25);
    m.setVolume(10);
    m.setChannel(3);
    port.sent.clear();

    QVERIFY(m.connectMIDI(-1, code));
    QCOMPARE(code, 0);
    QCOMPARE(m.baseNote(), 36);
    QCOMPARE(m.instrument(), 0);
    QCOMPARE(m.volume(), 127);
    QCOMPARE(m.channel(), 1);
    QVERIFY(port.sent.empty());
}

void TestMidiLib::connectFailureReportsCode() {
    RecordingPort port;
    port.openResult = midi::result::noDevice;
    VirtualWaitHost host;
    MIDILib m(port, host);
    std::int32_t code = 0;
    QVERIFY(!m.connectMIDI(-1, code));
    QCOMPARE(code, midi::result::noDevice);
    QCOMPARE(m.lastResult(), midi::result::noDevice);
    QCOMPARE(m.deviceOpen(), false);
    QCOMPARE(m.deviceID(), 0);  // only a successful open records the id
    QCOMPARE(m.baseNote(), 36);

    // Notes still go out (to nothing) and the wait still runs.
    m.playNote(40, 2);
    QCOMPARE(port.sent.size(), std::size_t{2});
    QVERIFY(host.nowMs >= 1000);
}

void TestMidiLib::reconnectClosesFirst() {
    RecordingPort port;
    VirtualWaitHost host;
    MIDILib m(port, host);
    std::int32_t code = -1;
    QVERIFY(m.connectMIDI(2, code));
    QCOMPARE(m.deviceID(), 2);
    port.openResult = midi::result::badDeviceId;
    QVERIFY(!m.connectMIDI(-1, code));
    QCOMPARE(port.closes, 1);
    QCOMPARE(m.deviceOpen(), false);
    QCOMPARE(m.deviceID(), 2);
    QCOMPARE(port.opened, (std::vector<int>{2, -1}));
}

void TestMidiLib::closeOnClosedObjectLeavesRetValUntouched() {
    RecordingPort port;
    VirtualWaitHost host;
    MIDILib m(port, host);
    std::int32_t retVal = 12345;
    QVERIFY(!m.closeMIDI(-1, retVal));
    QCOMPARE(retVal, 12345);
    QCOMPARE(port.closes, 0);

    QVERIFY(m.connectMIDI(-1, retVal));
    QVERIFY(m.closeMIDI(-1, retVal));
    QCOMPARE(retVal, 0);
    retVal = 777;
    QVERIFY(!m.closeMIDI(-1, retVal));
    QCOMPARE(retVal, 777);
    QCOMPARE(port.closes, 1);
}

void TestMidiLib::failedCloseStaysOpen() {
    RecordingPort port;
    VirtualWaitHost host;
    MIDILib m(port, host);
    std::int32_t retVal = 0;
    QVERIFY(m.connectMIDI(-1, retVal));
    port.closeResult = midi::result::invalidHandle;
    QVERIFY(!m.closeMIDI(-1, retVal));
    QCOMPARE(retVal, midi::result::invalidHandle);
    QCOMPARE(m.deviceOpen(), true);
    port.closeResult = 0;
    QVERIFY(m.closeMIDI(-1, retVal));
    QCOMPARE(m.deviceOpen(), false);
}

void TestMidiLib::destructionClosesOpenDevice() {
    RecordingPort port;
    VirtualWaitHost host;
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

void TestMidiLib::deviceListing_data() {
    QTest::addColumn<QStringList>("ports");
    QTest::newRow("no ports") << QStringList{};
    QTest::newRow("two ports") << QStringList{"Synth port", "USB MIDI Interface 1"};
    QTest::newRow("name longer than the field")
        << QStringList{"A very long MIDI port name that does not fit"};
}

void TestMidiLib::deviceListing() {
    QFETCH(QStringList, ports);
    RecordingPort port;
    for (const QString& p : ports)
        port.names.push_back(p.toStdString());
    VirtualWaitHost host;
    MIDILib m(port, host);
    const auto list = m.getMIDIDevices();
    QCOMPARE(list.size(), std::size_t(ports.size() + 1));
    QCOMPARE(list[0], std::string("MIDI Mapper"));
    for (int i = 0; i < ports.size(); ++i) {
        const std::string& entry = list[std::size_t(i) + 1];
        QCOMPARE(entry.size(), midi::deviceNameLength);
        // The name up to its terminating NUL, cut to the 31 characters the field holds.
        const std::string name = entry.substr(0, entry.find('\0'));
        QCOMPARE(QString::fromStdString(name), ports[i].left(31));
        QVERIFY(entry.find_first_not_of('\0', name.size()) == std::string::npos);
    }
}

void TestMidiLib::failedNameQueryRepeatsPreviousRecord() {
    RecordingPort port;
    port.names = {"First", ""};
    VirtualWaitHost host;
    MIDILib m(port, host);
    const auto list = m.getMIDIDevices();
    QCOMPARE(list.size(), std::size_t{3});
    QCOMPARE(list[2], list[1]);
    QCOMPARE(m.lastResult(), midi::result::badDeviceId);
}

void TestMidiLib::guitarNotesAreIndependentCopies() {
    RecordingPort port;
    VirtualWaitHost host;
    MIDILib m(port, host);
    auto a = m.guitarNotes();
    const auto b = m.guitarNotes();
    a[0] = 99;
    QCOMPARE(b, (std::array<std::int16_t, 6>{40, 45, 50, 55, 59, 64}));
    QCOMPARE(m.guitarNotes()[0], 40);
}

void TestMidiLib::zeroDurationSendsOnAndOffBackToBack() {
    VirtualWaitHost host;
    RecordingPort port(&host);
    MIDILib m(port, host);
    m.setBaseNote(0);
    for (int d : {0, -3}) {
        port.sent.clear();
        m.playNote(64, static_cast<std::int16_t>(d));
        QCOMPARE(port.words(), (std::vector<std::uint32_t>{0x007F4091u, 0x00004081u}));
        QCOMPARE(port.sent[1].atMs, port.sent[0].atMs);
    }
    QCOMPARE(host.pumpCalls, 0);
}

void TestMidiLib::noteLastsUntilWholeSecondReadingAdvances_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("startMsIntoSecond");
    QTest::addColumn<int>("expectedMs");
    QTest::newRow("1 s from a second boundary") << 1 << 0 << 1000;
    QTest::newRow("2 s from mid-second") << 2 << 500 << 1500;
    QTest::newRow("1 s from .999") << 1 << 999 << 1;
    QTest::newRow("9 s from .999") << 9 << 999 << 8001;
    QTest::newRow("9 s from a second boundary") << 9 << 0 << 9000;
}

void TestMidiLib::noteLastsUntilWholeSecondReadingAdvances() {
    QFETCH(int, seconds);
    QFETCH(int, startMsIntoSecond);
    QFETCH(int, expectedMs);
    VirtualWaitHost host;
    host.wallStartMs = 1'700'000'000'000 + startMsIntoSecond;
    RecordingPort port(&host);
    MIDILib m(port, host);
    m.playNote(28, static_cast<std::int16_t>(seconds));
    QCOMPARE(port.sent.size(), std::size_t{2});
    QCOMPARE(port.sent[1].atMs - port.sent[0].atMs, std::int64_t{expectedMs});
}

void TestMidiLib::wallClockChangeNeitherStretchesNorCuts() {
    for (std::int64_t jump : {-3'600'000LL, 3'600'000LL, -86'400'000LL}) {
        VirtualWaitHost host;
        RecordingPort port(&host);
        MIDILib m(port, host);
        // Half a second into the note the wall clock is set back (or forward).
        host.at(500, [&host, jump] { host.wallStartMs += jump; });
        m.playNote(40, 3);
        QCOMPARE(port.sent.size(), std::size_t{2});
        QCOMPARE(port.sent[1].atMs - port.sent[0].atMs, std::int64_t{3000});
    }
}

void TestMidiLib::nestedNoteEndsFirstThenOuterRunsToItsOwnEnd() {
    VirtualWaitHost host;
    RecordingPort port(&host);
    MIDILib m(port, host);
    m.setBaseNote(0);
    // The user presses a second string 1.2 s into a 3-second note; it lasts 5 seconds.
    host.at(1200, [&] { m.playNote(45, 5); });
    m.playNote(64, 3);

    QCOMPARE(port.words(),
             (std::vector<std::uint32_t>{0x007F4091u, 0x007F2D91u, 0x00002D81u, 0x00004081u}));
    QCOMPARE(port.sent[1].atMs, std::int64_t{1200});
    // The inner note runs its full time from its own start (1.2 s into a whole second: 4.8 s).
    QCOMPARE(port.sent[2].atMs, std::int64_t{1200 + 4800});
    // The outer note, past its end by then, sends its note-off right after.
    QCOMPARE(port.sent[3].atMs, std::int64_t{6000});
}

void TestMidiLib::waitHandlesEventsOnEveryTurn() {
    VirtualWaitHost host;
    RecordingPort port(&host);
    MIDILib m(port, host);
    int handled = 0;
    for (int t = 100; t < 2000; t += 100)
        host.at(t, [&handled] { ++handled; });
    m.playNote(40, 2);
    QCOMPARE(handled, 19);
    QCOMPARE(port.sent.back().atMs, std::int64_t{2000});
}

QTEST_GUILESS_MAIN(TestMidiLib)
#include "test_midi_lib.moc"
