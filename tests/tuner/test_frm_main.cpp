// The tuner window as built: its frame, captions, fonts, pictures and focus order, and its
// controls driving the behaviour through real clicks, on the fake host.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

#include "controls/xp_button.h"
#include "tests/tuner/fake_tuner_host.h"
#include "tuner/frm_main.h"

namespace {

QString u8(const char* s) {
    return QString::fromUtf8(s);
}

const QStringList noteCaptions{
    u8("     E-1 (Najtanjša struna)"), u8("     B-2 (Druga struna)"),
    u8("     G-3 (Tretja struna)"),    u8("     D-4 (Četrta struna)"),
    u8("     A-5 (Peta struna)"),      u8("     E-6 (Najdebelejša struna)")};

int brightness(QRgb c) {
    return qRed(c) + qGreen(c) + qBlue(c);
}

int visibleChordWindows() {
    int found = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("chords::frmPrijemi") && w->isVisible())
            ++found;
    }
    return found;
}

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void frameIsFixedWithCaptionIconAndFont();
    void stringButtonsCarryTheirStoredProperties();
    void defaultsButtonCarriesItsStoredProperties();
    void neckIsUnscaledAndCutWithPointersInFront();
    void decorationTexts();
    void tabOrderStartsAtTheSoundList();

    void mouseClickOnAStringPlaysItsNote();
    void listChoiceByKeyboardTakesEffect();
    void closeBoxDuringAHeldNoteStoresAndTheWaitEnds();
    void izhodAndInertAboutButton();
    void akordiShowsOneChordWindow();
};

void FrmMainTest::frameIsFixedWithCaptionIconAndFont() {
    fakes::FakeHost host;
    tuner::frmMain w(host);
    QCOMPARE(w.windowTitle(), u8("Uglaševanje kitare by Tolmary"));
    QCOMPARE(w.size(), QSize(514, 387));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(w.windowIcon().availableSizes().value(0), QSize(32, 32));
    QCOMPARE(w.font().pointSizeF(), 8.25);
    QCOMPARE(w.font().weight(), QFont::Normal);
    const QString family = QFontInfo(w.font()).family();
    QVERIFY2(family == "Verdana" || family == "DejaVu Sans", qPrintable(family));
    QCOMPARE(w.Command1->font(), w.font());
    QCOMPARE(w.objStatus->geometry(), QRect(0, 382, 514, 5));
    QVERIFY(w.objStatus->currentMessage().isEmpty());
}

void FrmMainTest::stringButtonsCarryTheirStoredProperties() {
    fakes::FakeHost host;
    tuner::frmMain w(host);
    const QImage icon(":/tuner/note_icon.bmp");
    for (int i = 0; i < 6; ++i) {
        controls::XPButton* b = w.cmdNote[static_cast<std::size_t>(i)];
        QCOMPARE(b->caption(), noteCaptions[i]);
        QCOMPARE(b->captionAlignment(), 0);
        QCOMPARE(b->iconAlignment(), 1);
        QCOMPARE(b->foreColor(), 0x80000001u);
        QCOMPARE(b->colorStyle(), 1);
        QCOMPARE(b->roundedValue(), 5);
        QCOMPARE(b->fontDescription().face, QStringLiteral("Verdana"));
        QCOMPARE(b->fontDescription().pointSize, 8.25);
        QCOMPARE(b->fontDescription().charset, i == 3 ? 238 : 0);
        QCOMPARE(b->icon().size(), QSize(16, 16));
        QCOMPARE(b->iconMask().size(), QSize(16, 16));
        QCOMPARE(b->icon().pixel(7, 12), icon.pixel(7, 12));
        QCOMPARE(b->geometry(), QRect(8, 104 + 40 * i, 177, 33));
    }
}

void FrmMainTest::defaultsButtonCarriesItsStoredProperties() {
    fakes::FakeHost host;
    tuner::frmMain w(host);
    QCOMPARE(w.cmdDefaults->caption(), u8("Naloži privzeto"));
    QCOMPARE(w.cmdDefaults->captionAlignment(), 2);
    QCOMPARE(w.cmdDefaults->foreColor(), 0x80000001u);
    QVERIFY(w.cmdDefaults->icon().isNull());
    QCOMPARE(w.cmdDefaults->fontDescription().charset, 0);
}

void FrmMainTest::neckIsUnscaledAndCutWithPointersInFront() {
    fakes::FakeHost host;
    tuner::frmMain w(host);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QImage shot = w.grab().toImage();
    const QImage neck(":/tuner/neck.gif");
    const QPoint origin = w.picNeck->geometry().topLeft();
    QCOMPARE(w.picNeck->size(), QSize(145, 225));
    // Unscaled from the top-left corner: window pixels repeat the picture's own pixels.
    for (QPoint p : {QPoint(10, 30), QPoint(48, 90), QPoint(100, 131), QPoint(144, 224)}) {
        QCOMPARE(shot.pixel(origin + p), neck.pixel(p));
    }
    for (int i = 0; i < 6; ++i) {
        const QRect line = w.picString[static_cast<std::size_t>(i)]->geometry();
        QCOMPARE(line.left(), 200);
        QCOMPARE(line.top(), w.cmdNote[static_cast<std::size_t>(i)]->y() + 16);
        QCOMPARE(line.height(), 2);
        // Drawn in front of the neck, and ending on a string within a few pixels; line 0
        // (thinnest string) ends furthest right.
        const QPoint end(line.right(), line.top());
        QCOMPARE(shot.pixel(end), qRgb(255, 0, 0));
        int lightest = 0;
        for (int dx = -4; dx <= 4; ++dx) {
            lightest = std::max(lightest, brightness(neck.pixel(end.x() - origin.x() + dx, 30)));
        }
        QVERIFY2(lightest > 500, qPrintable(QString::number(i)));
        if (i > 0)
            QVERIFY(line.right() <
                    w.picString[static_cast<std::size_t>(i - 1)]->geometry().right());
    }
    QCOMPARE(shot.pixel(200, 80), qRgb(128, 64, 0));  // the brown separator
    QCOMPARE(shot.pixel(456, 80), qRgb(128, 64, 0));
}

void FrmMainTest::decorationTexts() {
    fakes::FakeHost host;
    tuner::frmMain w(host);
    QCOMPARE(w.lblDisplay[0]->text(), QStringLiteral("Instrument:"));
    QCOMPARE(w.lblDisplay[1]->text(), QStringLiteral("Tip uglasitve"));
    QCOMPARE(w.lblDisplay[2]->text(), QStringLiteral("Trajanje note"));
    QCOMPARE(w.Command1->text(), QStringLiteral("Akordi"));
    QCOMPARE(w.Command2->text(), QStringLiteral("O programu"));
    QCOMPARE(w.Command3->text(), QStringLiteral("Izhod"));
    for (QLabel* img : w.imgDisplay)
        QCOMPARE(img->pixmap().size(), QSize(16, 16));
    QCOMPARE(w.txtDur->maxLength(), 1);
    QCOMPARE(w.txtDur->alignment(), Qt::AlignCenter);
    QVERIFY(!w.cmbInst->isEditable());
    QVERIFY(!w.cmbTune->isEditable());
}

void FrmMainTest::tabOrderStartsAtTheSoundList() {
    fakes::FakeHost host;
    tuner::frmMain w(host);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), w.cmbInst);
    QList<QWidget*> expected{w.cmbInst, w.cmbTune};
    for (auto* b : w.cmdNote)
        expected << b;
    expected << w.txtDur << w.cmdDefaults << w.Command1 << w.Command2 << w.Command3 << w.cmbInst;
    QList<QWidget*> visited{QApplication::focusWidget()};
    for (int i = 0; i < 13; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(visited, expected);
}

void FrmMainTest::mouseClickOnAStringPlaysItsNote() {
    fakes::FakeHost host;
    tuner::frmMain w(host);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    host.port.words.clear();
    QTest::mouseClick(w.cmdNote[4], Qt::LeftButton, {}, QPoint(88, 16));
    QCOMPARE(host.port.heard(), (std::vector<std::pair<int, int>>{{0x90, 45}, {0x80, 45}}));
    QCOMPARE(host.wait.now, std::int64_t{2000});
}

void FrmMainTest::listChoiceByKeyboardTakesEffect() {
    fakes::FakeHost host;
    tuner::frmMain w(host);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    host.port.words.clear();
    w.cmbInst->setFocus();
    QTest::keyClick(w.cmbInst, Qt::Key_Down);  // to "Električna kitara (Jazz)"
    QCOMPARE(host.port.programs(), std::vector<int>{26});
    w.cmbTune->setFocus();
    QTest::keyClick(w.cmbTune, Qt::Key_Down);  // to "Bass Standard"
    QCOMPARE(w.behaviour().currentNotes()[5], std::int16_t{35});
}

void FrmMainTest::closeBoxDuringAHeldNoteStoresAndTheWaitEnds() {
    fakes::FakeHost host;
    tuner::frmMain w(host);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.txtDur->setText("3");
    host.port.words.clear();
    host.wait.at(1000, [&] { QVERIFY(w.close()); });
    QTest::mouseClick(w.cmdNote[0], Qt::LeftButton, {}, QPoint(88, 16));
    QVERIFY(!w.isVisible());
    QCOMPARE(host.wait.now, std::int64_t{3000});
    QCOMPARE(host.writes, (QStringList{"Left", "Top", "WS", "Instrument", "Tuning", "Dur"}));
    QCOMPARE(host.port.closes, 1);
    QCOMPARE(host.port.heard(), (std::vector<std::pair<int, int>>{{0x90, 64}}));
}

void FrmMainTest::izhodAndInertAboutButton() {
    fakes::FakeHost host;
    tuner::frmMain w(host);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    host.port.words.clear();
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    QCOMPARE(host.endRequests, 0);
    QVERIFY(host.messages.empty() && host.writes.isEmpty() && host.port.words.empty());
    QTest::mouseClick(w.Command3, Qt::LeftButton);
    QCOMPARE(host.endRequests, 1);
    QVERIFY(host.writes.isEmpty());
    QCOMPARE(host.port.closes, 0);
}

void FrmMainTest::akordiShowsOneChordWindow() {
    fakes::FakeHost host;
    tuner::frmMain w(host);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.Command1, Qt::LeftButton);
    QTest::mouseClick(w.Command1, Qt::LeftButton);
    QCOMPARE(visibleChordWindows(), 1);
    QVERIFY(w.isVisible());
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->inherits("chords::frmPrijemi"))
            top->close();
    }
    QCOMPARE(host.endRequests, 0);
}

QTEST_MAIN(FrmMainTest)
#include "test_frm_main.moc"
