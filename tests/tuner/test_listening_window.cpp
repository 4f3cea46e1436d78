// The listening window on a fake microphone that the test plays tones into: the string it
// hears, the deviation and frequency texts, the meter's needle, the prompt before and after a
// sound, a missing microphone looked for again, a change of tuning, and the microphone closed
// with the window.

#include <QLabel>
#include <QtTest>

#include <QCheckBox>
#include "pitch/pitch_estimator.h"
#include "tests/support/fake_microphone.h"
#include "tuner/listening_window.h"
#include "tuner/tuning_meter.h"

using namespace tuner;
using testing::FakeMicrophone;

namespace {

const StringNotes standard{64, 59, 55, 50, 45, 40};
const StringNotes droppedD{64, 59, 55, 50, 45, 38};
const StringNames names{"     E-1 (Najtanjša struna)", "     B-2 (Druga struna)",
                        "     G-3 (Tretja struna)",    "     D-4 (Četrta struna)",
                        "     A-5 (Peta struna)",      "     E-6 (Najdebelejša struna)"};
const ListeningTiming quick{50, 50};

}  // namespace

class TestListeningWindow : public QObject {
    Q_OBJECT

private slots:
    void showsTheStringItHears_data() {
        QTest::addColumn<bool>("droppedTuning");
        QTest::addColumn<double>("note");
        QTest::addColumn<double>("cents");
        QTest::addColumn<QString>("string");
        QTest::addColumn<QString>("deviation");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<bool>("inTune");
        QTest::newRow("low E sharp") << false << 40.0 << 3.2 << "E-6 (Najdebelejša struna)"
                                     << "+3,2 centa"
                                     << "82,56 Hz" << false;
        QTest::newRow("B just flat, in tune") << false << 59.0 << -1.5 << "B-2 (Druga struna)"
                                              << "-1,5 centa"
                                              << "246,73 Hz" << true;
        QTest::newRow("far off, needle at the end") << false << 45.0 << -80.0 << "A-5 (Peta struna)"
                                                    << "-80,0 centa"
                                                    << "105,03 Hz" << false;
        QTest::newRow("dropped D reads the sixth string")
            << true << 38.0 << 0.0 << "E-6 (Najdebelejša struna)"
            << "0,0 centa"
            << "73,42 Hz" << true;
    }
    void showsTheStringItHears() {
        QFETCH(bool, droppedTuning);
        QFETCH(double, note);
        QFETCH(double, cents);
        QFETCH(QString, string);
        QFETCH(QString, deviation);
        QFETCH(QString, frequency);
        QFETCH(bool, inTune);
        FakeMicrophone mic;
        ListeningWindow window(mic.factory(), standard, names, quick);
        if (droppedTuning)
            window.setTargets(droppedD, names);
        QCOMPARE(window.windowTitle(), QString("Merilnik uglasitve"));
        QCOMPARE(window.stringLabel().text(), QString("Zaigrajte struno."));

        mic.play(pitch::noteFrequencyHz(note) * std::pow(2.0, cents / 1200.0), 0.6);
        QTRY_COMPARE(window.stringLabel().text(), string);
        QCOMPARE(window.deviationLabel().text(), deviation);
        QCOMPARE(window.frequencyLabel().text(), frequency);
        QVERIFY(window.meter().cents().has_value());
        QCOMPARE(window.meter().inTune(), inTune);
        QVERIFY(std::abs(*window.meter().cents() - std::clamp(cents, -50.0, 50.0)) < 0.1);

        // Once the sound has gone, the last reading stays a moment, then the prompt is back.
        QTRY_COMPARE(window.stringLabel().text(), QString("Zaigrajte struno."));
        QVERIFY(window.deviationLabel().text().isEmpty());
        QVERIFY(!window.meter().cents().has_value());
    }

    // Against another reference A4 the strings are read at its pitch and the window says which
    // A4 it reads against; chromatic, any note up to E6 is named, the twelfth fret's included.
    void readsAgainstTheReferenceAndChromatic_data() {
        QTest::addColumn<int>("a4");
        QTest::addColumn<bool>("chromatic");
        QTest::addColumn<double>("note");
        QTest::addColumn<double>("cents");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("deviation");
        QTest::addColumn<QString>("reference");
        QTest::newRow("432: the A string a little sharp")
            << 432 << false << 45.0 << 3.0 << "A-5 (Peta struna)"
            << "+3,0 centa"
            << "A4 = 432 Hz";
        QTest::newRow("446: the G string flat")
            << 446 << false << 55.0 << -4.0 << "G-3 (Tretja struna)"
            << "-4,0 centa"
            << "A4 = 446 Hz";
        QTest::newRow("chromatic: the twelfth-fret E5") << 440 << true << 76.0 << -2.5 << "E5"
                                                        << "-2,5 centa"
                                                        << "";
        QTest::newRow("chromatic at 432: C#4, no string of the tuning")
            << 432 << true << 61.0 << 1.2 << "C#4"
            << "+1,2 centa"
            << "A4 = 432 Hz";
    }
    void readsAgainstTheReferenceAndChromatic() {
        QFETCH(int, a4);
        QFETCH(bool, chromatic);
        QFETCH(double, note);
        QFETCH(double, cents);
        QFETCH(QString, name);
        QFETCH(QString, deviation);
        QFETCH(QString, reference);
        FakeMicrophone mic;
        ListeningWindow window(mic.factory(), standard, names, quick);
        window.setReference(a4);
        window.chromaticBox().setChecked(chromatic);
        QCOMPARE(window.chromaticBox().text(), QString("Kromatično"));
        QCOMPARE(window.referenceLabel().text(), reference);
        mic.play(pitch::noteFrequencyHz(note) * a4 / 440.0 * std::pow(2.0, cents / 1200.0), 0.6);
        QTRY_COMPARE(window.stringLabel().text(), name);
        QCOMPARE(window.deviationLabel().text(), deviation);
    }

    // A change of tuning starts listening afresh: readings of the old strings still on their
    // way are not shown against the new ones.
    void aTuningChangeDropsReadingsOnTheirWay() {
        FakeMicrophone mic;
        ListeningWindow window(mic.factory(), standard, names, quick);
        mic.play(pitch::noteFrequencyHz(40), 0.6);
        window.setTargets({47, 43, 38, 33, 28, 35}, names);
        QCOMPARE(mic.made, 2);
        QTest::qWait(20);
        QCOMPARE(window.stringLabel().text(), QString("Zaigrajte struno."));
    }

    void noMicrophoneIsSaidAndLookedForAgain() {
        FakeMicrophone mic;
        mic.present = false;
        ListeningWindow window(mic.factory(), standard, names, quick);
        QTRY_COMPARE(window.stringLabel().text(), QString("Mikrofon ni na voljo."));
        QVERIFY(!mic.open());
        mic.present = true;
        QTRY_VERIFY(mic.open());
        QCOMPARE(window.stringLabel().text(), QString("Zaigrajte struno."));
        mic.play(pitch::noteFrequencyHz(50), 0.6);
        QTRY_COMPARE(window.stringLabel().text(), QString("D-4 (Četrta struna)"));
    }

    // One window at a time; asking again raises it and keeps the microphone it has. Closing it
    // closes the microphone.
    void oneWindowWhoseCloseClosesTheMicrophone() {
        FakeMicrophone mic;
        ListeningWindow* window = showListeningWindow(mic.factory(), standard, names);
        QCOMPARE(openListeningWindow(), window);
        QCOMPARE(showListeningWindow(mic.factory(), standard, names), window);
        QCOMPARE(mic.made, 1);
        QVERIFY(mic.open());
        window->close();
        QTRY_VERIFY(!openListeningWindow());
        QVERIFY(!mic.open());
    }
};

QTEST_MAIN(TestListeningWindow)
#include "test_listening_window.moc"
