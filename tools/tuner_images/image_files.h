#pragma once
// Writers for the two picture formats Qt reads but does not write the way the tuner's pictures
// need: icon files with 16- or 256-colour (palette) and 32-bit images, and GIF.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>
#include <QVector>

namespace tuner_images {

// One image of an icon file: the picture (transparent where alpha < 128) and its bit depth,
// 4, 8 or 32. Palette depths take the colours nearest to the picture's from `palette`.
struct IconImage {
    QImage picture;
    int bitCount;
};

QByteArray iconFile(const QList<IconImage>& images);

// A single-frame GIF of `picture` (no transparency) with up to 256 colours from `palette`.
QByteArray gifFile(const QImage& picture, const QVector<QRgb>& palette);

// The 16 colours of the classic VGA palette, and a 256-colour palette (a 6x6x6 cube and greys).
QVector<QRgb> sixteenColours();
QVector<QRgb> colours256();

// Index of the palette colour nearest to `c`.
int nearest(const QVector<QRgb>& palette, QRgb c);

}  // namespace tuner_images
