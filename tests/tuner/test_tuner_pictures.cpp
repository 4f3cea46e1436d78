// The tuner window's pictures: the committed files are what the generator draws, in the
// formats, sizes and geometry the window relies on.

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

int distinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    }
    return static_cast<int>(colours.size());
}

int brightness(QRgb c) {
    return qRed(c) + qGreen(c) + qBlue(c);
}

}  // namespace

class TunerPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void committedFilesAreWhatTheGeneratorDraws();
    void windowIconIsSixteenColours32();
    void listIcons_data();
    void listIcons();
    void noteIconAndMaskAre24BitAndAgree();
    void neckHasItsStringsWhereThePointersEnd();
};

void TunerPicturesTest::committedFilesAreWhatTheGeneratorDraws() {
    QTemporaryDir dir;
    QVERIFY(tuner_images::writeTunerPictures(dir.path()));
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(files.size(), 7);
    for (const QString& name : files) {
        QVERIFY2(bytesOf(dir.filePath(name)) == bytesOf(committed(name)), qPrintable(name));
    }
}

void TunerPicturesTest::windowIconIsSixteenColours32() {
    const QByteArray file = bytesOf(committed("frm_main.ico"));
    QCOMPARE(file.size() > 22, true);
    QCOMPARE(int(file[4]), 1);   // one image
    QCOMPARE(int(file[12]), 4);  // 4 bits per pixel
    QImage icon(committed("frm_main.ico"));
    QCOMPARE(icon.size(), QSize(32, 32));
    QVERIFY(distinctColours(icon) <= 16 + 1);  // plus transparent
    bool yellow = false;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x)
            yellow |= icon.pixel(x, y) == qRgb(255, 255, 0);
    }
    QVERIFY(yellow);
}

void TunerPicturesTest::listIcons_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("page with note") << "page_note.ico";
    QTest::newRow("note on disc") << "note_disc.ico";
    QTest::newRow("play") << "play.ico";
}

void TunerPicturesTest::listIcons() {
    QFETCH(QString, name);
    QImageReader reader(committed(name));
    QCOMPARE(reader.imageCount(), 2);
    QList<int> depths;
    const QByteArray file = bytesOf(committed(name));
    for (int i = 0; i < 2; ++i)
        depths << (quint8(file[6 + 16 * i + 6]) | quint8(file[6 + 16 * i + 7]) << 8);
    QCOMPARE(depths, (QList<int>{8, 32}));
    for (int i = 0; i < 2; ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QCOMPARE(image.size(), QSize(16, 16));
        QVERIFY(image.hasAlphaChannel());
        QCOMPARE(qAlpha(image.pixel(0, 15)) < 128 || qAlpha(image.pixel(15, 0)) < 128, true);
    }
}

void TunerPicturesTest::noteIconAndMaskAre24BitAndAgree() {
    for (const char* name : {"note_icon.bmp", "note_mask.bmp"}) {
        const QByteArray file = bytesOf(committed(name));
        QCOMPARE(file.left(2), QByteArray("BM"));
        QCOMPARE(int(file[28]), 24);
    }
    const QImage icon(committed("note_icon.bmp"));
    const QImage mask(committed("note_mask.bmp"));
    QCOMPARE(icon.size(), QSize(16, 16));
    QCOMPARE(mask.size(), QSize(16, 16));
    int opaque = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb m = mask.pixel(x, y);
            QVERIFY(m == qRgb(0, 0, 0) || m == qRgb(255, 255, 255));
            // Where the mask lets the background through, the icon must be black.
            if (m == qRgb(255, 255, 255))
                QCOMPARE(icon.pixel(x, y), qRgb(0, 0, 0));
            if (m == qRgb(0, 0, 0))
                ++opaque;
        }
    }
    QVERIFY(opaque > 64 && opaque < 256);  // a page, not nothing and not the whole square
}

void TunerPicturesTest::neckHasItsStringsWhereThePointersEnd() {
    QImageReader reader(committed("neck.gif"));
    QCOMPARE(reader.format(), QByteArray("gif"));
    const QImage neck = reader.read();
    QCOMPARE(neck.size(), QSize(180, 240));
    const int y = 30;  // between the nut and the first fret
    QCOMPARE(neck.pixel(0, y), qRgb(255, 255, 255));
    QCOMPARE(neck.pixel(37, y), qRgb(255, 255, 255));
    QVERIFY(brightness(neck.pixel(38, y)) < 300);
    QVERIFY(brightness(neck.pixel(145, y)) < 300);
    QCOMPARE(neck.pixel(146, y), qRgb(255, 255, 255));
    // Six strings and no more: count light runs across the fretboard.
    int strings = 0;
    for (int x = 38; x <= 145; ++x) {
        const bool light = brightness(neck.pixel(x, y)) > 500;
        const bool before = brightness(neck.pixel(x - 1, y)) > 500;
        if (light && !before)
            ++strings;
    }
    QCOMPARE(strings, 6);
    // Where the red pointers end, 49 to 137 px into the picture: a light string within a few
    // pixels (the pointer to string 3 ends 4 px right of it).
    for (int end : {137, 121, 105, 89, 65, 49}) {
        int lightest = 0;
        for (int x = end - 4; x <= end + 4; ++x)
            lightest = std::max(lightest, brightness(neck.pixel(x, y)));
        QVERIFY2(lightest > 500, qPrintable(QString::number(end)));
    }
}

QTEST_MAIN(TunerPicturesTest)
#include "test_tuner_pictures.moc"
