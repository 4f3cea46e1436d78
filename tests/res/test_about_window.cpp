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
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* about = qobject_cast<tuner::AboutWindow*>(w); about && about->isVisible()) {
            open << about;
        }
    }
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
    void showsTheVersion() {
        tuner::AboutWindow* about = tuner::showAboutWindow();
        QVERIFY(about->isVisible());
        QCOMPARE(about->windowTitle(), QStringLiteral("O programu"));
        QVERIFY(about->versionLabel()->text().endsWith(QStringLiteral(" 1.00")));
        QVERIFY(about->parentWidget() == nullptr);
        QVERIFY(!about->isModal());
        closeAndDelete(about);
    }

    void oneWindowAtATime() {
        tuner::AboutWindow* first = tuner::showAboutWindow();
        QCOMPARE(tuner::showAboutWindow(), first);
        first->showMinimized();
        QCOMPARE(tuner::showAboutWindow(), first);
        closeAndDelete(first);
        tuner::AboutWindow* second = tuner::showAboutWindow();
        QVERIFY(second != nullptr);
        QVERIFY(second->isVisible());
        closeAndDelete(second);
    }

    void closeButtonClosesIt() {
        tuner::AboutWindow* about = tuner::showAboutWindow();
        QPointer<QWidget> watched(about);
        auto* close = about->findChild<QPushButton*>();
        QVERIFY(close != nullptr);
        close->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(watched.isNull());
    }

    void opensFromOProgramuAndLeavesTheTunerAsItWas() {
        fakes::FakeHost host;
        tuner::frmMain tunerWindow(host);
        tunerWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tunerWindow));
        host.port.sent.clear();
        QCOMPARE(tunerWindow.Command2->text(), QStringLiteral("O programu"));
        QTest::mouseClick(tunerWindow.Command2, Qt::LeftButton);
        QTest::mouseClick(tunerWindow.Command2, Qt::LeftButton);
        const auto open = visibleAboutWindows();
        QCOMPARE(open.size(), 1);
        QVERIFY(open.front()->versionLabel()->text().endsWith(QStringLiteral("1.00")));
        QVERIFY(host.messages.empty() && host.writes.isEmpty() && host.port.sent.empty());

        // With the about window open the tuner still plays its strings.
        tunerWindow.txtDur->setText(QStringLiteral("1"));
        QTest::mouseClick(tunerWindow.cmdNote[0], Qt::LeftButton, {}, QPoint(88, 16));
        QCOMPARE(host.heard(), (std::vector<std::pair<int, int>>{{0x90, 64}, {0x80, 64}}));
        QVERIFY(host.messages.empty());
        closeAndDelete(open.front());
    }

    void figureNamesReachTheirResources_data() {
        QTest::addColumn<QString>("pageName");
        QTest::addColumn<QString>("resource");
        QTest::newRow("first") << "Fig1.0.gif"
                               << ":/help/FIG10";
        QTest::newRow("second") << "Fig1.1.gif"
                                << ":/help/FIG11";
        QTest::newRow("other case") << "FIG1.1.GIF"
                                    << ":/help/FIG11";
        QTest::newRow("unknown") << "Fig1.2.gif"
                                 << "";
        QTest::newRow("resource name itself") << "FIG10"
                                              << "";
    }
    void figureNamesReachTheirResources() {
        QFETCH(QString, pageName);
        QFETCH(QString, resource);
        QCOMPARE(tuner::figureResource(pageName), resource);
    }

#ifndef TOLMARY_WITHOUT_HELP
    void showsTheHelpPageWithBothFigures() {
        tuner::AboutWindow* about = tuner::showAboutWindow();
        QTextDocument* page = about->helpBrowser()->document();
        QVERIFY(page->toPlainText().contains(
            QStringLiteral("36 different tunings and 7 different guitars")));
        const struct {
            const char* name;
            QSize size;
        } figures[] = {{"Fig1.0.gif", QSize(473, 114)}, { "Fig1.1.gif", QSize(473, 269) }};
        for (const auto& figure : figures) {
            // What the document would draw for the page's <img src>.
            const QVariant image = page->resource(QTextDocument::ImageResource,
                                                  QUrl(QString::fromLatin1(figure.name)));
            QVERIFY2(image.canConvert<QImage>(), figure.name);
            const QImage picture = image.value<QImage>();
            QCOMPARE(picture.size(), figure.size);
            // Not a blank stand-in: a screenshot has many colours.
            QSet<QRgb> colours;
            for (int x = 0; x < picture.width(); x += 3) {
                for (int y = 0; y < picture.height(); y += 3) {
                    colours.insert(picture.pixel(x, y));
                }
            }
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
