#pragma once
// Stores a 32 x 32 picture as a 16-colour icon image: a 40-byte bitmap header whose height counts
// the colour rows and the mask rows (64), a 16-entry palette, the 4-bit colour rows and the 1-bit
// transparency mask, both bottom-up: 744 bytes. Also wraps such an image into an .ico file with a
// one-entry directory.

#include <QByteArray>
#include <QImage>

namespace app_icon {

inline constexpr int kIconSize = 32;
inline constexpr int kIconImageBytes = 744;
// The directory entry's colour-count byte as the program's icon directory carries it.
inline constexpr int kDirectoryColourCount = 4;

// Pixels with alpha below 128 are transparent. Returns an empty array unless the picture is
// 32 x 32 with at most 16 distinct opaque colours (black, used under transparent pixels,
// counts among them).
QByteArray encodeIconImage(const QImage& picture);

// An .ico file holding the one image given.
QByteArray encodeIconFile(const QByteArray& iconImage);

}  // namespace app_icon
