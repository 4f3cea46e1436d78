#pragma once
// A 16 x 16 icon and its mask, drawn in code: a small tuning fork in a ring.

#include <QImage>

struct GalleryIcon {
    QImage icon;  // the icon's colours where opaque, black elsewhere
    QImage mask;  // black where opaque, white elsewhere
};

GalleryIcon makeGalleryIcon();
