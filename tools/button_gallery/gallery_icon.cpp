#include "tools/button_gallery/gallery_icon.h"

#include <QPainter>

GalleryIcon makeGalleryIcon() {
    constexpr int size = 16;
    QImage shape(size, size, QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    {
        QPainter painter(&shape);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QColor(40, 90, 170));
        painter.setBrush(QColor(120, 180, 240));
        painter.drawEllipse(1, 1, 13, 13);
        painter.setPen(QColor(200, 80, 20));
        painter.drawLine(6, 3, 6, 8);
        painter.drawLine(9, 3, 9, 8);
        painter.drawLine(6, 8, 9, 8);
        painter.drawLine(7, 9, 7, 12);
        painter.drawLine(8, 9, 8, 12);
    }
    GalleryIcon result{QImage(size, size, QImage::Format_RGB32),
                       QImage(size, size, QImage::Format_RGB32)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = shape.pixel(x, y);
            const bool opaque = qAlpha(pixel) > 0;
            result.icon.setPixel(x, y, opaque ? (pixel | 0xFF000000u) : qRgb(0, 0, 0));
            result.mask.setPixel(x, y, opaque ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    return result;
}
