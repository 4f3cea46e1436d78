#pragma once
// Palettes and colour reduction for the image writers: the fixed 16- and 256-colour palettes,
// nearest-colour lookup, the exact palette of a few-coloured picture, and median-cut reduction of
// a screenshot. Each turns a true-colour QImage into palette indices the GIF and icon writers
// store. Alpha is ignored throughout.

#include <QImage>
#include <QList>
#include <QRgb>
#include <cstdint>
#include <vector>

namespace image_formats {

// A picture of at most 256 colours: a palette and one palette index per pixel, rows top to
// bottom.
struct IndexedImage {
    int width = 0;
    int height = 0;
    QList<QRgb> palette;          // 1 to 256 entries
    std::vector<uint8_t> pixels;  // width * height indices into palette
};

// The 16 colours of the classic VGA palette, and a 256-colour palette (a 6x6x6 cube and greys).
QList<QRgb> sixteenColours();
QList<QRgb> colours256();

// Index of the palette colour nearest to `colour`; the first one on a tie.
int nearest(const QList<QRgb>& palette, QRgb colour);

// Black, then every other colour of the picture's opaque pixels (alpha >= 128) in reading order.
QList<QRgb> exactPalette(const QImage& picture);

// Every pixel of `picture` as the index of its nearest colour in `palette`.
IndexedImage withPalette(const QImage& picture, const QList<QRgb>& palette);

// A picture of 256 colours or fewer keeps them exactly, the commonest first; a richer one is split
// by median cut, each pixel then taking the nearest palette colour.
IndexedImage quantize(const QImage& picture);

}  // namespace image_formats
