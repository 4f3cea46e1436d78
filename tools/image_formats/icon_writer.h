#pragma once
// Writes icon (.ico) files. Each image is a bitmap: a 40-byte header whose height counts the
// colour rows and the mask rows together, the palette (4 and 8 bits), the colour rows, and the
// 1-bit transparency mask, both bottom-up. A 32 x 32 image at 4 bits is 744 bytes.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>

namespace image_formats {

// One image of an icon file: the picture (transparent where alpha < 128) and its bit depth,
// 4, 8 or 32. Palette depths take the colours nearest to the picture's from `palette`, or from
// sixteenColours() / colours256() when it is empty; transparent pixels store index 0.
struct IconImage {
    QImage picture;
    int bitCount = 32;
    QList<QRgb> palette;
    // The directory entry's colour-count byte; -1 writes the palette size (0 for 256 and more).
    int directoryColourCount = -1;
};

// The bitmap of one image alone, as a resource compiler takes it.
QByteArray iconBitmap(const IconImage& image);

// An .ico file: the directory, then each image's bitmap in order.
QByteArray iconFile(const QList<IconImage>& images);

}  // namespace image_formats
