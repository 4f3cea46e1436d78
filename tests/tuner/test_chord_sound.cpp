// The chord window's "Zaigraj" and "Za levičarje" on the tuner's side, through the fake MIDI
// port on its virtual clock and the in-memory settings: every grip's strum as the notes the
// grip frets, a strum's end, and the remembered view of the neck.

#include <QCheckBox>
#include <QtTest>

#include "chords/chord_catalogue.h"
#include "chords/marker_layout.h"
#include "tests/chords/chord_window_probe.h"
#include "tests/tuner/fake_tuner_host.h"

using chords_test::closeChordWindows;
using chords_test::marker;
using chords_test::press;

namespace {

// Standard tuning, low E first.
constexpr std::array<int, 6> openLowToHigh{40, 45, 50, 55, 59, 64};
constexpr int noteOnChannel1 = 0x91;
constexpr int noteOffChannel1 = 0x81;

// The port's words from `from` on, one line each, with the time from `startMs`.
QStringList linesFrom(const testing::RecordingPort& port, std::size_t from, std::int64_t startMs) {
    QStringList lines;
    for (std::size_t i = from; i < port.sent.size(); ++i) {
        const std::uint32_t w = port.sent[i].word;
        const int status = int(w & 0xFF);
        const QString kind = status == noteOnChannel1    ? QStringLiteral("on")
                             : status == noteOffChannel1 ? QStringLiteral("off")
                                                         : QString::number(status, 16);
        lines << QStringLiteral("%1 %2 v%3 @%4")
                     .arg(kind)
                     .arg((w >> 8) & 0x7F)
                     .arg((w >> 16) & 0x7F)
                     .arg(port.sent[i].atMs - startMs);
    }
    return lines;
}

QStringList strike(const QList<int>& notes, std::int64_t firstMs) {
    QStringList lines;
    for (qsizetype i = 0; i < notes.size(); ++i)
        lines << QStringLiteral("on %1 v127 @%2").arg(notes[i]).arg(firstMs + 30 * i);
    return lines;
}

QStringList release(const QList<int>& notes, std::int64_t atMs) {
    QStringList lines;
    for (const int note : notes)
        lines << QStringLiteral("off %1 v0 @%2").arg(note).arg(atMs);
    return lines;
}

// The last program the port was told before word `before`.
int programBefore(const testing::RecordingPort& port, std::size_t before) {
    int program = -1;
    for (std::size_t i = 0; i < before; ++i)
        if ((port.sent[i].word & 0xF0) == 0xC0)
            program = int((port.sent[i].word >> 8) & 0x7F);
    return program;
}

struct Tuner : BehaviourHarness {
    int endCalls = 0;
    Tuner() { behaviour.load(); }
    chords::frmPrijemi* chordWindow() {
        return chords::showChordWindow([this] { ++endCalls; }, behaviour.chordHost());
    }
};

const QList<int> eMajor{40, 47, 52, 56, 59, 64};

}  // namespace

class ChordSoundTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { closeChordWindows(); }

    void everyGripStrumsItsStrings_data();
    void everyGripStrumsItsStrings();
    void strumEnds_data();
    void strumEnds();
    void playWaitsForAGrip();
    void leftHandedFromStore_data();
    void leftHandedFromStore();
    void leftHandedSurvivesRestart();
};

// Unmarked strings ring open unless their open note is outside the chord; the muted ones are
// listed by string number. The sound is a different one of the seven for each row.
void ChordSoundTest::everyGripStrumsItsStrings_data() {
    QTest::addColumn<int>("chord");
    QTest::addColumn<QList<int>>("muted");
    QTest::addColumn<int>("sound");
    for (int i = 0; i < chords::chordCount; ++i) {
        const std::string_view name = chords::catalogue[i].buttonName;
        const QList<int> muted =
            name == "dm" || name == "dmsep" || name == "bsep" ? QList<int>{6} : QList<int>{};
        QTest::newRow(std::string(name).c_str()) << i << muted << i % 7;
    }
}

void ChordSoundTest::everyGripStrumsItsStrings() {
    QFETCH(int, chord);
    QFETCH(QList<int>, muted);
    QFETCH(int, sound);
    const chords::ChordGrip& grip = chords::catalogue[chord];
    QList<int> notes;
    for (int s = 6; s >= 1; --s)
        if (!muted.contains(s))
            notes << openLowToHigh[6 - s] + grip.fretOn(s);

    Tuner tuner;
    tuner.chooseSound(tuner.cmbInst->itemText(sound));
    chords::frmPrijemi* window = tuner.chordWindow();
    press(window, QString::fromLatin1(grip.buttonName));
    QCOMPARE(tuner.host.port.sent.size(), std::size_t(2));  // the two program changes only
    const std::size_t before = tuner.host.port.sent.size();
    const std::int64_t start = tuner.host.wait.nowMs;
    press(window, QStringLiteral("cmdZaigraj"));

    QCOMPARE(linesFrom(tuner.host.port, before, start), strike(notes, 0) + release(notes, 2000));
    QCOMPARE(programBefore(tuner.host.port, before), 24 + sound);
}

// What ends a strum of "E dur" 45 ms in, after two strings: another strum, which first lifts
// those two; closing the window; "Izhod". A length of 0 still strikes every string.
void ChordSoundTest::strumEnds_data() {
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("at45");
    QTest::addColumn<QStringList>("expected");
    const QList<int> cMajor{43, 48, 52, 55, 60, 64};
    const QList<int> struck{40, 47};
    QTest::newRow("new strum") << "2"
                               << "C"
                               << strike(struck, 0) + release(struck, 45) + strike(cMajor, 45) +
                                      release(cMajor, 2045);
    QTest::newRow("window closed") << "2"
                                   << "close" << strike(struck, 0) + release(struck, 45);
    QTest::newRow("Izhod") << "2"
                           << "Command1" << strike(struck, 0) + release(struck, 45);
    QTest::newRow("length 0") << "0"
                              << "" << strike(eMajor, 0) + release(eMajor, 400);
}

void ChordSoundTest::strumEnds() {
    QFETCH(QString, length);
    QFETCH(QString, at45);
    QFETCH(QStringList, expected);
    Tuner tuner;
    tuner.txtDur->setText(length);
    chords::frmPrijemi* window = tuner.chordWindow();
    press(window, QStringLiteral("E"));
    const std::size_t before = tuner.host.port.sent.size();
    const std::int64_t start = tuner.host.wait.nowMs;
    tuner.host.wait.at(start + 45, [&] {
        if (at45 == "close") {
            window->close();
        } else if (at45 == "Command1") {
            press(window, at45);
        } else if (!at45.isEmpty()) {
            press(window, at45);
            press(window, QStringLiteral("cmdZaigraj"));
        }
    });
    press(window, QStringLiteral("cmdZaigraj"));
    tuner.host.wait.processEvents(5000);  // nothing may follow
    QCOMPARE(linesFrom(tuner.host.port, before, start), expected);
    QCOMPARE(tuner.endCalls, at45 == "Command1" ? 1 : 0);
}

// Disabled until a grip is shown; then Enter and Space play it, as a click does.
void ChordSoundTest::playWaitsForAGrip() {
    Tuner tuner;
    chords::frmPrijemi* window = tuner.chordWindow();
    auto* play = window->findChild<QPushButton*>(QStringLiteral("cmdZaigraj"));
    QVERIFY(play != nullptr);
    QCOMPARE(play->accessibleName(), QStringLiteral("Zaigraj"));
    QVERIFY(!play->isEnabled());
    press(window, QStringLiteral("em"));
    QVERIFY(play->isEnabled());
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        const std::size_t before = tuner.host.port.sent.size();
        const std::int64_t start = tuner.host.wait.nowMs;
        play->setFocus();
        QTest::keyClick(play, key);
        QCOMPARE(linesFrom(tuner.host.port, before, start),
                 strike({40, 47, 52, 55, 59, 64}, 0) + release({40, 47, 52, 55, 59, 64}, 2000));
    }
}

// Only a stored "1" mirrors the neck; opening the window writes nothing.
void ChordSoundTest::leftHandedFromStore_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("left");
    QTest::newRow("missing") << QString() << false;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("1") << "1" << true;
    for (const char* bad : {"2", "-1", "x", " 1", "1.0", "01", "true"})
        QTest::newRow(bad) << bad << false;
}

void ChordSoundTest::leftHandedFromStore() {
    QFETCH(QString, stored);
    QFETCH(bool, left);
    Tuner tuner;
    if (!stored.isNull())
        tuner.host.store(QStringLiteral("Levicar"), stored);
    chords::frmPrijemi* window = tuner.chordWindow();
    QCOMPARE(window->findChild<QCheckBox*>(QStringLiteral("chkLevicar"))->isChecked(), left);
    QCOMPARE(marker(window, QStringLiteral("E1"))->x(), left ? 771 - 56 - 23 : 56);
    QCOMPARE(tuner.host.writes, QStringList());
}

// The view is written when it changes, alone; the tuner's own keys are left to its closing.
void ChordSoundTest::leftHandedSurvivesRestart() {
    QMap<QString, QString> store;
    {
        Tuner tuner;
        tuner.host.store(QStringLiteral("Dur"), QStringLiteral("7"));
        QTest::mouseClick(tuner.chordWindow()->findChild<QCheckBox*>(QStringLiteral("chkLevicar")),
                          Qt::LeftButton);
        QCOMPARE(tuner.host.writes, QStringList{"Levicar"});
        QCOMPARE(tuner.host.value(QStringLiteral("Levicar")), QStringLiteral("1"));
        closeChordWindows();
        tuner.behaviour.queryUnload();
        QCOMPARE(tuner.host.writes.size(), 8);
        QVERIFY(!tuner.host.writes.mid(1).contains(QStringLiteral("Levicar")));
        store = tuner.host.stored;
    }
    Tuner restarted;
    restarted.host.stored = store;
    chords::frmPrijemi* window = restarted.chordWindow();
    auto* box = window->findChild<QCheckBox*>(QStringLiteral("chkLevicar"));
    QVERIFY(box->isChecked());
    QCOMPARE(marker(window, QStringLiteral("EE11"))->x(), 771 - 672 - 23);
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(restarted.host.value(QStringLiteral("Levicar")), QStringLiteral("0"));
    QCOMPARE(marker(window, QStringLiteral("EE11"))->x(), 672);
}

QTEST_MAIN(ChordSoundTest)
#include "test_chord_sound.moc"
