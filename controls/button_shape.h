#pragma once
// The button's window shape: a rectangle with elliptic corners over the bounding box 0,0 to
// W,H that covers columns 0..W-2 and rows 0..H-2 (the last column and row show the parent).
// The border is drawn on the shape's edge pixels, so it hugs the mask exactly.

#include <QPoint>
#include <QRegion>
#include <vector>

namespace controls {

// One row of the shape: columns first..last, inclusive. Rows whose span would be empty are
// omitted.
struct RowSpan {
    int y;
    int first;
    int last;
};

// Rows of the shape of a W x H window whose corners are rounded by an ellipse `ellipse` pixels
// wide and high. Any ellipse value is accepted: its magnitude is used, limited to the box, and
// below 2 the corners stay square.
std::vector<RowSpan> roundRectSpans(int width, int height, int ellipse);

QRegion roundRectRegion(int width, int height, int ellipse);

// The shape's edge: every pixel of the shape with a left, right, upper or lower neighbour
// outside it.
std::vector<QPoint> roundRectOutline(int width, int height, int ellipse);

}  // namespace controls
