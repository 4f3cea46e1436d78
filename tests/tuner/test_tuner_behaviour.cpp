// The tuner window's behaviour, scenario by scenario, on fake host services: what is sent to
// the MIDI port, what is asked and shown, what is stored and restored.

#include <QtTest>

#include "tests/tuner/fake_tuner_host.h"

using fakes::FakeHost;
using fakes::Heard;
using fakes::Message;
using fakes::noteOff;
using fakes::noteOn;
using fakes::u8;

namespace {
const QString steel = u8("Akustična kitara (Jeklo)");
const QString standard = QStringLiteral("Standardna uglasitev");
}  // namespace

class TunerBehaviourTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void storedValues_data();
    void storedValues();
    void closeAndStartAgainRestoresAllSix();
    void storedReference_data();
    void storedReference();

    void playString_data();
    void playString();
    void durationMessages_data();
    void durationMessages();
    void defaultsAskedFirstNoThenYes();

    void failedMidiShowsOneMessageAndWaitsSilently();
    void controlsWorkInsideANotesWait();
};

void TunerBehaviourTest::storedValues_data() {
    QTest::addColumn<QStringList>("settings");  // key=value pairs
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("top");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("duration");

    const double cl = FakeHost::centredLeft;
    const double ct = FakeHost::centredTop;
    const int normal = Qt::WindowNoState;
    QTest::newRow("nothing stored") << QStringList{} << cl << ct << normal << "2";
    QTest::newRow("WS 2 opens normal") << QStringList{"WS=2"} << cl << ct << normal << "2";
    QTest::newRow("WS 1 opens minimised")
        << QStringList{"WS=1"} << cl << ct << int(Qt::WindowMinimized) << "2";
    for (const char* dur : {"10", "0", "-1", "x"})
        QTest::addRow("Dur %s", dur)
            << QStringList{QString("Dur=") + dur} << cl << ct << normal << "2";
    QTest::newRow("Dur 7") << QStringList{"Dur=7"} << cl << ct << normal << "7";
    QTest::newRow("unknown instrument")
        << QStringList{"Instrument=Banjo"} << cl << ct << normal << "2";
    QTest::newRow("instrument in other case")
        << QStringList{u8("Instrument=akustična kitara (nylon)")} << cl << ct << normal << "2";
    QTest::newRow("letters in Left, valid Top")
        << QStringList{"Left=abc", "Top=3000"} << cl << 3000.0 << normal << "2";
    // A monitor removed since the last run: the window must not open where nobody sees it.
    QTest::newRow("wholly above the screen")
        << QStringList{"Left=1500", "Top=-6000"} << cl << ct << normal << "2";
    QTest::newRow("partly off the screen is kept")
        << QStringList{"Left=-3000", "Top=3000"} << -3000.0 << 3000.0 << normal << "2";
}

// Every row opens with the default sound and tuning, sent to an open device, and asks nothing.
void TunerBehaviourTest::storedValues() {
    QFETCH(QStringList, settings);
    QFETCH(double, left);
    QFETCH(double, top);
    QFETCH(int, state);
    QFETCH(QString, duration);

    BehaviourHarness h;
    for (const QString& pair : settings)
        h.host.store(pair.section('=', 0, 0), pair.section('=', 1));
    h.behaviour.load();
    QCOMPARE(h.host.left, left);
    QCOMPARE(h.host.top, top);
    QCOMPARE(int(h.window.windowState()), state);
    QCOMPARE(h.txtDur->text(), duration);
    QCOMPARE(h.cmbInst->count(), 7);
    QCOMPARE(h.cmbTune->count(), 36);
    QCOMPARE(h.cmbInst->currentText(), steel);
    QCOMPARE(h.cmbTune->currentText(), standard);
    QCOMPARE(h.host.programs(), std::vector<int>{25});
    QCOMPARE(h.behaviour.currentNotes(), (tuner::StringNotes{64, 59, 55, 50, 45, 40}));
    QCOMPARE(h.behaviour.midiOut().baseNote(), std::int16_t{0});
    QVERIFY(h.host.messages.empty());
    QVERIFY(h.host.writes.isEmpty());
}

void TunerBehaviourTest::closeAndStartAgainRestoresAllSix() {
    QMap<QString, QString> kept;
    {
        BehaviourHarness first;
        first.behaviour.load();
        first.host.left = 2250;
        first.host.top = 4500;
        first.chooseSound(u8("Električna kitara (Jazz)"));
        first.chooseTuning("Fourths");
        first.txtDur->setText("6");
        first.behaviour.queryUnload();
        kept = first.host.stored;
    }
    BehaviourHarness second;
    second.host.stored = kept;
    second.behaviour.load();
    QCOMPARE(QPointF(second.host.left, second.host.top), QPointF(2250, 4500));
    QCOMPARE(second.cmbInst->currentText(), u8("Električna kitara (Jazz)"));
    QCOMPARE(second.cmbTune->currentText(), QStringLiteral("Fourths"));
    QCOMPARE(second.txtDur->text(), QStringLiteral("6"));
    QCOMPARE(second.host.programs(), std::vector<int>{26});
    QCOMPARE(second.behaviour.currentNotes()[0], std::int16_t{65});
}

// The reference A4 is read, applied to the synth, defaulted and refused like the other keys,
// and written back as the box shows it.
void TunerBehaviourTest::storedReference_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<int>("a4");
    QTest::newRow("an old file without it") << QStringList{} << 440;
    for (const char* kept : {"432", "415", "466", " 442 "})
        QTest::addRow("%s", kept) << QStringList{QString("A4=") + kept} << QString(kept).toInt();
    for (const char* refused : {"414", "467", "abc", "", "440.5", "NaN", "4.4e2"})
        QTest::addRow("refused: '%s'", refused) << QStringList{QString("A4=") + refused} << 440;
}

void TunerBehaviourTest::storedReference() {
    QFETCH(QStringList, settings);
    QFETCH(int, a4);
    BehaviourHarness h;
    for (const QString& pair : settings)
        h.host.store(pair.section('=', 0, 0), pair.section('=', 1));
    h.host.port.referenceHz = 0;
    h.behaviour.load();
    QCOMPARE(h.spnA4->value(), a4);
    QCOMPARE(h.behaviour.referenceA4(), a4);
    QCOMPARE(h.host.port.referenceHz, double(a4));
    QVERIFY(h.host.writes.isEmpty());
    h.behaviour.queryUnload();
    QCOMPARE(h.host.value("A4"), QString::number(a4));
}

void TunerBehaviourTest::playString_data() {
    QTest::addColumn<QString>("tuning");
    QTest::addColumn<QString>("duration");
    QTest::addColumn<int>("string");
    QTest::addColumn<int>("note");
    QTest::newRow("standard, string 5") << standard << "2" << 5 << 40;
    QTest::newRow("bass standard, string 5") << "Bass Standard"
                                             << "2" << 5 << 35;
    QTest::newRow("dropped D, string 5") << "Dropped-D"
                                         << "2" << 5 << 38;
    // The half-step names are written with U+02DD, not the one-half sign.
    QTest::newRow("down half step") << u8("Down \u02DD Step") << "2" << 0 << 63;
    QTest::newRow("down one and a half") << u8("Down 1\u02DD Steps") << "2" << 0 << 61;
    QTest::newRow("last tuning") << "A mol"
                                 << "2" << 5 << 45;
    QTest::newRow("no tuning selected keeps the notes") << ""
                                                        << "2" << 5 << 40;
    QTest::newRow("zero seconds: on and off back to back") << standard << "0" << 0 << 64;
}

void TunerBehaviourTest::playString() {
    QFETCH(QString, tuning);
    QFETCH(QString, duration);
    QFETCH(int, string);
    QFETCH(int, note);
    BehaviourHarness h;
    h.behaviour.load();
    h.chooseTuning(tuning);
    h.txtDur->setText(duration);
    h.host.port.sent.clear();
    h.behaviour.playString(string);
    QCOMPARE(h.host.heard(), (Heard{{noteOn, note}, {noteOff, note}}));
    QCOMPARE(h.host.port.sent.front().word & 0xFF0000u, 0x7F0000u);  // full velocity
    QCOMPARE(h.host.port.sent.back().atMs, duration.toInt() * std::int64_t{1000});
}

void TunerBehaviourTest::durationMessages_data() {
    QTest::addColumn<QString>("duration");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::newRow("empty") << "" << u8("Izberi dolžino trajanja note v sekundah")
                           << "Zahtevano trajanje note";
    QTest::newRow("letter") << "x" << u8("Vtipkaj številčno vrednost za trajanje note")
                            << "Neustrezno trajanje note";
}

void TunerBehaviourTest::durationMessages() {
    QFETCH(QString, duration);
    QFETCH(QString, text);
    QFETCH(QString, title);
    BehaviourHarness h;
    h.behaviour.load();
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    h.cmbInst->setFocus();
    h.txtDur->setText(duration);  // pasted text does not pass the key filter
    h.host.port.sent.clear();
    h.behaviour.playString(2);
    QCOMPARE(h.host.messages, (std::vector<Message>{{text, title, tuner::MessageStyle::critical}}));
    QVERIFY(h.host.port.sent.empty());
    QCOMPARE(h.host.wait.nowMs, std::int64_t{0});
    QVERIFY(h.txtDur->hasFocus());
    QCOMPARE(h.txtDur->selectedText(), duration);  // the wrong text is selected, for retyping
}

void TunerBehaviourTest::defaultsAskedFirstNoThenYes() {
    BehaviourHarness h;
    h.host.store("Left", "1500");
    h.host.store("Top", "3000");
    h.behaviour.load();
    h.chooseSound("Overdrive kitara");
    h.chooseTuning("Open E");
    h.txtDur->setText("5");
    h.host.port.sent.clear();
    h.host.answers = {tuner::MessageAnswer::no, tuner::MessageAnswer::yes};
    h.behaviour.loadDefaults();
    const Message question{u8("Želiš naložiti privzete nastavitve?"), u8("Naloži privzeto"),
                           tuner::MessageStyle::question};
    QCOMPARE(h.host.messages, std::vector<Message>{question});
    QCOMPARE(h.cmbInst->currentText(), QStringLiteral("Overdrive kitara"));
    QCOMPARE(h.cmbTune->currentText(), QStringLiteral("Open E"));
    QCOMPARE(h.txtDur->text(), QStringLiteral("5"));
    QVERIFY(h.host.port.sent.empty());

    h.behaviour.loadDefaults();
    QCOMPARE(h.host.messages, (std::vector<Message>{question, question}));
    QCOMPARE(h.cmbInst->currentText(), steel);
    QCOMPARE(h.cmbTune->currentText(), standard);
    QCOMPARE(h.txtDur->text(), QStringLiteral("2"));
    QCOMPARE(h.host.programs(), std::vector<int>{25});
    QCOMPARE(h.behaviour.currentNotes()[2], std::int16_t{55});  // 56 in "Open E"
    // The position is no choice the defaults reset, and nothing is stored.
    QCOMPARE(h.host.left, 1500.0);
    QCOMPARE(h.host.top, 3000.0);
    QVERIFY(h.host.writes.isEmpty());
}

void TunerBehaviourTest::failedMidiShowsOneMessageAndWaitsSilently() {
    BehaviourHarness h;
    h.host.port.openResult = midi::result::noDevice;
    h.behaviour.load();
    const std::vector<Message> once{
        {"Ne morem povezati na MIDI Mapper", u8("Kritična napaka"), tuner::MessageStyle::critical}};
    QCOMPARE(h.host.messages, once);
    QCOMPARE(h.behaviour.midiOut().baseNote(), std::int16_t{36});
    for (int i = 0; i < tuner::stringCount; ++i)
        h.behaviour.playString(i);
    QCOMPARE(h.host.wait.nowMs, std::int64_t{6 * 2000});
    QVERIFY(h.host.heard().empty());
    QCOMPARE(h.host.messages, once);
}

void TunerBehaviourTest::controlsWorkInsideANotesWait() {
    BehaviourHarness h;
    h.behaviour.load();
    h.txtDur->setText("3");
    h.host.port.sent.clear();
    h.host.wait.at(
        500, [&] { h.behaviour.playString(5); });                         // a second string
    h.host.wait.at(1000, [&] { h.chooseSound("Distorzijska kitara"); });  // inside both waits
    h.behaviour.playString(0);
    QCOMPARE(h.host.heard(),
             (Heard{{noteOn, 64}, {noteOn, 40}, {0xC0, 30}, {noteOff, 40}, {noteOff, 64}}));
}

QTEST_MAIN(TunerBehaviourTest)
#include "test_tuner_behaviour.moc"
