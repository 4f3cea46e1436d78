#include "tools/app_icon/icon_writer.h"

#include <algorithm>
#include <vector>

namespace app_icon {
namespace {

constexpr int kHeaderBytes = 40;
constexpr int kPaletteEntries = 16;
constexpr int kColourRowBytes = kIconSize / 2;  // 4 bits per pixel, already a multiple of 4
constexpr int kMaskRowBytes = 4;                // 32 bits, one per pixel
constexpr QRgb kBlack = 0xFF000000u;

void putWord(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void putLong(QByteArray& out, int value) {
    putWord(out, value & 0xFFFF);
    putWord(out, (value >> 16) & 0xFFFF);
}

bool transparent(QRgb pixel) {
    return qAlpha(pixel) < 128;
}

}  // namespace

QByteArray encodeIconImage(const QImage& picture) {
    if (picture.width() != kIconSize || picture.height() != kIconSize) {
        return {};
    }
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);

    // Transparent pixels store black in the colour rows so the mask alone decides what shows.
    std::vector<QRgb> palette{kBlack};
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            const QRgb pixel = source.pixel(x, y);
            if (transparent(pixel)) {
                continue;
            }
            const QRgb opaque = pixel | kBlack;
            if (std::find(palette.begin(), palette.end(), opaque) == palette.end()) {
                palette.push_back(opaque);
            }
        }
    }
    if (palette.size() > size_t(kPaletteEntries)) {
        return {};
    }
    const auto indexOf = [&palette](QRgb pixel) {
        if (transparent(pixel)) {
            return 0;
        }
        return int(std::find(palette.begin(), palette.end(), pixel | kBlack) - palette.begin());
    };

    QByteArray out;
    putLong(out, kHeaderBytes);
    putLong(out, kIconSize);
    putLong(out, kIconSize * 2);  // colour rows and mask rows
    putWord(out, 1);              // planes
    putWord(out, 4);              // bits per pixel
    putLong(out, 0);              // uncompressed
    putLong(out, (kColourRowBytes + kMaskRowBytes) * kIconSize);
    putLong(out, 0);  // no preferred resolution
    putLong(out, 0);
    putLong(out, 0);  // all 16 palette entries are stored
    putLong(out, 0);
    for (int i = 0; i < kPaletteEntries; ++i) {
        const QRgb colour = i < int(palette.size()) ? palette[i] : kBlack;
        out.append(char(qBlue(colour)));
        out.append(char(qGreen(colour)));
        out.append(char(qRed(colour)));
        out.append(char(0));
    }
    for (int y = kIconSize - 1; y >= 0; --y) {
        for (int x = 0; x < kIconSize; x += 2) {
            out.append(char((indexOf(source.pixel(x, y)) << 4) | indexOf(source.pixel(x + 1, y))));
        }
    }
    for (int y = kIconSize - 1; y >= 0; --y) {
        for (int byte = 0; byte < kMaskRowBytes; ++byte) {
            int bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (transparent(source.pixel(byte * 8 + bit, y))) {
                    bits |= 0x80 >> bit;
                }
            }
            out.append(char(bits));
        }
    }
    return out;
}

QByteArray encodeIconFile(const QByteArray& iconImage) {
    constexpr int kFileHeaderBytes = 6;
    constexpr int kEntryBytes = 16;
    QByteArray out;
    putWord(out, 0);  // reserved
    putWord(out, 1);  // icon
    putWord(out, 1);  // one image
    out.append(char(kIconSize));
    out.append(char(kIconSize));
    out.append(char(kDirectoryColourCount));
    out.append(char(0));
    putWord(out, 1);  // planes
    putWord(out, 4);  // bits per pixel
    putLong(out, int(iconImage.size()));
    putLong(out, kFileHeaderBytes + kEntryBytes);
    out.append(iconImage);
    return out;
}

}  // namespace app_icon
