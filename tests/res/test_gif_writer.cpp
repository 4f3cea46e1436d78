// The figure encoder: GIF files it writes must decode, pixel for pixel, in Qt's own GIF reader,
// including pictures large and noisy enough to fill the LZW table several times over.
#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>
#include <QtTest>

#include "tools/help_figures/gif_writer.h"
#include "tools/help_figures/palette_quantizer.h"

using help_figures::IndexedImage;

namespace {

IndexedImage makeImage(int width, int height, int colours, const std::function<int(int, int)>& at) {
    IndexedImage image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < colours; ++i) {
        image.palette.push_back(qRgb(i, (i * 7) & 0xFF, 255 - i));
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.pixels.push_back(uint8_t(at(x, y)));
        }
    }
    return image;
}

QImage decode(const QByteArray& gif) {
    QBuffer buffer;
    buffer.setData(gif);
    QImageReader reader(&buffer, "gif");
    return reader.read();
}

}  // namespace

class TestGifWriter : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("colours");
        QTest::addColumn<int>("pattern");
        // pattern 0: one colour; 1: checkerboard; 2: random noise; 3: horizontal runs
        QTest::newRow("single pixel") << 1 << 1 << 1 << 0;
        QTest::newRow("two colours, odd size") << 7 << 3 << 2 << 1;
        QTest::newRow("one colour, long runs") << 640 << 480 << 1 << 0;
        QTest::newRow("noise fills the code table") << 473 << 269 << 256 << 2;
        QTest::newRow("noise of 16 colours") << 300 << 200 << 16 << 2;
        QTest::newRow("stripes of all colours") << 473 << 114 << 256 << 3;
    }
    void roundTrip() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, colours);
        QFETCH(int, pattern);
        QRandomGenerator random(42);
        const IndexedImage image = makeImage(width, height, colours, [&](int x, int y) {
            switch (pattern) {
                case 1:
                    return (x + y) % 2;
                case 2:
                    return int(random.bounded(colours));
                case 3:
                    return (y * 3 + x / 5) % colours;
                default:
                    return 0;
            }
        });
        const QByteArray gif = help_figures::encodeGif(image);
        const QImage decoded = decode(gif);
        QCOMPARE(decoded.size(), QSize(width, height));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb expected = image.palette[image.pixels[size_t(y) * width + x]];
                if ((decoded.pixel(x, y) | 0xFF000000u) != expected) {
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
                }
            }
        }
    }

    void fileHasGlobalTableAndPaddedTrailer() {
        const IndexedImage image = makeImage(5, 4, 3, [](int x, int) { return x % 3; });
        const QByteArray gif = help_figures::encodeGif(image);
        QVERIFY(gif.startsWith("GIF89a"));
        QCOMPARE(uchar(gif[4 + 6]), uchar(0xF7));     // 256-entry global table
        QCOMPARE(uchar(gif[13 + 768]), uchar(0x2C));  // image descriptor after the table
        QVERIFY(gif.endsWith(QByteArray("\x3B\0\0\0", 4)));
        // Unused palette entries are black.
        QCOMPARE(gif.mid(13 + 3 * 3, 3), QByteArray(3, '\0'));
    }

    void rejectsWhatCannotBeStored_data() {
        QTest::addColumn<int>("damage");
        QTest::newRow("no pixels") << 0;
        QTest::newRow("index past the palette") << 1;
        QTest::newRow("palette over 256") << 2;
        QTest::newRow("pixel count differs from size") << 3;
    }
    void rejectsWhatCannotBeStored() {
        QFETCH(int, damage);
        IndexedImage image = makeImage(4, 4, 4, [](int x, int) { return x; });
        switch (damage) {
            case 0:
                image = IndexedImage{};
                break;
            case 1:
                image.pixels[5] = 4;
                break;
            case 2:
                image.palette.resize(257);
                break;
            default:
                image.pixels.pop_back();
        }
        QVERIFY(help_figures::encodeGif(image).isEmpty());
    }

    void fewColoursAreKeptExactly() {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(qRgb(212, 208, 200));
        for (int x = 0; x < 40; ++x) {
            picture.setPixel(x, x % 30, qRgb(255, 0, 0));
            picture.setPixel(x, 5, qRgb(0, 0, x * 6));
        }
        const IndexedImage image = help_figures::quantize(picture);
        QVERIFY(image.palette.size() <= 42);
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                QCOMPARE(image.palette[image.pixels[size_t(y) * 40 + x]], picture.pixel(x, y));
            }
        }
        QCOMPARE(image.palette.front(), qRgb(212, 208, 200));  // the commonest colour first
    }

    void richPictureStaysClose() {
        // 64 x 64 x 4 distinct colours: the palette must cover the whole cube evenly.
        QImage picture(256, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 256; ++x) {
                picture.setPixel(x, y, qRgb(x, y * 4, (x / 64) * 80));
            }
        }
        const IndexedImage image = help_figures::quantize(picture);
        QCOMPARE(image.palette.size(), size_t(256));
        int worst = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 256; ++x) {
                const QRgb got = image.palette[image.pixels[size_t(y) * 256 + x]];
                const QRgb want = picture.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(got) - qRed(want)),
                                  std::abs(qGreen(got) - qGreen(want)),
                                  std::abs(qBlue(got) - qBlue(want))});
            }
        }
        QVERIFY2(worst <= 24, qPrintable(QString::number(worst)));
    }
};

QTEST_GUILESS_MAIN(TestGifWriter)
#include "test_gif_writer.moc"
