#pragma once
// Paints the chord window's pictures: the maple neck, right- and left-handed, and the grip
// marker, as 24-bit images.

#include <QColor>
#include <QImage>

namespace neck_image {

// The marker's corners take this colour so that they blend into the neck.
inline const QColor mapleLight{236, 204, 150};

QImage paintNeck();
// The neck mirrored, nut on the right, with its string letters still reading forwards.
QImage paintLeftHandedNeck();
QImage paintMarker();

}  // namespace neck_image
