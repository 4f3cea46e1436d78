// The tuner window as built: its frame, captions, fonts, pictures and focus order, and its
// controls driving the behaviour through real clicks and keys, on the fake host.

#include <QClipboard>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

#include "controls/xp_button.h"
#include "tests/tuner/fake_tuner_host.h"
#include "tuner/frm_main.h"
#include "tuner/listening_window.h"

using fakes::Heard;
using fakes::noteOff;
using fakes::noteOn;
using fakes::u8;

namespace {

int brightness(QRgb c) {
    return qRed(c) + qGreen(c) + qBlue(c);
}

// A freshly loaded window on its own fake host.
struct Window {
    fakes::FakeHost host;
    tuner::frmMain w{host};
    bool showExposed() {
        w.show();
        return QTest::qWaitForWindowExposed(&w);
    }
    bool showActive() {
        w.show();
        return QTest::qWaitForWindowActive(&w);
    }
    void clickString(std::size_t i) {
        QTest::mouseClick(w.cmdNote()[i], Qt::LeftButton, {}, QPoint(88, 16));
    }
};

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    // First: any picture read before it would load the plugins it looks for.
    void buildingLoadsNoImagePlugin();
    void picturesShowTheirOriginals_data();
    void picturesShowTheirOriginals();

    void frameIsFixedWithCaptionIconAndFont();
    void buttonsCarryTheirStoredProperties();
    void neckIsUnscaledAndCutWithPointersInFront();
    void tabOrderStartsAtTheSoundList();
    void durationKeys_data();
    void durationKeys();
    void durationInputMethodCommit_data();
    void durationInputMethodCommit();

    void listChoiceByKeyboardTakesEffect();
    void closeBoxDuringAHeldNoteStoresAndTheWaitEnds();
    void izhodEndsAtOnceInsideAWait();
    void akordiShowsOneChordWindowAboutLeavesTheTunerAlone();
    void poslusajListensToTheSelectedTuningAndFollowsIt();
};

void FrmMainTest::buildingLoadsNoImagePlugin() {
    Window win;
    QVERIFY(win.showExposed());
    QFile maps("/proc/self/maps");
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    QVERIFY(mapped.contains("libQt6Gui"));
    QVERIFY2(!mapped.contains("/imageformats/"), "an image plugin was loaded");
}

void FrmMainTest::picturesShowTheirOriginals_data() {
    // The window loads PNG copies of icons and a GIF; each must show the original's pixels.
    QTest::addColumn<int>("picture");  // 0 to 2: the lists' icons; 3: window icon; 4: neck
    QTest::addColumn<QString>("original");
    QTest::newRow("page") << 0 << ":/tuner/page_note.ico";
    QTest::newRow("disc") << 1 << ":/tuner/note_disc.ico";
    QTest::newRow("play") << 2 << ":/tuner/play.ico";
    QTest::newRow("window icon") << 3 << ":/tuner/frm_main.ico";
    QTest::newRow("neck") << 4 << ":/tuner/neck.gif";
}

void FrmMainTest::picturesShowTheirOriginals() {
    QFETCH(int, picture);
    QFETCH(QString, original);
    Window win;
    tuner::frmMain& w = win.w;
    QPixmap shown, expected;
    if (picture < 3) {
        shown = w.imgDisplay()[std::size_t(picture)]->pixmap();
        expected = QIcon(original).pixmap(16, 16);
    } else if (picture == 3) {
        shown = w.windowIcon().pixmap(32, 32);
        expected = QIcon(original).pixmap(32, 32);
    } else {
        shown = w.picNeck()->pixmap();
        expected = QPixmap(original);
    }
    QVERIFY(!expected.isNull());
    QCOMPARE(shown.toImage().convertToFormat(QImage::Format_ARGB32),
             expected.toImage().convertToFormat(QImage::Format_ARGB32));
}

void FrmMainTest::frameIsFixedWithCaptionIconAndFont() {
    Window win;
    tuner::frmMain& w = win.w;
    QCOMPARE(w.windowTitle(), u8("Uglaševanje kitare by Tolmary"));
    QCOMPARE(w.size(), QSize(514, 387));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QCOMPARE(w.windowIcon().availableSizes().value(0), QSize(32, 32));
    QCOMPARE(w.font().pointSizeF(), 8.25);
    const QString family = QFontInfo(w.font()).family();
    QVERIFY2(family == "Verdana" || family == "DejaVu Sans", qPrintable(family));
    QCOMPARE(w.Command1()->font(), w.font());
    QVERIFY(w.objStatus()->currentMessage().isEmpty());
    const QStringList texts{w.lblDisplay()[0]->text(), w.lblDisplay()[1]->text(),
                            w.lblDisplay()[2]->text(), w.Command1()->text(),
                            w.Command2()->text(),      w.Command3()->text()};
    QCOMPARE(texts, (QStringList{"Instrument:", "Tip uglasitve", "Trajanje note", "Akordi",
                                 "O programu", "Izhod"}));
    for (QLabel* img : w.imgDisplay())
        QCOMPARE(img->pixmap().size(), QSize(16, 16));
    QVERIFY(!w.cmbInst()->isEditable() && !w.cmbTune()->isEditable());
}

void FrmMainTest::buttonsCarryTheirStoredProperties() {
    const QStringList captions{
        u8("     E-1 (Najtanjša struna)"), u8("     B-2 (Druga struna)"),
        u8("     G-3 (Tretja struna)"),    u8("     D-4 (Četrta struna)"),
        u8("     A-5 (Peta struna)"),      u8("     E-6 (Najdebelejša struna)")};
    Window win;
    const QImage icon(":/tuner/note_icon.bmp");
    for (std::size_t i = 0; i < 6; ++i) {
        const controls::XPButton* b = win.w.cmdNote()[i];
        QCOMPARE(b->caption(), captions[int(i)]);
        // The fourth caption's "Č" needs the Central European character set.
        QCOMPARE(b->fontDescription().charset, i == 3 ? 238 : 0);
        QCOMPARE(b->iconMask().size(), QSize(16, 16));
        QCOMPARE(b->icon().pixel(7, 12), icon.pixel(7, 12));
    }
    QCOMPARE(win.w.cmdDefaults()->caption(), u8("Naloži privzeto"));
    QVERIFY(win.w.cmdDefaults()->icon().isNull());

    // "Poslušaj" sits under the defaults button, as large and in every other way alike.
    const controls::XPButton* listen = win.w.cmdListen();
    QCOMPARE(listen->geometry(), QRect(336, 40, 121, 25));
    QCOMPARE(listen->size(), win.w.cmdDefaults()->size());
    QCOMPARE(listen->caption(), u8("Poslušaj"));
    controls::PropertyBag defaults, listening;
    win.w.cmdDefaults()->writeProperties(defaults);
    listen->writeProperties(listening);
    defaults.remove("caption");
    listening.remove("caption");
    QCOMPARE(listening.keys(), defaults.keys());
    for (const QString& key : defaults.keys())
        QCOMPARE(listening.value(key), defaults.value(key));
}

void FrmMainTest::neckIsUnscaledAndCutWithPointersInFront() {
    Window win;
    tuner::frmMain& w = win.w;
    QVERIFY(win.showExposed());
    const QImage shot = w.grab().toImage();
    const QImage neck(":/tuner/neck.gif");
    const QPoint origin = w.picNeck()->geometry().topLeft();
    QCOMPARE(w.picNeck()->size(), QSize(145, 225));
    // Unscaled from the top-left corner: window pixels repeat the picture's own pixels.
    for (QPoint p : {QPoint(10, 30), QPoint(48, 90), QPoint(100, 131), QPoint(144, 224)})
        QCOMPARE(shot.pixel(origin + p), neck.pixel(p));
    for (std::size_t i = 0; i < 6; ++i) {
        const QRect line = w.picString()[i]->geometry();
        QCOMPARE(line.left(), 200);
        QCOMPARE(line.top(), w.cmdNote()[i]->y() + 16);
        QCOMPARE(line.height(), 2);
        // Drawn in front of the neck, and ending on its string within a few pixels; line 0
        // (thinnest string) ends furthest right.
        const QPoint end(line.right(), line.top());
        QCOMPARE(shot.pixel(end), qRgb(255, 0, 0));
        int lightest = 0;
        for (int dx = -4; dx <= 4; ++dx)
            lightest = std::max(lightest, brightness(neck.pixel(end.x() - origin.x() + dx, 30)));
        QVERIFY2(lightest > 500, qPrintable(QString::number(i)));
        if (i > 0)
            QVERIFY(line.right() < w.picString()[i - 1]->geometry().right());
    }
    QCOMPARE(shot.pixel(200, 80), qRgb(128, 64, 0));  // the brown separator
    QCOMPARE(shot.pixel(456, 80), qRgb(128, 64, 0));
}

void FrmMainTest::tabOrderStartsAtTheSoundList() {
    Window win;
    tuner::frmMain& w = win.w;
    QVERIFY(win.showActive());
    QList<QWidget*> expected{w.cmbInst(), w.cmbTune()};
    for (auto* b : w.cmdNote())
        expected << b;
    expected << w.txtDur() << w.cmdDefaults() << w.Command1() << w.Command2() << w.Command3()
             << w.cmdListen() << w.spnA4() << w.cmbInst();
    QList<QWidget*> visited{QApplication::focusWidget()};
    for (int i = 0; i < 15; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(visited, expected);
}

// Each key with the text X11 gives it: control keys carry control characters, Delete U+007F.
void FrmMainTest::durationKeys_data() {
    QTest::addColumn<QString>("before");  // the cursor stands at the end, for Delete at 0
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("cursor");
    QTest::newRow("digit") << "" << int(Qt::Key_7) << 0 << "7"
                           << "7" << 1;
    QTest::newRow("letter") << "" << int(Qt::Key_A) << 0 << "a"
                            << "" << 0;
    QTest::newRow("backspace") << "2" << int(Qt::Key_Backspace) << 0 << "\b"
                               << "" << 0;
    QTest::newRow("second digit does not fit") << "2" << int(Qt::Key_5) << 0 << "5"
                                               << "2" << 1;
    QTest::newRow("ctrl+v pastes nothing")
        << "" << int(Qt::Key_V) << int(Qt::ControlModifier) << "\x16"
        << "" << 0;
    QTest::newRow("enter is swallowed") << "2" << int(Qt::Key_Return) << 0 << "\r"
                                        << "2" << 1;
    QTest::newRow("delete deletes") << "2" << int(Qt::Key_Delete) << 0 << "\x7f"
                                    << "" << 0;
    QTest::newRow("arrow is not filtered") << "2" << int(Qt::Key_Left) << 0 << ""
                                           << "2" << 0;
}

void FrmMainTest::durationKeys() {
    QFETCH(QString, before);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QString, after);
    QFETCH(int, cursor);
    QGuiApplication::clipboard()->setText("x");
    Window win;
    QLineEdit* dur = win.w.txtDur();
    dur->setText(before);
    dur->setCursorPosition(key == Qt::Key_Delete ? 0 : int(before.size()));
    QSignalSpy returns(dur, &QLineEdit::returnPressed);
    QTest::sendKeyEvent(QTest::Click, dur, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(dur->text(), after);
    QCOMPARE(dur->cursorPosition(), cursor);
    QCOMPARE(returns.count(), 0);
}

// Dead keys and compose sequences arrive as an input method's commit, which the box takes only
// where typing the same character would be let through. It commits over the selected "2".
void FrmMainTest::durationInputMethodCommit_data() {
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("after");
    QTest::newRow("digit") << "5"
                           << "5";
    QTest::newRow("dead caron then c") << u8("č") << "2";
}

void FrmMainTest::durationInputMethodCommit() {
    QFETCH(QString, commit);
    QFETCH(QString, after);
    Window win;
    QLineEdit* dur = win.w.txtDur();
    dur->setText("2");
    dur->selectAll();
    QInputMethodEvent event;
    event.setCommitString(commit);
    QApplication::sendEvent(dur, &event);
    QCOMPARE(dur->text(), after);
}

void FrmMainTest::listChoiceByKeyboardTakesEffect() {
    Window win;
    QVERIFY(win.showActive());
    win.host.port.sent.clear();
    win.w.cmbInst()->setFocus();
    QTest::keyClick(win.w.cmbInst(), Qt::Key_Down);  // to "Električna kitara (Jazz)"
    QCOMPARE(win.host.programs(), std::vector<int>{26});
    win.w.cmbTune()->setFocus();
    QTest::keyClick(win.w.cmbTune(), Qt::Key_Down);  // to "Bass Standard"
    QCOMPARE(win.w.behaviour().currentNotes()[5], std::int16_t{35});
}

// A mouse click on a string sounds its note; the close box inside its wait stores the choices.
void FrmMainTest::closeBoxDuringAHeldNoteStoresAndTheWaitEnds() {
    Window win;
    QVERIFY(win.showExposed());
    win.w.txtDur()->setText("3");
    win.host.port.sent.clear();
    win.host.wait.at(1000, [&] { QVERIFY(win.w.close()); });
    win.clickString(4);
    QVERIFY(!win.w.isVisible());
    QCOMPARE(win.host.writes,
             (QStringList{"Left", "Top", "WS", "Instrument", "Tuning", "Dur", "A4"}));
    QCOMPARE(win.host.value("Dur"), QStringLiteral("3"));
    QCOMPARE(win.host.port.closes, 1);
    // The wait ran to its end; its note-off found the device closed and was lost.
    QCOMPARE(win.host.port.sent.size(), std::size_t{2});
    QCOMPARE(win.host.port.sent.back().atMs, std::int64_t{3000});
    QCOMPARE(win.host.heard(), (Heard{{noteOn, 45}}));
}

void FrmMainTest::izhodEndsAtOnceInsideAWait() {
    Window win;
    QVERIFY(win.showExposed());
    win.host.wait.at(500, [&] { QTest::mouseClick(win.w.Command3(), Qt::LeftButton); });
    win.clickString(0);
    QCOMPARE(win.host.endRequests, 1);
    QVERIFY(win.host.writes.isEmpty());
    QCOMPARE(win.host.port.closes, 0);
}

void FrmMainTest::akordiShowsOneChordWindowAboutLeavesTheTunerAlone() {
    Window win;
    QVERIFY(win.showExposed());
    win.host.port.sent.clear();
    QTest::mouseClick(win.w.Command2(), Qt::LeftButton);
    QTest::mouseClick(win.w.Command1(), Qt::LeftButton);
    QTest::mouseClick(win.w.Command1(), Qt::LeftButton);
    QWidgetList chordWindows;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->inherits("chords::frmPrijemi") && top->isVisible())
            chordWindows << top;
    QCOMPARE(chordWindows.size(), 1);
    QVERIFY(win.w.isVisible());
    chordWindows[0]->close();
    QCOMPARE(win.host.endRequests, 0);
    QVERIFY(win.host.messages.empty() && win.host.port.sent.empty() && win.host.writes.isEmpty());
}

// "Poslušaj" opens the listening window on the selected tuning's strings; it follows a change
// of tuning, and the microphone is open exactly while the window is.
void FrmMainTest::poslusajListensToTheSelectedTuningAndFollowsIt() {
    Window win;
    QVERIFY(win.showActive());
    QVERIFY(!win.host.mic.open());
    win.w.cmbTune()->setFocus();
    QTest::keyClick(win.w.cmbTune(), Qt::Key_Down);
    QTest::keyClick(win.w.cmbTune(), Qt::Key_Down);  // to "Dropped-D"
    QTest::mouseClick(win.w.cmdListen(), Qt::LeftButton, {}, QPoint(60, 12));
    tuner::ListeningWindow* listening = tuner::openListeningWindow();
    QVERIFY(listening);
    QVERIFY(win.host.mic.open());

    const auto play = [&](double note) {
        win.host.mic.play(440.0 * std::pow(2.0, (note - 69.0) / 12.0), 0.6);
    };
    play(38);
    QTRY_COMPARE(listening->deviationLabel().text(), u8("0,0 centa"));
    QCOMPARE(listening->stringLabel().text(), u8("E-6 (Najdebelejša struna)"));
    win.w.cmbTune()->setFocus();
    QTest::keyClick(win.w.cmbTune(), Qt::Key_Up);  // to "Bass Standard": its fourth string is A1
    play(33);
    QTRY_COMPARE(listening->stringLabel().text(), u8("D-4 (Četrta struna)"));
    QCOMPARE(listening->deviationLabel().text(), u8("0,0 centa"));

    listening->close();
    QTRY_VERIFY(!tuner::openListeningWindow());
    QVERIFY(!win.host.mic.open());
    QVERIFY(win.host.messages.empty() && win.host.writes.isEmpty());
}

QTEST_MAIN(FrmMainTest)
#include "test_frm_main.moc"
