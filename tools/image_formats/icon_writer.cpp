#include "tools/image_formats/icon_writer.h"

#include "tools/image_formats/little_endian.h"
#include "tools/image_formats/palette.h"

namespace image_formats {
namespace {

constexpr int headerBytes = 40;
constexpr int fileHeaderBytes = 6;
constexpr int entryBytes = 16;

bool opaque(QRgb pixel) {
    return qAlpha(pixel) >= 128;
}

QList<QRgb> paletteOf(const IconImage& image) {
    if (image.bitCount == 32)
        return {};
    QList<QRgb> palette = image.palette;
    if (palette.isEmpty())
        palette = image.bitCount == 4 ? sixteenColours() : colours256();
    palette.resize(1 << image.bitCount, qRgb(0, 0, 0));  // unused entries are black
    return palette;
}

}  // namespace

QByteArray iconBitmap(const IconImage& image) {
    const QImage pic = image.picture.convertToFormat(QImage::Format_ARGB32);
    const int w = pic.width();
    const int h = pic.height();
    const int bits = image.bitCount;
    const QList<QRgb> palette = paletteOf(image);

    QByteArray out;
    putLong(out, headerBytes);
    putLong(out, quint32(w));
    putLong(out, quint32(2 * h));  // colour rows and mask rows together
    putWord(out, 1);               // planes
    putWord(out, bits);
    putLong(out, 0);  // uncompressed
    const int colourRow = ((w * bits + 31) / 32) * 4;
    const int maskRow = ((w + 31) / 32) * 4;
    putLong(out, quint32((colourRow + maskRow) * h));
    for (int i = 0; i < 4; ++i)
        putLong(out, 0);  // no resolution; every palette entry stored
    for (const QRgb c : palette) {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append(char(0));
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(colourRow, '\0');
        for (int x = 0; x < w; ++x) {
            const QRgb c = pic.pixel(x, y);
            if (bits == 32) {
                row[4 * x] = char(qBlue(c));
                row[4 * x + 1] = char(qGreen(c));
                row[4 * x + 2] = char(qRed(c));
                row[4 * x + 3] = char(qAlpha(c));
                continue;
            }
            // Transparent pixels are black in the colour rows so the mask alone decides.
            const int index = opaque(c) ? nearest(palette, c) : 0;
            if (bits == 8) {
                row[x] = char(index);
            } else {
                const int shift = (x % 2 == 0) ? 4 : 0;
                row[x / 2] = char(row[x / 2] | (index << shift));
            }
        }
        out.append(row);
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < w; ++x)
            if (!opaque(pic.pixel(x, y)))
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

QByteArray iconFile(const QList<IconImage>& images) {
    QByteArray out;
    putWord(out, 0);  // reserved
    putWord(out, 1);  // icon
    putWord(out, int(images.size()));
    QList<QByteArray> bitmaps;
    for (const IconImage& image : images)
        bitmaps.append(iconBitmap(image));
    qsizetype offset = fileHeaderBytes + entryBytes * images.size();
    for (qsizetype i = 0; i < images.size(); ++i) {
        const IconImage& image = images[i];
        const qsizetype colours = paletteOf(image).size();
        out.append(char(image.picture.width() & 0xFF));
        out.append(char(image.picture.height() & 0xFF));
        out.append(char(image.directoryColourCount >= 0 ? image.directoryColourCount
                        : colours < 256                 ? colours
                                                        : 0));
        out.append(char(0));
        putWord(out, 1);  // planes
        putWord(out, image.bitCount);
        putLong(out, quint32(bitmaps[i].size()));
        putLong(out, quint32(offset));
        offset += bitmaps[i].size();
    }
    for (const QByteArray& bitmap : bitmaps)
        out.append(bitmap);
    return out;
}

}  // namespace image_formats
