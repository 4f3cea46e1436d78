#pragma once
// Reduces a true-colour picture to at most 256 colours. A picture that already has 256 colours
// or fewer keeps them exactly; a richer one is split by median cut, each pixel then taking the
// nearest palette colour. Alpha is ignored.

#include <QImage>

#include "tools/help_figures/indexed_image.h"

namespace help_figures {

IndexedImage quantize(const QImage& image);

}  // namespace help_figures
