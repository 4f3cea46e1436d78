// The listening window showing a reading (the A string 8 cents flat against A4 = 432 Hz)
// against the committed golden image: texts, meter, strobe, the chromatic box and the reference
// where they belong, in the window's fonts and colours.
#include <QDir>
#include <QtTest>

#include "tools/listening_golden/listening_view.h"

using namespace listening_golden;

class ListeningGoldenTest : public QObject {
    Q_OBJECT

private slots:
    void windowWithAReadingMatchesTheGolden() {
        const QImage golden(QStringLiteral(TOLMARY_GOLDEN_DIR "/") + goldenName());
        QVERIFY2(!golden.isNull(), "golden image missing");
        const QImage rendered = renderListeningView();
        if (rendered != golden.convertToFormat(rendered.format())) {
            rendered.save(QDir::temp().filePath(goldenName()));
            QFAIL(qPrintable(QStringLiteral("differs from the golden; rendered into %1")
                                 .arg(QDir::temp().filePath(goldenName()))));
        }
    }
};

QTEST_MAIN(ListeningGoldenTest)
#include "test_listening_golden.moc"
