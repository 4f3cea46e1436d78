// The about window, built twice: with the help resources linked it shows the page and both
// figures; without them (TOLMARY_WITHOUT_HELP) it shows a notice in the page's place and is
// otherwise the same. Either way it shows the version, and at most one is open at a time.
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextDocument>
#include <QtTest>

#include "controls/xp_button.h"
#include "tests/tuner/fake_tuner_host.h"
#include "tuner/about_window.h"
#include "tuner/frm_main.h"
#include "tuner/help_page.h"

namespace {

QList<tuner::AboutWindow*> visibleAboutWindows() {
    QList<tuner::AboutWindow*> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* about = qobject_cast<tuner::AboutWindow*>(w); about && about->isVisible())
            open << about;
    return open;
}

}  // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT

private:
    static void closeAndDelete(QWidget* window) {
        QPointer<QWidget> watched(window);
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(watched.isNull());
    }

private slots:
    void oneModelessWindowAtATime() {
        tuner::AboutWindow* about = tuner::showAboutWindow();
        QVERIFY(about->isVisible());
        QCOMPARE(about->windowTitle(), QStringLiteral("O programu"));
        QVERIFY(about->versionLabel()->text().endsWith(QStringLiteral(" 1.00")));
        QVERIFY(about->parentWidget() == nullptr && !about->isModal());
        QCOMPARE(tuner::showAboutWindow(), about);
        // Asking again brings a minimised window back.
        about->showMinimized();
        QCOMPARE(tuner::showAboutWindow(), about);
        QVERIFY(about->isVisible() && !about->isMinimized());

        // Its close button ends it; the next request makes a new one.
        QPointer<QWidget> watched(about);
        auto* close = about->findChild<QPushButton*>();
        QVERIFY(close != nullptr);
        close->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(watched.isNull());
        tuner::AboutWindow* next = tuner::showAboutWindow();
        QVERIFY(next != nullptr && next->isVisible());
        closeAndDelete(next);
    }

    // Enter presses the focused "O programu" as a click does, and the about window's own
    // focused button, as in the chord window.
    void opensFromOProgramuAndLeavesTheTunerAsItWas_data() {
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("click") << false;
        QTest::newRow("Enter") << true;
    }
    void opensFromOProgramuAndLeavesTheTunerAsItWas() {
        QFETCH(bool, byEnter);
        fakes::FakeHost host;
        tuner::frmMain tunerWindow(host);
        tunerWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tunerWindow));
        host.port.sent.clear();
        QPushButton* oProgramu = tunerWindow.Command2();
        QCOMPARE(oProgramu->text(), QStringLiteral("O programu"));
        oProgramu->setFocus();
        for (int i = 0; i < 2; ++i)
            if (byEnter)
                QTest::keyClick(oProgramu, Qt::Key_Return);
            else
                QTest::mouseClick(oProgramu, Qt::LeftButton);
        const auto open = visibleAboutWindows();
        QCOMPARE(open.size(), 1);
        QVERIFY(open.front()->versionLabel()->text().endsWith(QStringLiteral("1.00")));
        QVERIFY(host.messages.empty() && host.writes.isEmpty() && host.port.sent.empty());

        // With the about window open the tuner still plays its strings.
        tunerWindow.txtDur()->setText(QStringLiteral("1"));
        QTest::mouseClick(tunerWindow.cmdNote()[0], Qt::LeftButton, {}, QPoint(88, 16));
        QCOMPARE(host.heard(), (std::vector<std::pair<int, int>>{{0x90, 64}, {0x80, 64}}));
        QVERIFY(host.messages.empty());
        if (byEnter) {
            auto* close = open.front()->findChild<QPushButton*>();
            close->setFocus();
            QTest::keyClick(close, Qt::Key_Enter, Qt::KeypadModifier);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(visibleAboutWindows().isEmpty());
        } else {
            closeAndDelete(open.front());
        }
    }

    void figureNamesReachTheirResources() {
        const std::pair<const char*, const char*> cases[] = {
            {"Fig1.0.gif", ":/help/FIG10"},
            {"Fig1.1.gif", ":/help/FIG11"},
            {"FIG1.1.GIF", ":/help/FIG11"},  // any case
            {"Fig1.2.gif", ""},              // unknown
            {"FIG10", ""}};                  // the resource's own name is not a page name
        for (const auto& [name, resource] : cases) {
            QVERIFY2(tuner::figureResource(QString::fromLatin1(name)) == QLatin1String(resource),
                     name);
        }
    }

#ifndef TOLMARY_WITHOUT_HELP
    void showsTheHelpPageWithBothFigures() {
        tuner::AboutWindow* about = tuner::showAboutWindow();
        QTextDocument* page = about->helpBrowser()->document();
        QVERIFY(page->toPlainText().contains(
            QStringLiteral("36 different tunings and 7 different guitars")));
        const std::pair<const char*, QSize> figures[] = {{"Fig1.0.gif",
                                                          { 473,
                                                            114 }},
                                                         { "Fig1.1.gif",
                                                           { 473,
                                                             269 } }};
        for (const auto& [name, size] : figures) {
            // What the document would draw for the page's <img src>.
            const QVariant image =
                page->resource(QTextDocument::ImageResource, QUrl(QString::fromLatin1(name)));
            QVERIFY2(image.canConvert<QImage>(), name);
            const QImage picture = image.value<QImage>();
            QCOMPARE(picture.size(), size);
            // Not a blank stand-in: a screenshot has many colours.
            QSet<QRgb> colours;
            for (int x = 0; x < picture.width(); x += 3)
                for (int y = 0; y < picture.height(); y += 3)
                    colours.insert(picture.pixel(x, y));
            QVERIFY(colours.size() > 8);
        }
        closeAndDelete(about);
    }
#else
    void showsANoticeWithoutTheHelpPage() {
        QVERIFY(!tuner::loadHelpPage().has_value());
        tuner::AboutWindow* about = tuner::showAboutWindow();
        QCOMPARE(about->helpBrowser()->toPlainText(), QStringLiteral("Pomoč ni na voljo."));
        QVERIFY(about->helpBrowser()
                    ->loadResource(QTextDocument::ImageResource, QUrl("Fig1.0.gif"))
                    .isNull());
        closeAndDelete(about);
    }
#endif
};

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
