#pragma once
// A picture of at most 256 colours: a palette and one palette index per pixel, rows top to
// bottom. The figure generator quantizes screenshots into this form and the GIF writer stores it.

#include <QRgb>
#include <cstdint>
#include <vector>

namespace help_figures {

struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<QRgb> palette;    // 1 to 256 entries
    std::vector<uint8_t> pixels;  // width * height indices into palette
};

}  // namespace help_figures
