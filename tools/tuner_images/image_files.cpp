#include "tools/tuner_images/image_files.h"

#include <QBuffer>
#include <QDataStream>
#include <limits>

namespace tuner_images {
namespace {

void put16(QByteArray& out, int v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 v) {
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

bool opaque(QRgb c) {
    return qAlpha(c) >= 128;
}

// The bitmap part of one icon image: header, palette, colour rows and AND mask, bottom-up.
QByteArray iconBitmap(const IconImage& image) {
    const QImage pic = image.picture.convertToFormat(QImage::Format_ARGB32);
    const int w = pic.width();
    const int h = pic.height();
    const int bits = image.bitCount;
    const QVector<QRgb> palette = bits == 4 ? sixteenColours() : colours256();
    const int paletteSize = bits == 32 ? 0 : (1 << bits);

    QByteArray out;
    put32(out, 40);
    put32(out, static_cast<quint32>(w));
    put32(out, static_cast<quint32>(2 * h));  // colour rows and mask rows together
    put16(out, 1);
    put16(out, bits);
    put32(out, 0);
    const int colourRow = ((w * bits + 31) / 32) * 4;
    const int maskRow = ((w + 31) / 32) * 4;
    put32(out, static_cast<quint32>((colourRow + maskRow) * h));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int i = 0; i < paletteSize; ++i) {
        const QRgb c = palette[i];
        out.append(static_cast<char>(qBlue(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qRed(c)));
        out.append('\0');
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(colourRow, '\0');
        for (int x = 0; x < w; ++x) {
            const QRgb c = pic.pixel(x, y);
            if (bits == 32) {
                row[4 * x] = static_cast<char>(qBlue(c));
                row[4 * x + 1] = static_cast<char>(qGreen(c));
                row[4 * x + 2] = static_cast<char>(qRed(c));
                row[4 * x + 3] = static_cast<char>(qAlpha(c));
                continue;
            }
            // Transparent pixels are black in the colour rows, as the mask expects.
            const int index = opaque(c) ? nearest(palette, c) : 0;
            if (bits == 8) {
                row[x] = static_cast<char>(index);
            } else {
                const int shift = (x % 2 == 0) ? 4 : 0;
                row[x / 2] = static_cast<char>(row[x / 2] | (index << shift));
            }
        }
        out.append(row);
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < w; ++x) {
            if (!opaque(pic.pixel(x, y))) {
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.append(row);
    }
    return out;
}

// Packs variable-width codes least significant bit first, as GIF's LZW stream wants.
class BitPacker {
public:
    void put(int code, int width) {
        acc_ |= static_cast<quint32>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            bytes_.append(static_cast<char>(acc_ & 0xFF));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    QByteArray finish() {
        if (bits_ > 0)
            bytes_.append(static_cast<char>(acc_ & 0xFF));
        return bytes_;
    }

private:
    QByteArray bytes_;
    quint32 acc_ = 0;
    int bits_ = 0;
};

}  // namespace

QVector<QRgb> sixteenColours() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

QVector<QRgb> colours256() {
    QVector<QRgb> out;
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b)
                out.append(qRgb(r * 51, g * 51, b * 51));
        }
    }
    for (int i = 0; out.size() < 256; ++i) {
        const int v = 8 + i * 6;
        out.append(qRgb(v, v, v));
    }
    return out;
}

int nearest(const QVector<QRgb>& palette, QRgb c) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - qRed(c);
        const int dg = qGreen(palette[i]) - qGreen(c);
        const int db = qBlue(palette[i]) - qBlue(c);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

QByteArray iconFile(const QList<IconImage>& images) {
    QByteArray out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<int>(images.size()));
    QList<QByteArray> bitmaps;
    for (const IconImage& image : images)
        bitmaps.append(iconBitmap(image));
    int offset = 6 + 16 * static_cast<int>(images.size());
    for (int i = 0; i < images.size(); ++i) {
        const IconImage& image = images[i];
        out.append(static_cast<char>(image.picture.width() & 0xFF));
        out.append(static_cast<char>(image.picture.height() & 0xFF));
        out.append(static_cast<char>(image.bitCount == 4 ? 16 : 0));
        out.append('\0');
        put16(out, 1);
        put16(out, image.bitCount);
        put32(out, static_cast<quint32>(bitmaps[i].size()));
        put32(out, static_cast<quint32>(offset));
        offset += static_cast<int>(bitmaps[i].size());
    }
    for (const QByteArray& b : bitmaps)
        out.append(b);
    return out;
}

QByteArray gifFile(const QImage& picture, const QVector<QRgb>& palette) {
    const QImage pic = picture.convertToFormat(QImage::Format_RGB32);
    QByteArray out("GIF89a");
    put16(out, pic.width());
    put16(out, pic.height());
    out.append(static_cast<char>(0xF7));  // global table of 256 colours, 8 bits per primary
    out.append('\0');
    out.append('\0');
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        out.append(static_cast<char>(qRed(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qBlue(c)));
    }
    out.append(',');
    put16(out, 0);
    put16(out, 0);
    put16(out, pic.width());
    put16(out, pic.height());
    out.append('\0');

    // Every pixel goes out as a literal 9-bit code; a clear code every 254 literals keeps the
    // decoder's table from growing past 9 bits, so no compression state is needed.
    constexpr int clear = 256;
    constexpr int end = 257;
    BitPacker packer;
    int sinceClear = 0;
    packer.put(clear, 9);
    for (int y = 0; y < pic.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
            if (sinceClear == 254) {
                packer.put(clear, 9);
                sinceClear = 0;
            }
            packer.put(nearest(palette, pic.pixel(x, y)), 9);
            ++sinceClear;
        }
    }
    packer.put(end, 9);
    const QByteArray data = packer.finish();
    out.append(static_cast<char>(8));  // LZW minimum code size
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const QByteArray block = data.mid(i, 255);
        out.append(static_cast<char>(block.size()));
        out.append(block);
    }
    out.append('\0');
    out.append(';');
    return out;
}

}  // namespace tuner_images
