// The built-in synth's real sound path rendered offline: level of the guitar programs, the
// device failing cleanly without audio output, and the decoding of words into wire bytes.

#include <QTest>
#include <cmath>
#include <vector>

#include "midi/fluid_engine.h"
#include "midi/midi_lib.h"
#include "midi/pitch_estimator.h"
#include "midi/short_message.h"
#include "midi/soundfonts.h"
#include "midi/synth_device.h"
#include "midi/system_midi_port.h"
#include "tests/support/fake_midi.h"

namespace {

constexpr int sampleRate = 44100;

// Renders one note through the device the mapper opens, with the words MIDILib sends (program
// change, note-on and note-off on channel index 1), and returns the left+right mix.
std::vector<float> renderNote(midi::SynthDevice& device, int program, int note, double seconds) {
    device.send(midi::decodeShortMessage(0xC1u + (std::uint32_t(program) << 8)));
    device.send(midi::decodeShortMessage(0x007F0091u + (std::uint32_t(note) << 8)));
    const int frames = static_cast<int>(seconds * sampleRate);
    std::vector<float> left(frames), right(frames), mix(frames);
    device.engine()->render(left.data(), right.data(), frames);
    device.send(midi::decodeShortMessage(0x81u + (std::uint32_t(note) << 8)));
    std::vector<float> tail(sampleRate);
    device.engine()->render(tail.data(), tail.data(), sampleRate);  // let the voice finish
    for (int i = 0; i < frames; ++i)
        mix[i] = 0.5f * (left[i] + right[i]);
    return mix;
}

double peakDbfs(const std::vector<float>& s) {
    float peak = 0;
    for (float v : s)
        peak = std::max(peak, std::fabs(v));
    return 20.0 * std::log10(std::max(peak, 1e-9f));
}

std::unique_ptr<midi::FluidEngine> offlineEngine() {
    const midi::SoundFontChoice font = midi::installedSoundFont();
    midi::EngineOptions options;
    options.soundFont = font.path;
    options.gain = font.gain;
    std::string error;
    auto engine = midi::FluidEngine::create(options, error);
    if (!engine)
        qWarning("engine: %s", error.c_str());
    return engine;
}

}  // namespace

class TestSynth : public QObject {
    Q_OBJECT

private slots:
    void defaultSoundFontIsTheSteadyOne();
    void guitarNotesSoundTheirPitchAudiblyWithoutClipping_data();
    void guitarNotesSoundTheirPitchAudiblyWithoutClipping();
    void mapperFailsCleanlyWithoutAudioOutput();
    void unknownDriverFailsWithReason();
    void missingSoundFontFails();
    void sequencerIdsWithoutPortsAreBadIds();
    void decodesWordsIntoWireBytes_data();
    void decodesWordsIntoWireBytes();
};

void TestSynth::defaultSoundFontIsTheSteadyOne() {
    QCOMPARE(QString(midi::installedSoundFont().path),
             QString("/usr/share/sounds/sf2/TimGM6mb.sf2"));
}

void TestSynth::guitarNotesSoundTheirPitchAudiblyWithoutClipping_data() {
    QTest::addColumn<int>("program");
    QTest::addColumn<int>("note");
    for (int program = 24; program <= 30; ++program)
        for (int note : {64, 40})  // strings 1 and 6 of standard tuning
            QTest::addRow("program %d note %d", program, note) << program << note;
}

void TestSynth::guitarNotesSoundTheirPitchAudiblyWithoutClipping() {
    QFETCH(int, program);
    QFETCH(int, note);
    auto engine = offlineEngine();
    QVERIFY(engine);
    midi::SynthDevice device(std::move(engine));
    const std::vector<float> sound = renderNote(device, program, note, 2.0);

    const double peak = peakDbfs(sound);
    QVERIFY2(peak >= -12.0 && peak <= -1.0, qPrintable(QString("peak %1 dBFS").arg(peak)));

    const double target = midi::noteFrequencyHz(note);
    const auto hz = midi::estimateFundamentalHz(sound.data(), sound.size(), sampleRate, target);
    QVERIFY2(hz.has_value(), "no steady fundamental");
    const double cents = midi::centsBetween(*hz, target);
    QVERIFY2(std::fabs(cents) <= 10.0, qPrintable(QString("%1 cents off").arg(cents)));
}

void TestSynth::mapperFailsCleanlyWithoutAudioOutput() {
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

void TestSynth::unknownDriverFailsWithReason() {
    midi::EngineOptions options;
    options.soundFont = midi::installedSoundFont().path;
    options.audioDrivers = {"no-such-driver", "file"};
    std::string error;
    QVERIFY(!midi::FluidEngine::create(options, error));
    QVERIFY2(error.find("no audio output") != std::string::npos, error.c_str());
}

void TestSynth::missingSoundFontFails() {
    midi::EngineOptions options;
    options.soundFont = "/nonexistent/font.sf2";
    std::string error;
    QVERIFY(!midi::FluidEngine::create(options, error));
    QVERIFY2(error.find("/nonexistent/font.sf2") != std::string::npos, error.c_str());
}

void TestSynth::sequencerIdsWithoutPortsAreBadIds() {
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

void TestSynth::decodesWordsIntoWireBytes_data() {
    QTest::addColumn<uint>("word");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("note-on") << 0x007F4091u << QByteArray("\x91\x40\x7F", 3);
    QTest::newRow("note-off") << 0x00004081u << QByteArray("\x81\x40\x00", 3);
    QTest::newRow("program change has one data byte") << 0x000019C1u << QByteArray("\xC1\x19", 2);
    QTest::newRow("channel pressure") << 0x000040D1u << QByteArray("\xD1\x40", 2);
    QTest::newRow("pitch bend") << 0x004000E1u << QByteArray("\xE1\x00\x40", 3);
    QTest::newRow("reset") << 0x000000FFu << QByteArray("\xFF", 1);
    QTest::newRow("data byte in the status place") << 0x00004040u << QByteArray();
    QTest::newRow("system exclusive never fits") << 0x000000F0u << QByteArray();
}

void TestSynth::decodesWordsIntoWireBytes() {
    QFETCH(uint, word);
    QFETCH(QByteArray, bytes);
    const midi::ShortMessage m = midi::decodeShortMessage(word);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(m.bytes.data()), int(m.size)), bytes);
}

QTEST_GUILESS_MAIN(TestSynth)
#include "test_synth.moc"
