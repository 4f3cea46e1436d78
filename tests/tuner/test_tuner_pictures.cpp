// The tuner window's pictures: the committed files are what the generator draws, in the
// formats, sizes and shapes the window relies on.

#include <QImageReader>
#include <QtTest>

#include "tools/tuner_images/tuner_pictures.h"

namespace {

QString committed(const QString& name) {
    return qEnvironmentVariable("TOLMARY_SOURCE_DIR") + "/res/tuner/" + name;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int le16(const QByteArray& bytes, int at) {
    return quint8(bytes[at]) | quint8(bytes[at + 1]) << 8;
}

int brightness(QRgb c) {
    return qRed(c) + qGreen(c) + qBlue(c);
}

}  // namespace

class TunerPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void committedFilesAreWhatTheGeneratorDraws();
    void formats_data();
    void formats();
    void windowIconHasAYellowHand();
    void noteMaskShowsAPageAndHidesOnlyBlack();
    void neckHasSixStrings();
};

void TunerPicturesTest::committedFilesAreWhatTheGeneratorDraws() {
    QTemporaryDir dir;
    QVERIFY(tuner_images::writeTunerPictures(dir.path()));
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(files.size(), 12);
    for (const QString& name : files)
        QVERIFY2(bytesOf(dir.filePath(name)) == bytesOf(committed(name)), qPrintable(name));
}

void TunerPicturesTest::formats_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<int>>(
        "depths");  // bits per pixel of each image in the file (4: 16 colours)
    const QSize small(16, 16);
    QTest::newRow("window icon") << "frm_main.ico" << QByteArray("ico") << QSize(32, 32)
                                 << QList<int>{4};
    for (const char* name : {"page_note.ico", "note_disc.ico", "play.ico"})
        QTest::newRow(name) << name << QByteArray("ico") << small << QList<int>{8, 32};
    for (const char* name : {"note_icon.bmp", "note_mask.bmp"})
        QTest::newRow(name) << name << QByteArray("bmp") << small << QList<int>{24};
    QTest::newRow("neck") << "neck.gif" << QByteArray("gif") << QSize(180, 240) << QList<int>{};
}

void TunerPicturesTest::formats() {
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QFETCH(QList<int>, depths);
    const QByteArray file = bytesOf(committed(name));
    QImageReader reader(committed(name));
    QCOMPARE(reader.format(), format);
    QList<int> found;
    if (format == "bmp")
        found << le16(file, 28);
    for (int i = 0; format == "ico" && i < le16(file, 4); ++i)
        found << le16(file, 6 + 16 * i + 6);
    QCOMPARE(found, depths);
    for (int i = 0; i < std::max<int>(1, depths.size()); ++i) {
        QVERIFY(i == 0 || reader.jumpToImage(i));
        const QImage image = reader.read();
        QCOMPARE(image.size(), size);
        // The small icons of the lists are see-through around their shape.
        if (depths.size() == 2)
            QVERIFY(qAlpha(image.pixel(0, 15)) < 128 || qAlpha(image.pixel(15, 0)) < 128);
    }
}

void TunerPicturesTest::windowIconHasAYellowHand() {
    const QImage icon(committed("frm_main.ico"));
    int yellow = 0;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            yellow += icon.pixel(x, y) == qRgb(255, 255, 0);
    QVERIFY(yellow > 0);
}

void TunerPicturesTest::noteMaskShowsAPageAndHidesOnlyBlack() {
    const QImage icon(committed("note_icon.bmp"));
    const QImage mask(committed("note_mask.bmp"));
    int opaque = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb m = mask.pixel(x, y);
            QVERIFY(m == qRgb(0, 0, 0) || m == qRgb(255, 255, 255));
            // Where the mask lets the background through, the icon must be black.
            if (m == qRgb(255, 255, 255))
                QCOMPARE(icon.pixel(x, y), qRgb(0, 0, 0));
            opaque += m == qRgb(0, 0, 0);
        }
    }
    QVERIFY(opaque > 64 && opaque < 256);  // a page, not nothing and not the whole square
}

void TunerPicturesTest::neckHasSixStrings() {
    const QImage neck(committed("neck.gif"));
    const int y = 30;  // between the nut and the first fret
    QCOMPARE(neck.pixel(37, y), qRgb(255, 255, 255));
    QCOMPARE(neck.pixel(146, y), qRgb(255, 255, 255));
    // Six strings and no more: count light runs across the fretboard. The window test checks
    // that each red pointer ends on one.
    int strings = 0;
    for (int x = 38; x <= 145; ++x)
        strings += brightness(neck.pixel(x, y)) > 500 && brightness(neck.pixel(x - 1, y)) <= 500;
    QCOMPARE(strings, 6);
}

QTEST_MAIN(TunerPicturesTest)
#include "test_tuner_pictures.moc"
