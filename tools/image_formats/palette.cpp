#include "tools/image_formats/palette.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <limits>

namespace image_formats {
namespace {

constexpr size_t maxColours = 256;

struct ColourCount {
    QRgb colour;
    int count;
};

int channel(QRgb colour, int axis) {
    return axis == 0 ? qRed(colour) : axis == 1 ? qGreen(colour) : qBlue(colour);
}

// A run of the colour list that becomes one palette entry.
struct Box {
    size_t begin;
    size_t end;

    int range(const std::vector<ColourCount>& colours, int axis) const {
        int low = 255;
        int high = 0;
        for (size_t i = begin; i < end; ++i) {
            low = std::min(low, channel(colours[i].colour, axis));
            high = std::max(high, channel(colours[i].colour, axis));
        }
        return high - low;
    }
};

QList<QRgb> medianCut(std::vector<ColourCount> colours) {
    std::vector<Box> boxes{{0, colours.size()}};
    while (boxes.size() < maxColours) {
        // Split the box with the widest spread along its widest channel.
        int bestBox = -1;
        int bestAxis = 0;
        int bestRange = 0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].end - boxes[b].begin < 2)
                continue;
            for (int axis = 0; axis < 3; ++axis) {
                const int r = boxes[b].range(colours, axis);
                if (r > bestRange) {
                    bestRange = r;
                    bestBox = int(b);
                    bestAxis = axis;
                }
            }
        }
        if (bestBox < 0)
            break;
        Box& box = boxes[bestBox];
        const auto first = colours.begin() + box.begin;
        const auto last = colours.begin() + box.end;
        std::sort(first, last, [bestAxis](const ColourCount& a, const ColourCount& b) {
            return channel(a.colour, bestAxis) < channel(b.colour, bestAxis);
        });
        long long total = 0;
        for (auto it = first; it != last; ++it)
            total += it->count;
        // The weighted median, kept off both ends so each half holds a colour.
        long long seen = 0;
        size_t split = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            seen += colours[i].count;
            split = i + 1;
            if (seen * 2 >= total)
                break;
        }
        const Box upper{split, box.end};
        box.end = split;
        boxes.push_back(upper);
    }

    QList<QRgb> palette;
    for (const Box& box : boxes) {
        std::array<long long, 3> sum{};
        long long weight = 0;
        for (size_t i = box.begin; i < box.end; ++i) {
            for (int axis = 0; axis < 3; ++axis)
                sum[axis] += (long long)channel(colours[i].colour, axis) * colours[i].count;
            weight += colours[i].count;
        }
        palette.push_back(qRgb(int((sum[0] + weight / 2) / weight),
                               int((sum[1] + weight / 2) / weight),
                               int((sum[2] + weight / 2) / weight)));
    }
    return palette;
}

}  // namespace

QList<QRgb> sixteenColours() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

QList<QRgb> colours256() {
    QList<QRgb> out;
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                out.append(qRgb(r * 51, g * 51, b * 51));
    }
    for (int i = 0; out.size() < 256; ++i) {
        const int v = 8 + i * 6;
        out.append(qRgb(v, v, v));
    }
    return out;
}

int nearest(const QList<QRgb>& palette, QRgb colour) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < int(palette.size()); ++i) {
        const int dr = qRed(palette[i]) - qRed(colour);
        const int dg = qGreen(palette[i]) - qGreen(colour);
        const int db = qBlue(palette[i]) - qBlue(colour);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

QList<QRgb> exactPalette(const QImage& picture) {
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    QList<QRgb> palette{qRgb(0, 0, 0)};
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb pixel = source.pixel(x, y);
            if (qAlpha(pixel) >= 128 && !palette.contains(pixel | 0xFF000000u))
                palette.append(pixel | 0xFF000000u);
        }
    }
    return palette;
}

IndexedImage withPalette(const QImage& picture, const QList<QRgb>& palette) {
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    IndexedImage result{source.width(), source.height(), palette, {}};
    result.pixels.reserve(size_t(result.width) * size_t(result.height));
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            result.pixels.push_back(uint8_t(nearest(palette, source.pixel(x, y))));
    return result;
}

IndexedImage quantize(const QImage& picture) {
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    IndexedImage result;
    result.width = source.width();
    result.height = source.height();
    if (source.isNull())
        return result;

    QHash<QRgb, int> histogram;
    for (int y = 0; y < source.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x)
            ++histogram[row[x] | 0xFF000000u];
    }
    std::vector<ColourCount> colours;
    colours.reserve(histogram.size());
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it)
        colours.push_back({it.key(), it.value()});
    // Most frequent first, so the background tends to take index 0.
    std::sort(colours.begin(), colours.end(), [](const ColourCount& a, const ColourCount& b) {
        return a.count != b.count ? a.count > b.count : a.colour < b.colour;
    });

    QHash<QRgb, uint8_t> indexOf;
    if (colours.size() <= maxColours) {
        for (const ColourCount& c : colours) {
            indexOf.insert(c.colour, uint8_t(result.palette.size()));
            result.palette.push_back(c.colour);
        }
    } else {
        result.palette = medianCut(colours);
        for (const ColourCount& c : colours)
            indexOf.insert(c.colour, uint8_t(nearest(result.palette, c.colour)));
    }

    result.pixels.reserve(size_t(result.width) * size_t(result.height));
    for (int y = 0; y < source.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x)
            result.pixels.push_back(indexOf.value(row[x] | 0xFF000000u));
    }
    return result;
}

}  // namespace image_formats
