#include "tools/neck_image/neck_painter.h"

#include <QFont>
#include <QPainter>
#include <cmath>

#include "chords/marker_layout.h"
#include "tools/neck_image/neck_geometry.h"

namespace neck_image {

namespace {

const QColor stripColour{252, 238, 204};
const QColor nutColour{18, 18, 18};
const QColor fretEdge{64, 64, 66};
const QColor stringShadow{196, 160, 104};

// A gentle, repeatable maple grain: every row a slightly different warm shade, with a few
// darker wavy streaks. All shades stay warm so that the metal parts stand out from the wood.
void paintWood(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const double shade = 0.5 + 0.5 * std::sin(y * 0.9) * std::cos(y * 0.23);
        for (int x = stripWidth; x < image.width(); ++x) {
            const double streak = std::sin(x * 0.021 + y * 0.37 + 2.0 * std::sin(x * 0.004));
            const int darken = streak > 0.93 ? 14 : 0;
            const int r = mapleLight.red() - static_cast<int>(8 * shade) - darken;
            const int g = mapleLight.green() - static_cast<int>(10 * shade) - darken - 2;
            const int b = mapleLight.blue() - static_cast<int>(12 * shade) - darken - 6;
            image.setPixelColor(x, y, QColor(r, g, b));
        }
    }
}

// The strip starts at `left`; its letters always read the right way round.
void paintStrip(QPainter& painter, int left) {
    painter.fillRect(left, 0, stripWidth, chords::neckHeight, stripColour);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (const StringLine& string : strings) {
        const QRect cell(left, string.centreY - 8, stripWidth, 16);
        painter.drawText(cell, Qt::AlignCenter, QString(QChar::fromLatin1(string.letter)));
    }
}

void paintNut(QPainter& painter) {
    painter.fillRect(nutLeft, 0, nutRight - nutLeft + 1, chords::neckHeight, nutColour);
}

void paintDots(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const Dot& dot : dots)
        painter.drawEllipse(QRectF(dot.left, dot.top, dotSize, dotSize));
}

// Light bar, brightest in the middle, between two dark edge columns.
void paintFretWires(QPainter& painter) {
    for (const FretWire& wire : fretWires) {
        const int inner = wire.right - wire.left - 1;
        for (int i = 0; i < inner; ++i) {
            const double t = inner > 1 ? static_cast<double>(i) / (inner - 1) : 0.5;
            const int level = 236 - static_cast<int>(60 * std::abs(t - 0.4));
            painter.fillRect(wire.left + 1 + i, 0, 1, chords::neckHeight,
                             QColor(level, level, level + 2));
        }
        painter.fillRect(wire.left, 0, 1, chords::neckHeight, fretEdge);
        painter.fillRect(wire.right, 0, 1, chords::neckHeight, fretEdge);
    }
}

// Plain strings: three rows, highlight over shadow. Wound strings: five rows with the
// slanting ridges of the winding.
void paintStrings(QImage& image) {
    for (const StringLine& string : strings) {
        const int halfWidth = string.wound ? 2 : 1;
        for (int x = nutLeft; x < image.width(); ++x) {
            for (int dy = -halfWidth; dy <= halfWidth; ++dy) {
                int level = 0;
                if (string.wound) {
                    const bool ridge = (x + dy) % 3 == 0;
                    level = (ridge ? 120 : 200) - 14 * dy;
                } else {
                    level = 222 - 45 * (dy + 1);
                }
                image.setPixelColor(x, string.centreY + dy, QColor(level, level, level));
            }
            const int shadowY = string.centreY + halfWidth + 1;
            const QColor below = image.pixelColor(x, shadowY);
            if (below.red() - below.blue() > 40)  // only on wood, not on metal
                image.setPixelColor(x, shadowY, stringShadow);
        }
    }
}

}  // namespace

QImage paintNeck() {
    QImage image(chords::neckWidth, chords::neckHeight, QImage::Format_RGB888);
    paintWood(image);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        paintStrip(painter, 0);
        paintDots(painter);
        paintNut(painter);
        painter.setRenderHint(QPainter::Antialiasing, false);
        paintFretWires(painter);
    }
    paintStrings(image);
    return image;
}

QImage paintLeftHandedNeck() {
    QImage image = paintNeck().mirrored(true, false);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintStrip(painter, chords::neckWidth - stripWidth);
    return image;
}

QImage paintMarker() {
    QImage image(chords::markerWidth, chords::markerHeight, QImage::Format_RGB888);
    image.fill(mapleLight);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(0.5, 0.5, chords::markerWidth - 1, chords::markerHeight - 1));
    return image;
}

}  // namespace neck_image
