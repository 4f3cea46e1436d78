#include "controls/button_painter.h"

#include "controls/button_colors.h"
#include "controls/button_shape.h"
#include "controls/twips.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <optional>

namespace controls {
namespace {

int channelAt(int from, int to, int step, int steps) {
    if (steps <= 0)
        return from;
    return int(std::lround(from + double(to - from) * step / steps));
}

// Vertical gradient: each row one colour, from `top` on the first row to `bottom` on the last.
void fillGradient(QPainter& painter, const QRect& drawRect, QRgb top, QRgb bottom) {
    const int rows = drawRect.height();
    for (int i = 0; i < rows; ++i) {
        const QColor color(channelAt(qRed(top), qRed(bottom), i, rows - 1),
                           channelAt(qGreen(top), qGreen(bottom), i, rows - 1),
                           channelAt(qBlue(top), qBlue(bottom), i, rows - 1));
        painter.fillRect(QRect(drawRect.left(), drawRect.top() + i, drawRect.width(), 1), color);
    }
}

void drawOutline(QPainter& painter, int width, int height, int rounded, QRgb color) {
    painter.setPen(QColor(color));
    for (const QPoint& point : roundRectOutline(width, height, rounded))
        painter.drawPoint(point);
}

// A horizontal or vertical one-pixel line from `from` towards `to`, leaving out the end point
// itself; that keeps the ring symmetric about the shape.
void drawLine(QPainter& painter, QPoint from, QPoint to, QRgb color) {
    painter.setPen(QColor(color));
    const int dx = to.x() > from.x() ? 1 : (to.x() < from.x() ? -1 : 0);
    const int dy = to.y() > from.y() ? 1 : (to.y() < from.y() ? -1 : 0);
    if (dx != 0 && dy != 0)
        return;  // the ring has no slanted lines
    for (QPoint p = from; p != to; p += QPoint(dx, dy))
        painter.drawPoint(p);
}

void drawRing(QPainter& painter, int w, int h, const RingColors& ring) {
    const QPoint lines[8][2] = {
        {{2, 1}, {w - 3, 1}},         {{1, 2}, {1, h - 3}},          // L1 top, L2 left
        {{2, h - 3}, {w - 3, h - 3}}, {{w - 3, 2}, {w - 3, h - 3}},  // L3 bottom, L4 right
        {{2, 2}, {w - 3, 2}},         {{2, 2}, {2, h - 3}},          // L5 top, L6 left
        {{2, h - 4}, {w - 3, h - 4}}, {{w - 4, 2}, {w - 4, h - 3}},  // L7 bottom, L8 right
    };
    for (int i = 0; i < ring.count; ++i)
        drawLine(painter, lines[i][0], lines[i][1], ring.lines[std::size_t(i)]);
}

// Every second pixel of the inner ring, in black.
void drawFocusDottedRect(QPainter& painter, int w, int h) {
    painter.setPen(QColor(focusDotColor));
    for (int x = 3; x <= w - 5; x += 2)
        painter.drawPoint(x, 2);
    for (int y = 4; y <= h - 4; y += 2)
        painter.drawPoint(2, y);
    for (int x = 3; x <= w - 5; x += 2)
        painter.drawPoint(x, h - 4);
    for (int y = 4; y <= h - 4; y += 2)
        painter.drawPoint(w - 4, y);
}

// AND the first picture, then OR the second, bit by bit on each colour channel.
void blitMasked(QPainter& painter, QPoint at, const QImage& andImage, const QImage& orImage) {
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.drawImage(at, andImage);
    painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    painter.drawImage(at, orImage);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

std::optional<int> iconColumn(int alignment, int surfaceWidth, int iconWidth) {
    switch (alignment) {
        case 1:
            return iconInset;
        case 2:
            return roundHalfEven(double(surfaceWidth - iconWidth)) - iconInset;
        default:
            return std::nullopt;
    }
}

void drawIcon(QPainter& painter, int w, int h, const ButtonPaintState& state,
              const ButtonImages& images) {
    if (images.mask.isNull() || images.icon.isNull())
        return;
    const int top = roundHalfEven(h / 2.0 - images.icon.height() / 2.0);
    // Disabled, the mask's opaque part is blitted in grey in place of the icon.
    const QImage* andImage = &images.mask;
    const QImage* orImage = &images.icon;
    if (!state.enabled) {
        images.disabledIcon = images.mask.copy();
        replaceColor(images.disabledIcon, qRgb(0, 0, 0), disabledIconColor);
        andImage = orImage = &images.disabledIcon;
    }
    if (const auto x = iconColumn(state.iconAlignment, w, orImage->width()))
        blitMasked(painter, QPoint(*x, top), *andImage, *orImage);
}

// Places the caption in twips, as the layout of the control is thought out in them, and draws
// it at the nearest whole pixel.
void drawCaption(QPainter& painter, const QImage& surface, const QString& text, int alignment,
                 QColor color) {
    const QFontMetrics metrics(painter.font(), &surface);
    const double widthTwips = double(surface.width()) * twipsPerPixel;
    const double heightTwips = double(surface.height()) * twipsPerPixel;
    const double textWidth = double(metrics.horizontalAdvance(text)) * twipsPerPixel;
    const double textHeight = double(metrics.height()) * twipsPerPixel;
    const int y = roundHalfEven(heightTwips / 2 - (textHeight / 2 + captionRaiseTwips));
    int x = 0;
    switch (alignment) {
        case 0:
            x = captionInsetTwips;
            break;
        case 1:
            x = roundHalfEven(widthTwips - textWidth - captionInsetTwips);
            break;
        case 2:
            x = roundHalfEven(widthTwips / 2 - textWidth / 2);
            break;
        default:
            return;
    }
    const int left = int(std::lround(double(x) / twipsPerPixel));
    const int top = int(std::lround(double(y) / twipsPerPixel));
    painter.setPen(color);
    painter.drawText(QPoint(left, top + metrics.ascent()), text);
}

}  // namespace

int roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double result = floor;
    if (fraction > 0.5)
        result = floor + 1;
    else if (fraction == 0.5)
        result = std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1;
    return int(result);
}

void replaceColor(QImage& buffer, QRgb from, QRgb to) {
    for (int x = 0; x < buffer.width(); ++x) {
        for (int y = 0; y < buffer.height(); ++y)
            if ((buffer.pixel(x, y) & RGB_MASK) == (from & RGB_MASK))
                buffer.setPixel(x, y, to);
    }
}

void paintButton(QImage& surface, const ButtonPaintState& state, const ButtonImages& images,
                 const QFont& font) {
    const int w = surface.width();
    const int h = surface.height();
    if (w <= 0 || h <= 0)
        return;
    QPainter painter(&surface);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(font);
    if (state.colorStyle < firstColorStyle || state.colorStyle > lastColorStyle) {
        if (state.hovered && state.focusDottedRect)
            drawFocusDottedRect(painter, w, h);
        return;
    }
    const ColorScheme& scheme = colorSchemes[std::size_t(state.colorStyle - firstColorStyle)];
    const QRect drawRect(0, 0, w, h);
    if (!state.enabled) {
        fillGradient(painter, drawRect, disabledColors.top, disabledColors.bottom);
        drawOutline(painter, w, h, state.roundedValue, disabledColors.border);
        drawIcon(painter, w, h, state, images);
        drawCaption(painter, surface, state.caption, state.captionAlignment,
                    QColor(disabledCaptionColor));
        return;
    }
    fillGradient(painter, drawRect, scheme.normal.top, scheme.normal.bottom);
    drawOutline(painter, w, h, state.roundedValue, scheme.normal.border);
    if (state.hovered && !state.pressed) {
        drawRing(painter, w, h, scheme.hover);
    } else if (state.focused && !state.pressed) {
        drawRing(painter, w, h, scheme.focus);
        if (state.focusDottedRect)
            drawFocusDottedRect(painter, w, h);
    } else if (state.pressed) {
        fillGradient(painter, drawRect, scheme.pressed.top, scheme.pressed.bottom);
        drawOutline(painter, w, h, state.roundedValue, scheme.pressed.border);
        drawRing(painter, w, h, scheme.pressedRing);
        if (state.focused && state.focusDottedRect)
            drawFocusDottedRect(painter, w, h);
    }
    drawIcon(painter, w, h, state, images);
    drawCaption(painter, surface, state.caption, state.captionAlignment, state.foreColor);
}

}  // namespace controls
