// On a real X server: the chord window showing C major, captured from the screen into the
// build folder, with the markers of C major and no others on the neck.
#include <QDir>
#include <QScreen>
#include <QStandardPaths>
#include <QtTest>

#include "tests/chords/chord_window_probe.h"

using namespace chords;
using namespace chords_test;

class ChordWindowScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanupTestCase() { closeChordWindows(); }

    void cMajorOnScreen() {
        frmPrijemi* window = showChordWindow([] {});
        QVERIFY(QTest::qWaitForWindowExposed(window));
        press(window, QStringLiteral("C"));
        QTest::qWait(200);  // let the X server show the repaint before capturing

        const QImage shot = window->screen()->grabWindow(window->winId()).toImage();
        QCOMPARE(shot.size(), QSize(783, 471));
        const QString path = QDir(QCoreApplication::applicationDirPath())
                                 .filePath(QStringLiteral("chord_window_c_major.png"));
        QVERIFY(shot.save(path));
        qInfo("screenshot: %s", qPrintable(path));

        // A marker shows as white in its middle; the wood under a hidden one is warm.
        for (int i = 0; i < markerCount; ++i) {
            const MarkerPlace& place = markerPlaces[i];
            const QColor middle = shot.pixelColor(place.left + markerWidth / 2, place.top + 5);
            QCOMPARE(middle == QColor(Qt::white),
                     cMajor.contains(QString::fromStdString(markerName(i))));
        }
    }
};

QTEST_MAIN(ChordWindowScreenshotTest)
#include "test_chord_window_screenshot.moc"
