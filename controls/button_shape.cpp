#include "controls/button_shape.h"

#include <QRect>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace controls {

std::vector<RowSpan> roundRectSpans(int width, int height, int ellipse) {
    // The region leaves out the box's last column and row.
    const int areaWidth = width - 1;
    const int areaHeight = height - 1;
    std::vector<RowSpan> rows;
    if (areaWidth <= 0 || areaHeight <= 0)
        return rows;
    const long long magnitude = std::llabs(static_cast<long long>(ellipse));
    const int ellipseWidth = int(std::min<long long>(magnitude, areaWidth));
    const int ellipseHeight = int(std::min<long long>(magnitude, areaHeight));
    const bool square = ellipseWidth < 2 || ellipseHeight < 2;
    const double a = ellipseWidth / 2.0;
    const double b = ellipseHeight / 2.0;
    rows.reserve(std::size_t(areaHeight));
    for (int y = 0; y < areaHeight; ++y) {
        int inset = 0;
        if (!square) {
            // A pixel belongs to the shape when its centre lies inside the corner ellipse.
            const double centre = y + 0.5;
            double dy = 0.0;
            if (centre < b)
                dy = b - centre;
            else if (centre > areaHeight - b)
                dy = centre - (areaHeight - b);
            if (dy > 0.0) {
                const double ratio = dy / b;
                const double dx = a * std::sqrt(std::max(0.0, 1.0 - ratio * ratio));
                inset = std::max(0, int(std::ceil(a - dx - 0.5)));
            }
        }
        const int first = inset;
        const int last = areaWidth - 1 - inset;
        if (first <= last)
            rows.push_back({y, first, last});
    }
    return rows;
}

QRegion roundRectRegion(int width, int height, int ellipse) {
    QRegion region;
    for (const RowSpan& row : roundRectSpans(width, height, ellipse))
        region += QRect(row.first, row.y, row.last - row.first + 1, 1);
    return region;
}

std::vector<QPoint> roundRectOutline(int width, int height, int ellipse) {
    const std::vector<RowSpan> rows = roundRectSpans(width, height, ellipse);
    std::vector<QPoint> points;
    const auto covers = [](const RowSpan* span, int x) {
        return span && x >= span->first && x <= span->last;
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const RowSpan& row = rows[i];
        const RowSpan* above = i > 0 && rows[i - 1].y == row.y - 1 ? &rows[i - 1] : nullptr;
        const RowSpan* below =
            i + 1 < rows.size() && rows[i + 1].y == row.y + 1 ? &rows[i + 1] : nullptr;
        for (int x = row.first; x <= row.last; ++x) {
            const bool edge =
                x == row.first || x == row.last || !covers(above, x) || !covers(below, x);
            if (edge)
                points.emplace_back(x, row.y);
        }
    }
    return points;
}

}  // namespace controls
