// The tuner as a screen reader meets it through Qt's accessibility interfaces: string buttons
// found by name and pressed, labels tied to their controls, no unnamed pictures; the listening
// window's texts and meter, told at a pace a reader can follow; and the rule that sets that
// pace.

#include <QAccessible>
#include <QLabel>
#include <QtTest>

#include "pitch/pitch_estimator.h"
#include "tests/tuner/fake_tuner_host.h"
#include "tuner/frm_main.h"
#include "tuner/listening_window.h"
#include "tuner/reading_announcer.h"
#include "tuner/tuning_meter.h"

using fakes::u8;

namespace {

QString readerName(const QObject& object) {
    return QAccessible::queryAccessibleInterface(const_cast<QObject*>(&object))
        ->text(QAccessible::Name);
}

// Every object a reader can reach below `node`, depth first.
void walk(QAccessibleInterface* node, QList<QAccessibleInterface*>& out) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        out << child;
        walk(child, out);
    }
}

QAccessibleInterface* findByName(QWidget& window, QAccessible::Role role, const QString& name) {
    QList<QAccessibleInterface*> all;
    walk(QAccessible::queryAccessibleInterface(&window), all);
    for (QAccessibleInterface* node : all)
        if (node->role() == role && node->text(QAccessible::Name) == name)
            return node;
    return nullptr;
}

const tuner::StringNotes standard{64, 59, 55, 50, 45, 40};
const tuner::StringNames names{"     E-1 (Najtanjša struna)", "     B-2 (Druga struna)",
                               "     G-3 (Tretja struna)",    "     D-4 (Četrta struna)",
                               "     A-5 (Peta struna)",      "     E-6 (Najdebelejša struna)"};

double hzAt(int note, double cents) {
    return pitch::noteFrequencyHz(note) * std::pow(2.0, cents / 1200.0);
}

}  // namespace

class TestTunerAccessibility : public QObject {
    Q_OBJECT

private slots:
    // A reader finds each string button by its name and presses it: its note sounds.
    void pressingAStringButtonPlaysItsNote_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("note");
        QTest::newRow("thinnest") << u8("E-1 (Najtanjša struna)") << 64;
        QTest::newRow("fifth") << u8("A-5 (Peta struna)") << 45;
        QTest::newRow("thickest") << u8("E-6 (Najdebelejša struna)") << 40;
    }
    void pressingAStringButtonPlaysItsNote() {
        QFETCH(QString, name);
        QFETCH(int, note);
        fakes::FakeHost host;
        tuner::frmMain window(host);
        QAccessibleInterface* button = findByName(window, QAccessible::Button, name);
        QVERIFY2(button, qPrintable(name));
        QVERIFY(button->actionInterface());
        host.port.sent.clear();
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(host.heard(), (fakes::Heard{{fakes::noteOn, note}, {fakes::noteOff, note}}));
    }

    // Each label names its control for the reader; the duration box takes the label's name.
    void labelsNameTheirControls_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("instrument") << 0;
        QTest::newRow("tuning") << 1;
        QTest::newRow("duration") << 2;
    }
    void labelsNameTheirControls() {
        QFETCH(int, index);
        fakes::FakeHost host;
        tuner::frmMain window(host);
        const std::array<QWidget*, 3> controls{window.cmbInst(), window.cmbTune(), window.txtDur()};
        QWidget* control = controls[std::size_t(index)];
        QLabel* label = window.lblDisplay()[std::size_t(index)];
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(control);
        bool labelled = false;
        for (const auto& [other, relation] : view->relations(QAccessible::Label))
            labelled = labelled || other->object() == label;
        QVERIFY2(labelled, qPrintable(label->text()));
        QString name = label->text();
        name.remove(u':');
        QCOMPARE(control->accessibleName(), name);
        if (control == window.txtDur())
            QCOMPARE(view->text(QAccessible::Name), name);
    }

    // Nothing a reader reaches in the tuner window is an unnamed picture or an unnamed filler.
    void noUnnamedPicturesOrFillers() {
        fakes::FakeHost host;
        tuner::frmMain window(host);
        QList<QAccessibleInterface*> all;
        walk(QAccessible::queryAccessibleInterface(&window), all);
        QStringList unnamed;
        for (QAccessibleInterface* node : all) {
            const QAccessible::Role role = node->role();
            if ((role == QAccessible::Graphic || role == QAccessible::Client) &&
                node->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << node->object()->metaObject()->className();
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
        QVERIFY(findByName(window, QAccessible::Graphic, u8("Vrat kitare")));
        QCOMPARE(all.size() > 0, true);
    }

    // The texts and the meter as a reader reads them. Readings stream in on a stopped clock: the
    // first is told, the next ones are shown but not told until a second has passed. (A tone's
    // first readings may still be settling, so the test compares with what was told rather than
    // with a fixed text.)
    void listeningWindowIsToldAtAReadersPace() {
        testing::FakeMicrophone mic;
        testing::VirtualWaitHost clock;
        tuner::ListeningWindow window(mic.factory(), standard, names, {60000, 50}, &clock);
        QAccessibleInterface* string =
            QAccessible::queryAccessibleInterface(const_cast<QLabel*>(&window.stringLabel()));
        QCOMPARE(string->role(), QAccessible::StaticText);
        QCOMPARE(string->text(QAccessible::Name), u8("Zaigrajte struno."));

        mic.play(hzAt(45, -3.2), 0.6);
        QTRY_COMPARE(window.deviationLabel().text(), u8("-3,2 centa"));
        QCOMPARE(string->text(QAccessible::Name), u8("A-5 (Peta struna)"));
        const QString told = readerName(window.deviationLabel());
        QVERIFY2(told.endsWith(u8(" centa")), qPrintable(told));
        QAccessibleInterface* meter =
            QAccessible::queryAccessibleInterface(const_cast<tuner::TuningMeter*>(&window.meter()));
        QAccessibleValueInterface* value = meter->valueInterface();
        QVERIFY(value);
        QCOMPARE(value->minimumValue().toDouble(), -50.0);
        QCOMPARE(value->maximumValue().toDouble(), 50.0);
        QVERIFY(std::abs(value->currentValue().toDouble() + 3.2) < 0.1);

        clock.nowMs = 200;
        mic.play(hzAt(45, -6.0), 0.6);
        QTRY_COMPARE(window.deviationLabel().text(), u8("-6,0 centa"));
        QCOMPARE(readerName(window.deviationLabel()), told);
        QVERIFY(std::abs(value->currentValue().toDouble() + 6.0) < 0.1);

        // A second later the reader is told again.
        clock.nowMs = 1200;
        mic.play(hzAt(45, -6.0), 0.6);
        QTRY_VERIFY(readerName(window.deviationLabel()) != told);
    }

    void aMissingMicrophoneIsRead() {
        testing::FakeMicrophone mic;
        mic.present = false;
        testing::VirtualWaitHost clock;
        tuner::ListeningWindow window(mic.factory(), standard, names, {50, 50}, &clock);
        QTRY_COMPARE(readerName(window.stringLabel()), u8("Mikrofon ni na voljo."));
        QCOMPARE(readerName(window.deviationLabel()).trimmed(), QString());
    }

    // Which readings of a stream are announced: times in ms, the string ("" for the prompt in
    // between), the deviation text, in tune (y/n), and the readings announced (Y/N).
    void announcementRule_data() {
        QTest::addColumn<QList<int>>("times");
        QTest::addColumn<QStringList>("strings");
        QTest::addColumn<QStringList>("deviations");
        QTest::addColumn<QString>("inTune");
        QTest::addColumn<QString>("announced");
        QTest::newRow("moving: once a second")
            << QList<int>{0, 50, 999, 1000, 1050, 2000} << QStringList{"A", "A", "A", "A", "A", "A"}
            << QStringList{"-3,2", "-3,1", "-3,0", "-2,9", "-2,8", "-2,7"} << "nnnnnn"
            << "YNNYNY";
        QTest::newRow("standing still: nothing new")
            << QList<int>{0, 1500, 3000} << QStringList{"A", "A", "A"}
            << QStringList{"-3,2", "-3,2", "-3,2"} << "nnn"
            << "YNN";
        QTest::newRow("another string at once")
            << QList<int>{0, 50, 350, 400} << QStringList{"A", "A", "E", "E"}
            << QStringList{"-3,2", "-3,1", "+1,0", "+1,1"} << "nnyy"
            << "YNYN";
        QTest::newRow("into and out of the band at once")
            << QList<int>{0, 400, 450, 800} << QStringList{"A", "A", "A", "A"}
            << QStringList{"-2,5", "-1,9", "-1,8", "-2,1"} << "nyyn"
            << "YYNY";
        QTest::newRow("trembling on the band's edge: no faster than 300 ms")
            << QList<int>{0, 50, 100, 150, 300} << QStringList{"A", "A", "A", "A", "A"}
            << QStringList{"-2,1", "-1,9", "-2,1", "-1,9", "-1,9"} << "nynyy"
            << "YNNNY";
        QTest::newRow("after the prompt the first reading at once")
            << QList<int>{0, 100, 150} << QStringList{"A", "", "A"}
            << QStringList{"-3,2", "", "-3,1"} << "nnn"
            << "Y-Y";
    }
    void announcementRule() {
        QFETCH(QList<int>, times);
        QFETCH(QStringList, strings);
        QFETCH(QStringList, deviations);
        QFETCH(QString, inTune);
        QFETCH(QString, announced);
        tuner::ReadingAnnouncer announcer;
        QString got;
        for (qsizetype i = 0; i < times.size(); ++i) {
            if (strings[i].isEmpty()) {
                announcer.cleared();
                got += u'-';
                continue;
            }
            const bool told =
                announcer.reading(strings[i], deviations[i], inTune[i] == u'y', times[i]);
            got += told ? u'Y' : u'N';
        }
        QCOMPARE(got, announced);
    }
};

QTEST_MAIN(TestTunerAccessibility)
#include "test_tuner_accessibility.moc"
