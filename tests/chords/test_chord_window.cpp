// The chord window as the user meets it: markers shown by the chord buttons, the focus and tab
// order, the help texts, the single window and its two exits.
#include <QPointer>
#include <QStandardPaths>
#include <QtTest>
#include <set>

#include "chords/chord_catalogue.h"
#include "tests/chords/chord_window_probe.h"

using namespace chords;
using namespace chords_test;

namespace {

class CloseCounter : public QObject {
public:
    int closes = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            ++closes;
        }
        return QObject::eventFilter(watched, event);
    }
};

QString nameOf(int chordIndex) {
    return QString::fromLatin1(kCatalogue[chordIndex].buttonName);
}

// The markers a catalogue row asks for, named from its frets, in layout order.
QStringList gripMarkers(const ChordGrip& grip) {
    QStringList names;
    for (int s = 1; s <= kStringCount; ++s) {
        if (grip.fretOn(s) != kUnmarked) {
            names << QString::fromLatin1(kStringPrefixes[s - 1]) + QString::number(grip.fretOn(s));
        }
    }
    return names;
}

// Ink columns of a rendered widget: columns holding a pixel much darker than the background.
QList<int> inkColumns(const QImage& image) {
    const QColor background = image.pixelColor(image.width() - 1, image.height() - 1);
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (background.lightness() - image.pixelColor(x, y).lightness() > 80) {
                columns << x;
                break;
            }
        }
    }
    return columns;
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

    void newWindowShowsNeckWithoutMarkers() {
        frmPrijemi* window = open();
        QVERIFY(window->isVisible());
        QCOMPARE(window->size(), QSize(783, 471));
        auto* neck = window->findChild<QLabel*>(QStringLiteral("Vrat"));
        QVERIFY(neck != nullptr);
        QCOMPARE(neck->geometry(), QRect(0, 0, 771, 130));
        QCOMPARE(neck->pixmap().size(), QSize(771, 130));
        for (int i = 0; i < kMarkerCount; ++i) {
            QLabel* label = marker(window, QString::fromStdString(markerName(i)));
            QVERIFY2(label != nullptr, markerName(i).c_str());
            QCOMPARE(label->pixmap().size(), QSize(23, 18));
        }
        QCOMPARE(visibleMarkers(window), QStringList());
    }

    void laterChordReplacesEarlierOne() {
        frmPrijemi* window = open();
        press(window, QStringLiteral("C"));
        press(window, QStringLiteral("A"));
        QCOMPARE(visibleMarkers(window), (QStringList{"B2", "G2", "D2"}));
    }

    void chordShowsOnlyItsMarkers_data() {
        QTest::addColumn<QString>("chord");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("C dur") << "C" << QStringList{"B1", "D2", "A3", "EE3"};
        QTest::newRow("cmaj") << "cmaj" << QStringList{"D2", "A3", "EE3"};
        QTest::newRow("E dur") << "E" << QStringList{"G1", "D2", "A2"};
        QTest::newRow("em") << "em" << QStringList{"D2", "A2"};
        QTest::newRow("amsep") << "amsep" << QStringList{"B1", "D2"};
        QTest::newRow("emsep") << "emsep" << QStringList{"A2"};
    }
    void chordShowsOnlyItsMarkers() {
        QFETCH(QString, chord);
        QFETCH(QStringList, expected);
        frmPrijemi* window = open();
        press(window, QStringLiteral("bmaj"));  // a full six-string grip shown before
        press(window, chord);
        QCOMPARE(visibleMarkers(window), expected);
    }

    // Every button shows exactly its own catalogue row, and a second press changes nothing.
    void everyButtonShowsItsGripAndIsIdempotent() {
        frmPrijemi* window = open();
        for (int i = 0; i < kChordCount; ++i) {
            press(window, nameOf(i));
            const QStringList once = visibleMarkers(window);
            QCOMPARE(once, gripMarkers(kCatalogue[i]));
            press(window, nameOf(i));
            QCOMPARE(visibleMarkers(window), once);
        }
    }

    void markersNoChordShows() {
        frmPrijemi* window = open();
        std::set<QString> everShown;
        QStringList showingE12;
        for (int i = 0; i < kChordCount; ++i) {
            press(window, nameOf(i));
            const QStringList shown = visibleMarkers(window);
            everShown.insert(shown.begin(), shown.end());
            if (shown.contains(QStringLiteral("E12"))) {
                showingE12 << nameOf(i);
            }
        }
        QCOMPARE(showingE12, QStringList{"cissep"});
        QStringList neverShown;
        for (int i = 0; i < kMarkerCount; ++i) {
            const QString name = QString::fromStdString(markerName(i));
            if (everShown.count(name) == 0) {
                neverShown << name;
            }
        }
        QCOMPARE(neverShown, (QStringList{"E8", "E10", "E11", "B10", "B11", "G9", "G11", "D7",
                                          "D10", "A7", "A10", "EE5", "EE8", "EE10", "EE11"}));
    }

    void focusStartsOnCDurAndSpaceShowsCMajor() {
        frmPrijemi* window = open();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QPushButton* cDur = button(window, QStringLiteral("C"));
        QCOMPARE(cDur->text(), QStringLiteral("C dur"));
        QCOMPARE(QApplication::focusWidget(), cDur);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(visibleMarkers(window), (QStringList{"B1", "D2", "A3", "EE3"}));
    }

    // E major and its kin right after "C dur", then the grid column by column, then the exits.
    void tabWalksTheButtonsInOrder() {
        QStringList expected{"C", "E", "em", "esep", "emsep", "cm"};
        for (int kind = 0; kind < kKindCount; ++kind) {
            for (int root = 0; root < kRootCount; ++root) {
                const QString name = nameOf(root * kKindCount + kind);
                if (!expected.contains(name)) {
                    expected << name;
                }
            }
        }
        expected << "ZapriAkorde"
                 << "Command1"
                 << "C";

        frmPrijemi* window = open();
        QVERIFY(QTest::qWaitForWindowActive(window));
        press(window, QStringLiteral("C"));  // shown markers must not take the focus
        button(window, QStringLiteral("C"))->setFocus();
        QStringList walked{QApplication::focusWidget()->objectName()};
        for (qsizetype i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(walked, expected);
    }

    void backToTunerClosesAndReopeningStartsEmpty() {
        QPointer<frmPrijemi> first = open();
        press(first, QStringLiteral("G"));
        QCOMPARE(button(first, QStringLiteral("ZapriAkorde"))->text(),
                 QStringLiteral("Nazaj na tuner"));
        press(first, QStringLiteral("ZapriAkorde"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QVERIFY(openChordWindows().isEmpty());

        frmPrijemi* second = open();
        QCOMPARE(visibleMarkers(second), QStringList());
        QCOMPARE(endProgramCalls_, 0);
    }

    void closeBoxDestroysWindow() {
        QPointer<frmPrijemi> window = open();
        QVERIFY(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }

    void izhodEndsProgramWithoutClosingStep() {
        frmPrijemi* window = open();
        press(window, QStringLiteral("F"));
        CloseCounter counter;
        window->installEventFilter(&counter);
        QCOMPARE(button(window, QStringLiteral("Command1"))->text(), QStringLiteral("Izhod"));
        press(window, QStringLiteral("Command1"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(endProgramCalls_, 1);
        QCOMPARE(counter.closes, 0);
        QCOMPARE(openChordWindows(), QList<frmPrijemi*>{window});
        QVERIFY(window->isVisible());
        window->removeEventFilter(&counter);
    }

    void reopeningWhileOpenKeepsTheGrip() {
        frmPrijemi* window = open();
        press(window, QStringLiteral("G"));
        window->showMinimized();
        frmPrijemi* again = open();
        QCOMPARE(again, window);
        QCOMPARE(openChordWindows().size(), 1);
        QVERIFY(again->isVisible());
        QVERIFY(!again->isMinimized());
        QCOMPARE(visibleMarkers(again), (QStringList{"E3", "A2", "EE3"}));
    }

    void captionPushesCreditAway() {
        const QString caption = open()->windowTitle();
        QVERIFY(caption.startsWith(QStringLiteral("Akordi") + QString(121, u' ')));
        const QString credit = caption.mid(6 + 121);
        QVERIFY(!credit.isEmpty());
        QVERIFY(!credit.front().isSpace());
    }

    void controlsSitAtTheirPlaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("place");
        QTest::newRow("first chord") << "C"
                                     << "C dur" << QRect(8, 144, 73, 25);
        QTest::newRow("minor") << "cm"
                               << "mol" << QRect(80, 144, 65, 25);
        QTest::newRow("last chord") << "bmaj"
                                    << "Maj7" << QRect(272, 408, 65, 25);
        QTest::newRow("back") << "ZapriAkorde"
                              << "Nazaj na tuner" << QRect(360, 392, 97, 25);
        QTest::newRow("exit") << "Command1"
                              << "Izhod" << QRect(480, 392, 81, 25);
    }
    void controlsSitAtTheirPlaces() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, place);
        frmPrijemi* window = open();
        QPushButton* target = button(window, name);
        QVERIFY(target != nullptr);
        QCOMPARE(target->text(), caption);
        QCOMPARE(target->geometry(), place);
        window->resize(1200, 800);  // nothing follows the frame
        QCOMPARE(target->geometry(), place);
    }

    void irregularMarkerPlaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("E4 left") << "E4" << QPoint(264, 0);
        QTest::newRow("B6 lowered") << "B6" << QPoint(400, 32);
        QTest::newRow("D1 raised") << "D1" << QPoint(56, 64);
        QTest::newRow("E12") << "E12" << QPoint(720, 8);
    }
    void irregularMarkerPlaces() {
        QFETCH(QString, name);
        QFETCH(QPoint, topLeft);
        frmPrijemi* window = open();
        QLabel* label = marker(window, name);
        QVERIFY(label != nullptr);
        QCOMPARE(label->geometry(), QRect(topLeft, QSize(23, 18)));
    }

    void helpTextsKeepTheirRunsOfSpaces() {
        frmPrijemi* window = open();
        auto* barre = window->findChild<QLabel*>(QStringLiteral("Label1"));
        auto* sharps = window->findChild<QLabel*>(QStringLiteral("Label2"));
        QCOMPARE(barre->geometry(), QRect(344, 152, 433, 113));
        QCOMPARE(sharps->geometry(), QRect(344, 280, 425, 49));
        QCOMPARE(barre->text().size(), 732);
        QVERIFY(barre->text().contains(QString(16, u' ') +
                                       "C  C#  D  D#  E  F  F#  G  G#  A  A#  B." +
                                       QString(70, u' ') + "Mislim, da vam je sedaj jasno."));
        QCOMPARE(sharps->text().size(), 246);
        QVERIFY(sharps->text().endsWith(QStringLiteral("(po nemškem vzorcu) H. ")));
        QVERIFY(barre->wordWrap() && sharps->wordWrap());

        // Drawn, a run of sixteen spaces must stay about sixteen spaces wide.
        barre->setText(QStringLiteral("x") + QString(16, u' ') + QStringLiteral("x"));
        const QList<int> ink = inkColumns(barre->grab().toImage());
        QVERIFY(!ink.isEmpty());
        int widestGap = 0;
        for (qsizetype i = 1; i < ink.size(); ++i) {
            widestGap = std::max(widestGap, ink[i] - ink[i - 1]);
        }
        const int run = barre->fontMetrics().horizontalAdvance(QString(16, u' '));
        QVERIFY2(widestGap >= run * 9 / 10,
                 qPrintable(QStringLiteral("gap %1 of run %2").arg(widestGap).arg(run)));
    }

    void helpTextsWrapWithinTheirBoxes() {
        frmPrijemi* window = open();
        for (const char* name : {"Label1", "Label2"}) {
            auto* label = window->findChild<QLabel*>(QString::fromLatin1(name));
            const int needed = label->heightForWidth(label->width());
            QCOMPARE(label->font().family(), QApplication::font().family());
            qInfo("%s: %.1f pt, %d px of %d", name, QFontInfo(label->font()).pointSizeF(), needed,
                  label->height());
            QVERIFY2(needed > label->fontMetrics().height(), name);  // wrapped onto several lines
            QVERIFY2(
                needed <= label->height(),
                qPrintable(
                    QStringLiteral("%1 needs %2 px").arg(QString::fromLatin1(name)).arg(needed)));
        }
    }
};

QTEST_MAIN(ChordWindowTest)
#include "test_chord_window.moc"
