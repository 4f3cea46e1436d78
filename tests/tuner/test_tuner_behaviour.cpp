// The tuner window's behaviour, scenario by scenario, on fake host services: what is sent to
// the MIDI port, what is asked and shown, what is stored and restored.

#include <QtTest>

#include "tests/tuner/behaviour_harness.h"

using Heard = std::vector<std::pair<int, int>>;
constexpr int on = 0x90;
constexpr int off = 0x80;

namespace {
QString u8(const char* s) {
    return QString::fromUtf8(s);
}
const QString steel = u8("Akustična kitara (Jeklo)");
const QString standard = QStringLiteral("Standardna uglasitev");
}  // namespace

class TunerBehaviourTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void firstRunWithNothingStored();
    void listsHoldTheCatalogueInTableOrder();
    void storedValues_data();
    void storedValues();
    void storedChoicesSelectAndSound();

    void tuningDecidesTheNote_data();
    void tuningDecidesTheNote();
    void tuningListWithoutSelectionKeepsNotes();
    void durationMessages_data();
    void durationMessages();
    void zeroDurationSendsOnAndOffBackToBack();

    void defaultsAnsweredNoChangesNothing();
    void defaultsAnsweredYesResetsTheChoices();

    void failedMidiShowsOneMessageAndWaitsSilently();
    void secondStringSoundsInsideTheFirstsWait();
    void soundChangeInsideAWaitIsSentAtOnce();
    void closingDuringAHeldNoteStoresAndClosesOnce();
    void izhodEndsAtOnceEvenInsideAWait();
    void closeAndStartAgainRestoresAllSix();
    void akordiOpensTheChordWindow();
};

void TunerBehaviourTest::firstRunWithNothingStored() {
    BehaviourHarness h;
    h.behaviour->load();
    QCOMPARE(h.host.centrings, 1);
    QCOMPARE(h.host.left, fakes::FakeHost::centredLeft);
    QCOMPARE(h.host.top, fakes::FakeHost::centredTop);
    QCOMPARE(h.window.windowState(), Qt::WindowNoState);
    QCOMPARE(h.cmbInst->currentText(), steel);
    QCOMPARE(h.cmbTune->currentText(), standard);
    QCOMPARE(h.txtDur->text(), QStringLiteral("2"));
    QCOMPARE(h.host.port.programs(), std::vector<int>{25});
    QCOMPARE(h.behaviour->currentNotes(), (tuner::StringNotes{64, 59, 55, 50, 45, 40}));
    QCOMPARE(h.behaviour->midiOut().baseNote(), std::int16_t{0});
    QVERIFY(h.host.messages.empty());
    QVERIFY(h.host.writes.isEmpty());
}

void TunerBehaviourTest::listsHoldTheCatalogueInTableOrder() {
    BehaviourHarness h;
    h.behaviour->load();
    QCOMPARE(h.cmbTune->count(), 36);
    QCOMPARE(h.cmbInst->count(), 7);
    QCOMPARE(h.cmbTune->itemText(35), QStringLiteral("A mol"));
    QCOMPARE(h.cmbInst->itemText(0), u8("Akustična kitara (Nylon)"));
    QCOMPARE(h.behaviour->tunings()[1].name, QStringLiteral("Bass Standard"));
}

void TunerBehaviourTest::storedValues_data() {
    QTest::addColumn<QStringList>("settings");  // key=value pairs
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("top");
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<QString>("duration");
    QTest::addColumn<QString>("instrument");

    const double cl = fakes::FakeHost::centredLeft;
    const double ct = fakes::FakeHost::centredTop;
    QTest::newRow("WS 2 opens normal") << QStringList{"WS=2"} << cl << ct << false << "2" << steel;
    QTest::newRow("WS 1 opens minimised")
        << QStringList{"WS=1"} << cl << ct << true << "2" << steel;
    QTest::newRow("Dur 10") << QStringList{"Dur=10"} << cl << ct << false << "2" << steel;
    QTest::newRow("Dur 0") << QStringList{"Dur=0"} << cl << ct << false << "2" << steel;
    QTest::newRow("Dur -1") << QStringList{"Dur=-1"} << cl << ct << false << "2" << steel;
    QTest::newRow("Dur x") << QStringList{"Dur=x"} << cl << ct << false << "2" << steel;
    QTest::newRow("Dur 7") << QStringList{"Dur=7"} << cl << ct << false << "7" << steel;
    QTest::newRow("unknown instrument")
        << QStringList{"Instrument=Banjo"} << cl << ct << false << "2" << steel;
    QTest::newRow("instrument in other case")
        << QStringList{u8("Instrument=akustična kitara (nylon)")} << cl << ct << false << "2"
        << steel;
    QTest::newRow("stored position")
        << QStringList{"Left=1500", "Top=3000"} << 1500.0 << 3000.0 << false << "2" << steel;
    QTest::newRow("letters in Left, valid Top")
        << QStringList{"Left=abc", "Top=3000"} << cl << 3000.0 << false << "2" << steel;
    // Values no window can take are ignored like text that is no number.
    QTest::newRow("nan Left") << QStringList{"Left=nan", "Top=3000"} << cl << 3000.0 << false << "2"
                              << steel;
    QTest::newRow("inf Top") << QStringList{"Left=1500", "Top=inf"} << 1500.0 << ct << false << "2"
                             << steel;
    QTest::newRow("huge Left") << QStringList{"Left=1e300", "Top=3000"} << cl << 3000.0 << false
                               << "2" << steel;
    QTest::newRow("beyond 32 bits")
        << QStringList{"Left=99999999999", "Top=-99999999999"} << cl << ct << false << "2" << steel;
    // A monitor removed since the last run: the window must not open where nobody sees it.
    QTest::newRow("wholly right of the screen")
        << QStringList{"Left=30000", "Top=3000"} << cl << ct << false << "2" << steel;
    QTest::newRow("wholly above the screen")
        << QStringList{"Left=1500", "Top=-6000"} << cl << ct << false << "2" << steel;
    QTest::newRow("partly off the screen is kept")
        << QStringList{"Left=-3000", "Top=3000"} << -3000.0 << 3000.0 << false << "2" << steel;
}

void TunerBehaviourTest::storedValues() {
    QFETCH(QStringList, settings);
    QFETCH(double, left);
    QFETCH(double, top);
    QFETCH(bool, minimised);
    QFETCH(QString, duration);
    QFETCH(QString, instrument);

    BehaviourHarness h;
    for (const QString& pair : settings) {
        h.host.store(pair.section('=', 0, 0), pair.section('=', 1));
    }
    h.behaviour->load();
    QCOMPARE(h.host.left, left);
    QCOMPARE(h.host.top, top);
    QCOMPARE(h.window.windowState().testFlag(Qt::WindowMinimized), minimised);
    QCOMPARE(h.txtDur->text(), duration);
    QCOMPARE(h.cmbInst->currentText(), instrument);
    QVERIFY(h.host.messages.empty());
}

void TunerBehaviourTest::storedChoicesSelectAndSound() {
    BehaviourHarness h;
    h.host.store("Instrument", "Distorzijska kitara");
    h.host.store("Tuning", "Open G");
    h.behaviour->load();
    QCOMPARE(h.cmbInst->currentText(), QStringLiteral("Distorzijska kitara"));
    QCOMPARE(h.host.port.programs(), std::vector<int>{30});
    QCOMPARE(h.behaviour->currentNotes(), (tuner::StringNotes{62, 59, 55, 50, 43, 38}));
}

void TunerBehaviourTest::tuningDecidesTheNote_data() {
    QTest::addColumn<QString>("tuning");
    QTest::addColumn<int>("string");
    QTest::addColumn<int>("note");
    QTest::newRow("standard, string 5") << standard << 5 << 40;
    QTest::newRow("bass standard, string 5") << "Bass Standard" << 5 << 35;
    QTest::newRow("dropped D, string 0") << "Dropped-D" << 0 << 64;
    QTest::newRow("dropped D, string 5") << "Dropped-D" << 5 << 38;
    QTest::newRow("double dropped D, string 5") << "Double Dropped-D" << 5 << 38;
    QTest::newRow("down half step, string 0")
        << QString(tuner::toQString(tuner::tuningRows[4].name)) << 0 << 63;
    QTest::newRow("last tuning, string 5") << "A mol" << 5 << 45;
}

void TunerBehaviourTest::tuningDecidesTheNote() {
    QFETCH(QString, tuning);
    QFETCH(int, string);
    QFETCH(int, note);
    BehaviourHarness h;
    h.behaviour->load();
    h.chooseTuning(tuning);
    h.host.port.words.clear();
    h.behaviour->playString(string);
    QCOMPARE(h.host.port.heard(), (Heard{{on, note}, {off, note}}));
    QCOMPARE(h.host.port.words.front().word & 0xFF0000u, 0x7F0000u);  // full velocity
    QCOMPARE(h.host.wait.now, std::int64_t{2000});
}

void TunerBehaviourTest::tuningListWithoutSelectionKeepsNotes() {
    BehaviourHarness h;
    h.behaviour->load();
    h.chooseTuning("Dropped-D");
    h.cmbTune->setCurrentIndex(-1);
    h.behaviour->tuningChange();
    QCOMPARE(h.behaviour->currentNotes(), (tuner::StringNotes{64, 59, 55, 50, 45, 38}));
}

void TunerBehaviourTest::durationMessages_data() {
    QTest::addColumn<QString>("duration");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("selected");
    QTest::newRow("empty") << "" << u8("Izberi dolžino trajanja note v sekundah")
                           << "Zahtevano trajanje note" << false;
    QTest::newRow("letter") << "x" << u8("Vtipkaj številčno vrednost za trajanje note")
                            << "Neustrezno trajanje note" << true;
    QTest::newRow("point") << "." << u8("Vtipkaj številčno vrednost za trajanje note")
                           << "Neustrezno trajanje note" << true;
}

void TunerBehaviourTest::durationMessages() {
    QFETCH(QString, duration);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(bool, selected);
    BehaviourHarness h;
    h.behaviour->load();
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    h.cmbInst->setFocus();
    h.txtDur->setText(duration);  // pasted text does not pass the key filter
    h.host.port.words.clear();
    h.behaviour->playString(2);
    QCOMPARE(h.host.messages.size(), std::size_t{1});
    QCOMPARE(h.host.messages[0].text, text);
    QCOMPARE(h.host.messages[0].title, title);
    QCOMPARE(h.host.messages[0].style, tuner::msgbox::critical);
    QVERIFY(h.host.port.words.empty());
    QCOMPARE(h.host.wait.now, std::int64_t{0});
    QVERIFY(h.txtDur->hasFocus());
    QCOMPARE(h.txtDur->selectedText(), selected ? duration : QString());
}

void TunerBehaviourTest::zeroDurationSendsOnAndOffBackToBack() {
    BehaviourHarness h;
    h.behaviour->load();
    h.txtDur->setText("0");
    h.host.port.words.clear();
    h.behaviour->playString(0);
    QCOMPARE(h.host.port.heard(), (Heard{{on, 64}, {off, 64}}));
    QCOMPARE(h.host.wait.now, std::int64_t{0});
}

void TunerBehaviourTest::defaultsAnsweredNoChangesNothing() {
    BehaviourHarness h;
    h.behaviour->load();
    h.chooseSound("Overdrive kitara");
    h.chooseTuning("Open E");
    h.txtDur->setText("5");
    h.host.port.words.clear();
    h.host.answers = {tuner::msgbox::no};
    h.behaviour->loadDefaults();
    QCOMPARE(h.host.messages.size(), std::size_t{1});
    QCOMPARE(h.host.messages[0].text, u8("Želiš naložiti privzete nastavitve?"));
    QCOMPARE(h.host.messages[0].title, u8("Naloži privzeto"));
    QCOMPARE(h.host.messages[0].style, tuner::msgbox::question);
    QCOMPARE(h.cmbInst->currentText(), QStringLiteral("Overdrive kitara"));
    QCOMPARE(h.cmbTune->currentText(), QStringLiteral("Open E"));
    QCOMPARE(h.txtDur->text(), QStringLiteral("5"));
    QVERIFY(h.host.port.words.empty());
}

void TunerBehaviourTest::defaultsAnsweredYesResetsTheChoices() {
    BehaviourHarness h;
    h.host.store("Left", "1500");
    h.host.store("Top", "3000");
    h.behaviour->load();
    h.chooseSound("Overdrive kitara");
    h.chooseTuning("Open E");
    h.txtDur->setText("5");
    h.host.port.words.clear();
    h.host.answers = {tuner::msgbox::yes};
    h.behaviour->loadDefaults();
    QCOMPARE(h.cmbInst->currentText(), steel);
    QCOMPARE(h.cmbTune->currentText(), standard);
    QCOMPARE(h.txtDur->text(), QStringLiteral("2"));
    QCOMPARE(h.host.port.programs(), std::vector<int>{25});
    QCOMPARE(h.behaviour->currentNotes(), (tuner::StringNotes{64, 59, 55, 50, 45, 40}));
    QCOMPARE(h.host.left, 1500.0);
    QCOMPARE(h.host.top, 3000.0);
    QVERIFY(h.host.writes.isEmpty());
}

void TunerBehaviourTest::failedMidiShowsOneMessageAndWaitsSilently() {
    BehaviourHarness h;
    h.host.port.openResult = midi::result::noDevice;
    h.behaviour->load();
    QCOMPARE(h.host.messages.size(), std::size_t{1});
    QCOMPARE(h.host.messages[0].text, QStringLiteral("Ne morem povezati na MIDI Mapper"));
    QCOMPARE(h.host.messages[0].title, u8("Kritična napaka"));
    QCOMPARE(h.host.messages[0].style, tuner::msgbox::critical);
    QCOMPARE(h.behaviour->midiOut().baseNote(), std::int16_t{36});
    for (int i = 0; i < tuner::stringCount; ++i)
        h.behaviour->playString(i);
    QCOMPARE(h.host.wait.now, std::int64_t{6 * 2000});
    QVERIFY(h.host.port.heard().empty());
    QCOMPARE(h.host.messages.size(), std::size_t{1});
}

void TunerBehaviourTest::secondStringSoundsInsideTheFirstsWait() {
    BehaviourHarness h;
    h.behaviour->load();
    h.txtDur->setText("3");
    h.host.port.words.clear();
    h.host.wait.at(500, [&] { h.behaviour->playString(5); });
    h.behaviour->playString(0);
    QCOMPARE(h.host.port.heard(), (Heard{{on, 64}, {on, 40}, {off, 40}, {off, 64}}));
}

void TunerBehaviourTest::soundChangeInsideAWaitIsSentAtOnce() {
    BehaviourHarness h;
    h.behaviour->load();
    h.host.port.words.clear();
    h.host.wait.at(500, [&] { h.chooseSound("Distorzijska kitara"); });
    h.behaviour->playString(0);
    QCOMPARE(h.host.port.heard(), (Heard{{on, 64}, {0xC0, 30}, {off, 64}}));
}

void TunerBehaviourTest::closingDuringAHeldNoteStoresAndClosesOnce() {
    BehaviourHarness h;
    h.behaviour->load();
    h.txtDur->setText("4");
    h.host.port.words.clear();
    h.host.wait.at(1500, [&] { h.behaviour->queryUnload(); });
    h.behaviour->playString(1);
    // The wait ran to its end; its note-off found the device closed and was lost.
    QCOMPARE(h.host.wait.now, std::int64_t{4000});
    QCOMPARE(h.host.port.heard(), (Heard{{on, 59}}));
    QCOMPARE(h.host.port.words.size(), std::size_t{2});
    QCOMPARE(h.host.port.closes, 1);
    QCOMPARE(h.host.writes, (QStringList{"Left", "Top", "WS", "Instrument", "Tuning", "Dur"}));
    QCOMPARE(h.host.value("Dur"), QStringLiteral("4"));
}

void TunerBehaviourTest::izhodEndsAtOnceEvenInsideAWait() {
    BehaviourHarness h;
    h.behaviour->load();
    h.host.wait.at(500, [&] { h.behaviour->exitProgram(); });
    h.behaviour->playString(0);
    QCOMPARE(h.host.endRequests, 1);
    QVERIFY(h.host.writes.isEmpty());
    QCOMPARE(h.host.port.closes, 0);
}

void TunerBehaviourTest::closeAndStartAgainRestoresAllSix() {
    QMap<QString, QString> kept;
    {
        BehaviourHarness first;
        first.behaviour->load();
        first.host.left = 2250;
        first.host.top = 4500;
        first.chooseSound(u8("Električna kitara (Jazz)"));
        first.chooseTuning("Fourths");
        first.txtDur->setText("6");
        first.behaviour->queryUnload();
        kept = first.host.stored;
        QCOMPARE(first.host.value("Left"), QStringLiteral("2250"));
        QCOMPARE(first.host.value("WS"), QStringLiteral("0"));
    }
    BehaviourHarness second;
    second.host.stored = kept;
    second.behaviour->load();
    QCOMPARE(second.host.left, 2250.0);
    QCOMPARE(second.host.top, 4500.0);
    QCOMPARE(second.cmbInst->currentText(), u8("Električna kitara (Jazz)"));
    QCOMPARE(second.cmbTune->currentText(), QStringLiteral("Fourths"));
    QCOMPARE(second.txtDur->text(), QStringLiteral("6"));
    QCOMPARE(second.host.port.programs(), std::vector<int>{26});
    QCOMPARE(second.behaviour->currentNotes()[0], std::int16_t{65});
}

void TunerBehaviourTest::akordiOpensTheChordWindow() {
    BehaviourHarness h;
    h.behaviour->load();
    h.behaviour->showChordWindow();
    QCOMPARE(h.chordWindowRequests, 1);
    QVERIFY(h.host.writes.isEmpty());
}

QTEST_MAIN(TunerBehaviourTest)
#include "test_tuner_behaviour.moc"
