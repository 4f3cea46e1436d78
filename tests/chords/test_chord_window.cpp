// The chord window as the user meets it: markers shown by the chord buttons, the focus and tab
// order, the places of its controls, the help texts, the single window and its two exits.
#include <QAccessible>
#include <QPointer>
#include <QStandardPaths>
#include <QtTest>

#include "chords/chord_catalogue.h"
#include "tests/chords/chord_window_probe.h"

using namespace chords;
using namespace chords_test;

namespace {

QString nameOf(int chordIndex) {
    return QString::fromLatin1(catalogue[chordIndex].buttonName);
}

// The markers a catalogue row asks for, named from its frets, in layout order.
QStringList gripMarkers(const ChordGrip& grip) {
    QStringList names;
    for (int s = 1; s <= stringCount; ++s)
        if (grip.fretOn(s) != unmarked)
            names << QString::fromLatin1(stringPrefixes[s - 1]) + QString::number(grip.fretOn(s));
    return names;
}

// Columns from the first to the last one holding a pixel much darker than the background.
int inkWidth(const QImage& image) {
    const int background = image.pixelColor(image.width() - 1, image.height() - 1).lightness();
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (background - image.pixelColor(x, y).lightness() > 80) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
    }
    return last - first;
}

}  // namespace

class ChordWindowTest : public QObject {
    Q_OBJECT

private:
    int endProgramCalls_ = 0;
    frmPrijemi* open() {
        return showChordWindow([this] { ++endProgramCalls_; });
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { endProgramCalls_ = 0; }
    void cleanup() { closeChordWindows(); }

    // Each chord pressed after "C dur", which must leave none of its markers behind.
    void chordReplacesCDur_data() {
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("C") << cMajor;
        QTest::newRow("A") << QStringList{"B2", "G2", "D2"};
        QTest::newRow("cmaj") << QStringList{"D2", "A3", "EE3"};
        QTest::newRow("E") << QStringList{"G1", "D2", "A2"};
        QTest::newRow("em") << QStringList{"D2", "A2"};
        QTest::newRow("amsep") << QStringList{"B1", "D2"};
        QTest::newRow("emsep") << QStringList{"A2"};
    }
    void chordReplacesCDur() {
        QFETCH(QStringList, expected);
        frmPrijemi* window = open();
        press(window, QStringLiteral("C"));
        press(window, QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(visibleMarkers(window), expected);
    }

    // Every button shows exactly its own catalogue row, and a second press changes nothing.
    // Only cissep reaches E12, and fifteen markers are never shown at all.
    void everyButtonShowsItsGrip() {
        frmPrijemi* window = open();
        QStringList neverShown;
        for (int i = 0; i < markerCount; ++i)
            neverShown << QString::fromStdString(markerName(i));
        QStringList showingE12;
        for (int i = 0; i < chordCount; ++i) {
            press(window, nameOf(i));
            const QStringList shown = visibleMarkers(window);
            QCOMPARE(shown, gripMarkers(catalogue[i]));
            press(window, nameOf(i));
            QCOMPARE(visibleMarkers(window), shown);
            for (const QString& name : shown)
                neverShown.removeAll(name);
            if (shown.contains(QStringLiteral("E12")))
                showingE12 << nameOf(i);
        }
        QCOMPARE(showingE12, QStringList{"cissep"});
        QCOMPARE(neverShown, (QStringList{"E8", "E10", "E11", "B10", "B11", "G9", "G11", "D7",
                                          "D10", "A7", "A10", "EE5", "EE8", "EE10", "EE11"}));
    }

    // A screen reader tells the 60 grips apart: each is named by its root and its kind.
    void everyGripIsNamedForAReader() {
        frmPrijemi* window = open();
        QSet<QString> names;
        for (int i = 0; i < chordCount; ++i) {
            auto* button = window->findChild<QPushButton*>(nameOf(i));
            QVERIFY(button);
            const QString name =
                QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name);
            QVERIFY2(name.startsWith(QString::fromLatin1(rootNames[catalogue[i].root]) + ' '),
                     qPrintable(name));
            names.insert(name);
        }
        QCOMPARE(names.size(), chordCount);
        QVERIFY(names.contains(QStringLiteral("F# mol7")));
    }

    // Focus starts on "C dur" and space shows C major. Tab then walks E major and its kin, the
    // grid column by column, the exits, the view and "Zaigraj", back to "C dur"; shown markers
    // never take the focus.
    void keyboardStartsOnCDurAndTabsInOrder() {
        QStringList expected{"C", "E", "em", "esep", "emsep", "cm"};
        for (int kind = 0; kind < kindCount; ++kind) {
            for (int root = 0; root < rootCount; ++root) {
                const QString name = nameOf(root * kindCount + kind);
                if (!expected.contains(name))
                    expected << name;
            }
        }
        expected += QStringList{"ZapriAkorde", "Command1", "chkLevicar", "cmdZaigraj", "C"};

        frmPrijemi* window = open();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(visibleMarkers(window), cMajor);
        QStringList walked{QApplication::focusWidget()->objectName()};
        for (qsizetype i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(walked, expected);
    }

    // Enter, from the main keys or the keypad, presses the focused button as Space does.
    void enterPressesTheFocusedButton_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    }
    void enterPressesTheFocusedButton() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        frmPrijemi* window = open();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // to "E dur"
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("E"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                        Qt::KeyboardModifiers(modifiers));
        QCOMPARE(visibleMarkers(window), (QStringList{"G1", "D2", "A2"}));
    }

    // A new window shows the neck and no marker, also after "Nazaj na tuner" closed a grip.
    void newWindowShowsNoMarkerAndBackToTunerCloses() {
        QPointer<frmPrijemi> first = open();
        QCOMPARE(first->size(), QSize(783, 471));
        QCOMPARE(marker(first, QStringLiteral("Vrat"))->pixmap().size(), QSize(771, 130));
        QCOMPARE(visibleMarkers(first), QStringList());
        press(first, QStringLiteral("G"));
        press(first, QStringLiteral("ZapriAkorde"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QCOMPARE(visibleMarkers(open()), QStringList());
        QCOMPARE(endProgramCalls_, 0);
    }

    // The program ends at once: the window is neither closed nor deleted first.
    void izhodEndsProgramWithoutClosingStep() {
        frmPrijemi* window = open();
        press(window, QStringLiteral("Command1"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(endProgramCalls_, 1);
        QCOMPARE(openChordWindows(), QList<frmPrijemi*>{window});
        QVERIFY(window->isVisible());
    }

    void reopeningWhileOpenKeepsTheGrip() {
        frmPrijemi* window = open();
        press(window, QStringLiteral("G"));
        window->showMinimized();
        QCOMPARE(open(), window);
        QVERIFY(window->isVisible() && !window->isMinimized());
        QCOMPARE(visibleMarkers(window), (QStringList{"E3", "A2", "EE3"}));
    }

    void captionPushesCreditAway() {
        const QString caption = open()->windowTitle();
        QVERIFY(caption.startsWith(QStringLiteral("Akordi") + QString(121, u' ')));
        QVERIFY(caption.size() > 127 && !caption.at(127).isSpace());
    }

    // Rows are named by control; only buttons and the check box have a caption.
    void controlsSitAtTheirPlaces_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("place");
        QTest::newRow("C") << "C dur" << QRect(8, 144, 73, 25);
        QTest::newRow("cm") << "mol" << QRect(80, 144, 65, 25);
        QTest::newRow("bmaj") << "Maj7" << QRect(272, 408, 65, 25);
        QTest::newRow("ZapriAkorde") << "Nazaj na tuner" << QRect(360, 392, 97, 25);
        QTest::newRow("Command1") << "Izhod" << QRect(480, 392, 81, 25);
        QTest::newRow("cmdZaigraj") << "Zaigraj" << QRect(584, 392, 81, 25);
        QTest::newRow("chkLevicar")
            << QString::fromUtf8("Za levičarje") << QRect(584, 424, 185, 21);
        QTest::newRow("Vrat") << "" << QRect(0, 0, 771, 130);
        QTest::newRow("E4") << "" << QRect(264, 0, 23, 18);   // left of its column
        QTest::newRow("B6") << "" << QRect(400, 32, 23, 18);  // lowered
        QTest::newRow("D1") << "" << QRect(56, 64, 23, 18);   // raised
        QTest::newRow("E12") << "" << QRect(720, 8, 23, 18);
        QTest::newRow("Label1") << "" << QRect(344, 152, 433, 113);
        QTest::newRow("Label2") << "" << QRect(344, 280, 425, 49);
    }
    void controlsSitAtTheirPlaces() {
        QFETCH(QString, caption);
        QFETCH(QRect, place);
        frmPrijemi* window = open();
        auto* control = window->findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()),
                                                    Qt::FindDirectChildrenOnly);
        QVERIFY(control != nullptr);
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            QCOMPARE(button->text(), caption);
        QCOMPARE(control->geometry(), place);
        window->resize(1200, 800);  // nothing follows the frame
        QCOMPARE(control->geometry(), place);
    }

    // The help texts keep their runs of spaces, stored and drawn, and wrap within their boxes.
    void helpTextsKeepSpacesAndFit_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("excerpt");
        QTest::newRow("Label1") << 732
                                << QString(16, u' ') + "C  C#  D  D#  E  F  F#  G  G#  A  A#  B." +
                                       QString(70, u' ') + "Mislim, da vam je sedaj jasno.";
        QTest::newRow("Label2") << 246 << QStringLiteral("(po nemškem vzorcu) H. ");
    }
    void helpTextsKeepSpacesAndFit() {
        QFETCH(int, length);
        QFETCH(QString, excerpt);
        auto* label = open()->findChild<QLabel*>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(label != nullptr);
        QCOMPARE(label->text().size(), length);
        QVERIFY(label->text().contains(excerpt));
        QCOMPARE(label->font().family(), QApplication::font().family());
        const int needed = label->heightForWidth(label->width());
        QVERIFY2(needed > label->fontMetrics().height() && needed <= label->height(),
                 qPrintable(QStringLiteral("needs %1 px of %2").arg(needed).arg(label->height())));

        // Drawn, a run of sixteen spaces must stay about sixteen spaces wide.
        label->setText(QStringLiteral("x") + QString(16, u' ') + QStringLiteral("x"));
        const int run = label->fontMetrics().horizontalAdvance(QString(16, u' '));
        const int drawn = inkWidth(label->grab().toImage());
        QVERIFY2(drawn >= run * 9 / 10, qPrintable(QStringLiteral("%1 of %2").arg(drawn).arg(run)));
    }
};

QTEST_MAIN(ChordWindowTest)
#include "test_chord_window.moc"
