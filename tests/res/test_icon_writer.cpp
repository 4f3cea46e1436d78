// The icon encoder: a 16-colour 32 x 32 picture becomes a 744-byte icon image whose header, colour
// rows and mask read back through Qt's icon reader as the same picture.
#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

#include "tools/app_icon/icon_writer.h"

namespace {

QImage sample(int colours) {
    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int y = 4; y < 28; ++y) {
        for (int x = 2 + y % 3; x < 30; ++x) {
            const int c = (x + y) % colours;
            picture.setPixel(x, y, qRgb(255 - c * 15, 200 - c * 10, c * 16));
        }
    }
    return picture;
}

quint32 longAt(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
quint16 wordAt(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

}  // namespace

class TestIconWriter : public QObject {
    Q_OBJECT

private slots:
    void imageHeaderDescribesFourBitsWithMask() {
        const QByteArray image = app_icon::encodeIconImage(sample(15));
        QCOMPARE(image.size(), 744);
        QCOMPARE(longAt(image, 0), 40u);
        QCOMPARE(longAt(image, 4), 32u);
        QCOMPARE(longAt(image, 8), 64u);
        QCOMPARE(wordAt(image, 12), quint16(1));
        QCOMPARE(wordAt(image, 14), quint16(4));
    }

    void fileReadsBackAsTheSamePicture() {
        const QImage picture = sample(15);
        const QByteArray file = app_icon::encodeIconFile(app_icon::encodeIconImage(picture));
        QCOMPARE(file.size(), 6 + 16 + 744);
        QCOMPARE(uchar(file[6]), uchar(32));
        QCOMPARE(uchar(file[8]), uchar(app_icon::kDirectoryColourCount));
        QCOMPARE(wordAt(file, 12), quint16(4));
        QCOMPARE(longAt(file, 14), 744u);

        QBuffer buffer;
        buffer.setData(file);
        QImageReader reader(&buffer, "ico");
        const QImage back = reader.read().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(back.size(), QSize(32, 32));
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QRgb want = picture.pixel(x, y);
                const QRgb got = back.pixel(x, y);
                if (qAlpha(want) == 0) {
                    QVERIFY2(qAlpha(got) == 0, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                } else {
                    QCOMPARE(got, want);
                }
            }
        }
    }

    void refusesWhatAFourBitIconCannotHold_data() {
        QTest::addColumn<QImage>("picture");
        QTest::newRow("16 colours besides black") << sample(16);
        QTest::newRow("too small") << QImage(16, 16, QImage::Format_ARGB32);
        QTest::newRow("too tall") << QImage(32, 33, QImage::Format_ARGB32);
    }
    void refusesWhatAFourBitIconCannotHold() {
        QFETCH(QImage, picture);
        QVERIFY(app_icon::encodeIconImage(picture).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIconWriter)
#include "test_icon_writer.moc"
