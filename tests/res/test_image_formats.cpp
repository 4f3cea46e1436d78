// The shared image writers: GIF and icon files they write must read back, pixel for pixel,
// through Qt's own readers (GIF pictures noisy enough to fill the LZW table several times over,
// icons at every depth with their transparency), and colour reduction keeps pictures close.
#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>
#include <QtTest>

#include "tools/image_formats/gif_writer.h"
#include "tools/image_formats/icon_writer.h"
#include "tools/image_formats/palette.h"

using image_formats::IndexedImage;

namespace {

// A picture of `colours` distinct colours whose pixel (x, y) takes colour `at(x, y)`.
IndexedImage makeImage(int width, int height, int colours, const std::function<int(int, int)>& at) {
    IndexedImage image{width, height, {}, {}};
    for (int i = 0; i < colours; ++i)
        image.palette.push_back(qRgb(i, (i * 7) & 0xFF, 255 - i));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels.push_back(uint8_t(at(x, y)));
    return image;
}

// The largest difference in any channel between a picture and its reduced form.
int worstChannelError(const QImage& picture, const IndexedImage& image) {
    int worst = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb got = image.palette[image.pixels[size_t(y) * picture.width() + x]];
            const QRgb want = picture.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(got) - qRed(want)),
                              std::abs(qGreen(got) - qGreen(want)),
                              std::abs(qBlue(got) - qBlue(want))});
        }
    }
    return worst;
}

}  // namespace

class TestImageFormats : public QObject {
    Q_OBJECT

private slots:
    void gifRoundTrip_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("colours");
        QTest::addColumn<int>("pattern");  // 0: one colour; 1: checkerboard; 2: noise; 3: runs
        QTest::newRow("single pixel") << QSize(1, 1) << 1 << 0;
        QTest::newRow("two colours, odd size") << QSize(7, 3) << 2 << 1;
        QTest::newRow("one colour, long runs") << QSize(640, 480) << 1 << 0;
        QTest::newRow("noise fills the code table") << QSize(473, 269) << 256 << 2;
        QTest::newRow("stripes of all colours") << QSize(473, 114) << 256 << 3;
    }
    void gifRoundTrip() {
        QFETCH(QSize, size);
        QFETCH(int, colours);
        QFETCH(int, pattern);
        QRandomGenerator random(42);
        const IndexedImage image =
            makeImage(size.width(), size.height(), colours, [&](int x, int y) {
                const int values[] = {0, (x + y) % 2, int(random.bounded(colours)),
                                      (y * 3 + x / 5) % colours};
                return values[pattern];
            });
        QBuffer buffer;
        buffer.setData(image_formats::encodeGif(image));
        const QImage decoded = QImageReader(&buffer, "gif").read();
        QCOMPARE(decoded.size(), size);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x)
                if ((decoded.pixel(x, y) | 0xFF000000u) !=
                    image.palette[image.pixels[size_t(y) * size.width() + x]])
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
        }
    }

    void gifLayoutAndRefusals() {
        const IndexedImage good = makeImage(4, 4, 4, [](int x, int) { return x; });
        IndexedImage pastPalette = good;
        pastPalette.pixels[5] = 4;
        IndexedImage bigPalette = good;
        bigPalette.palette.resize(257);
        IndexedImage shortPixels = good;
        shortPixels.pixels.pop_back();
        const QByteArray gif = image_formats::encodeGif(good);
        QVERIFY(gif.startsWith("GIF89a"));
        QCOMPARE(uchar(gif[10]), uchar(0xF7));               // 256-entry global table
        QCOMPARE(gif.mid(13 + 12, 3), QByteArray(3, '\0'));  // unused entries are black
        QCOMPARE(uchar(gif[13 + 768]), uchar(0x2C));         // image descriptor after the table
        QVERIFY(gif.endsWith(QByteArray("\x3B\0\0\0", 4)));
        for (const IndexedImage& bad : {IndexedImage{}, pastPalette, bigPalette, shortPixels})
            QVERIFY(image_formats::encodeGif(bad).isEmpty());
    }

    void quantizeKeepsFewColoursExactly() {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(qRgb(212, 208, 200));
        for (int x = 0; x < 40; ++x) {
            picture.setPixel(x, x % 30, qRgb(255, 0, 0));
            picture.setPixel(x, 5, qRgb(0, 0, x * 6));
        }
        const IndexedImage image = image_formats::quantize(picture);
        QVERIFY(image.palette.size() <= 42);
        QCOMPARE(worstChannelError(picture, image), 0);
        QCOMPARE(image.palette.front(), qRgb(212, 208, 200));  // the commonest colour first
    }

    void quantizeKeepsARichPictureClose() {
        // 64 x 64 x 4 distinct colours: the palette must cover the whole cube evenly.
        QImage picture(256, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 256; ++x)
                picture.setPixel(x, y, qRgb(x, y * 4, (x / 64) * 80));
        const IndexedImage image = image_formats::quantize(picture);
        QCOMPARE(image.palette.size(), 256);
        const int worst = worstChannelError(picture, image);
        QVERIFY2(worst <= 24, qPrintable(QString::number(worst)));
    }

    void iconRoundTrip_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("bitCount");
        QTest::addColumn<bool>("ownPalette");
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<QRgb>("readBack");
        QTest::addColumn<int>("directoryColours");
        QTest::addColumn<int>("bytes");  // of the bitmap
        QTest::newRow("4 bits, own palette")
            << 32 << 4 << true << qRgb(10, 200, 30) << qRgb(10, 200, 30) << 4 << 744;
        QTest::newRow("4 bits, nearest VGA colour")
            << 32 << 4 << false << qRgb(250, 10, 10) << qRgb(255, 0, 0) << 16 << 744;
        QTest::newRow("8 bits, colour cube")
            << 16 << 8 << false << qRgb(51, 102, 153) << qRgb(51, 102, 153) << 0 << 1384;
        QTest::newRow("32 bits") << 16 << 32 << false << qRgb(1, 2, 3) << qRgb(1, 2, 3) << 0
                                 << 1128;
    }
    void iconRoundTrip() {
        QFETCH(int, side);
        QFETCH(int, bitCount);
        QFETCH(bool, ownPalette);
        QFETCH(QRgb, colour);
        QFETCH(QRgb, readBack);
        QFETCH(int, directoryColours);
        QFETCH(int, bytes);
        // A coloured shape with black specks, transparent on a ragged left edge and the border.
        QImage picture(side, side, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        for (int y = 2; y < side - 2; ++y)
            for (int x = 1 + y % 3; x < side - 1; ++x)
                picture.setPixel(x, y, (x * y) % 5 == 0 ? qRgb(0, 0, 0) : colour);
        image_formats::IconImage icon{picture, bitCount, {}, -1};
        if (ownPalette) {
            icon.palette = image_formats::exactPalette(picture);
            QCOMPARE(icon.palette, (QList<QRgb>{qRgb(0, 0, 0), colour}));
            icon.directoryColourCount = directoryColours;
        }
        const QByteArray bitmap = image_formats::iconBitmap(icon);
        QCOMPARE(bitmap.size(), bytes);
        // Two copies, so the second entry's offset must be right for the reader to find it.
        const QByteArray file = image_formats::iconFile({icon, icon});
        QCOMPARE(uchar(file[6 + 2]), uchar(directoryColours));
        QCOMPARE(file.size(), 6 + 32 + 2 * bytes);

        QBuffer buffer;
        buffer.setData(file);
        QImageReader reader(&buffer, "ico");
        for (int image = 0; image < 2; ++image) {
            QVERIFY(reader.jumpToImage(image));
            const QImage back = reader.read().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(back.size(), QSize(side, side));
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) {
                    const QRgb want = picture.pixel(x, y);
                    const QRgb got = back.pixel(x, y);
                    QVERIFY2(qAlpha(want) == 0 ? qAlpha(got) == 0
                                               : got == (want == colour ? readBack : want),
                             qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestImageFormats)
#include "test_image_formats.moc"
