#pragma once
// Writes an indexed picture as a GIF89a file: a 256-entry global colour table (the palette padded
// with black), one full-size image compressed with variable-length LZW codes, and the trailer
// followed by three zero bytes.

#include <QByteArray>

#include "tools/image_formats/palette.h"

namespace image_formats {

// Returns an empty array when the picture is empty, its palette holds more than 256 colours,
// or a pixel indexes past the palette.
QByteArray encodeGif(const IndexedImage& image);

}  // namespace image_formats
