// The built-in synth's reference notes: every note the tuner can play, with every guitar
// program, sounds within half a cent of equal temperament once the corrections are loaded the
// way an opened synth loads them. Rendered offline through the synth device, as the tuner
// plays: program change, then note-on on channel index 1.

#include <QtTest>

#include <cmath>

#include "midi/pitch_correction_loader.h"
#include "tests/midi/offline_synth.h"

using namespace midi;
using testing::offlineSynth;

namespace {

// Plays `note` as the tuner does (a program change only when asked) and measures it.
double playAndMeasure(SynthDevice& synth, int note, std::optional<int> program) {
    return testing::centsOff(synth, testing::renderNote(synth, note, 1.2, program), note);
}

}  // namespace

class TestReferencePitch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("XDG_CACHE_HOME", cacheDir_.path().toUtf8());
        if (!installedSoundFont().path[0])
            QSKIP("no General MIDI SoundFont installed");
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
        PitchCorrectionLoader loader(font.path, font.gain, [&](const PitchCorrections& c) {
            synth->keyTuning().setCorrections(c);
        });
        QCOMPARE(loader.wait(), CorrectionSource::shipped);
        QVERIFY(synth->keyTuning().hasCorrections());

        testing::sendWord(*synth, 0xC1, program);
        for (int note = firstCalibratedNote; note <= lastCalibratedNote; ++note) {
            const auto cents = playAndMeasure(*synth, note, std::nullopt);
            QVERIFY2(std::abs(cents) < 0.5,
                     qPrintable(QString("note %1: %2 cent").arg(note).arg(cents)));
        }
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
        testing::sendWord(*synth, 0xFF, 0);
        const auto pianoAfterReset = playAndMeasure(*synth, note, std::nullopt);
        QVERIFY(std::abs(pianoAfterReset - piano) < 1.0);
        const auto guitarAfterReset = playAndMeasure(*synth, note, program);
        QVERIFY(std::abs(guitarAfterReset - raised) < 0.1);
    }

private:
    QTemporaryDir cacheDir_;
};

QTEST_APPLESS_MAIN(TestReferencePitch)
#include "test_reference_pitch.moc"
