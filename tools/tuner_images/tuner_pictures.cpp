#include "tools/tuner_images/tuner_pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>

#include "tools/image_formats/gif_writer.h"
#include "tools/image_formats/icon_writer.h"

namespace tuner_images {
namespace {

using image_formats::iconFile;

// An icon image in the standard palette of its depth.
image_formats::IconImage atDepth(const QImage& picture, int bitCount) {
    return {picture, bitCount, {}, -1};
}

QImage blank(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

// An eighth note with its head centred near (x, y), stem up.
void drawNote(QPainter& p, double x, double y, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(x - 2.5, y - 2, 5, 4));
    p.fillRect(QRectF(x + 1.5, y - 8, 1, 8), colour);
    p.fillRect(QRectF(x + 2.5, y - 8, 2, 1), colour);
    p.fillRect(QRectF(x + 4, y - 7, 1, 3), colour);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The picture a window shows of `bytes`, an icon or GIF file: its last (deepest) image as Qt
// decodes it.
QImage shownImage(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    QImage shown;
    do {
        QImage image;
        if (!reader.read(&image))
            break;
        shown = image;
    } while (reader.jumpToNextImage());
    return shown;
}

// Writes `bytes` to `name` in `dir`, and the picture it shows beside it as a PNG: the file the
// window loads, as Qt reads PNG without loading any image plugin. An opaque picture (the neck,
// of six colours) keeps a palette, which decodes four times faster than full colour.
bool writeWithPng(const QDir& dir, const QString& name, const QByteArray& bytes) {
    const QString png = name.left(name.lastIndexOf(u'.')) + QStringLiteral(".png");
    QImage shown = shownImage(bytes);
    if (!shown.hasAlphaChannel())
        shown =
            shown.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    return writeFile(dir.filePath(name), bytes) && shown.save(dir.filePath(png), "PNG");
}

// A 24-bit bitmap of `icon`, each pixel's colour given by `colour` from the icon's pixel.
template <typename Colour>
QImage bitmapOf(const QImage& icon, Colour colour) {
    QImage out(icon.size(), QImage::Format_RGB888);
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            out.setPixel(x, y, colour(icon.pixel(x, y)));
    return out;
}

bool opaque(QRgb c) {
    return qAlpha(c) >= 128;
}

// The icon's colours where opaque, black elsewhere.
QImage iconColours(const QImage& icon) {
    return bitmapOf(
        icon, [](QRgb c) { return opaque(c) ? qRgb(qRed(c), qGreen(c), qBlue(c)) : 0; });
}

// The mask: black where the icon is opaque, white elsewhere.
QImage iconMask(const QImage& icon) {
    return bitmapOf(
        icon, [](QRgb c) { return opaque(c) ? qRgb(0, 0, 0) : qRgb(255, 255, 255); });
}

// A list icon: the picture in 256 colours and in true colour.
QByteArray listIcon(const QImage& picture) {
    return iconFile({atDepth(picture, 8), atDepth(picture, 32)});
}

// The neck picture's colours, which are also its GIF palette.
constexpr QRgb neckBackground = qRgb(255, 255, 255);
constexpr QRgb wood = qRgb(58, 34, 22);
constexpr QRgb fret = qRgb(200, 200, 190);
constexpr QRgb nut = qRgb(236, 228, 200);
constexpr QRgb string = qRgb(232, 224, 200);
constexpr QRgb dot = qRgb(250, 250, 250);

}  // namespace

QImage windowIcon() {
    QImage img = blank(32, 32);
    QPainter p(&img);
    const QColor black(0, 0, 0);
    const QColor brown(128, 0, 0);
    const QColor yellow(255, 255, 0);
    const QColor darkYellow(128, 128, 0);
    const QColor silver(192, 192, 192);
    // The neck runs from the lower left to the head at the upper right.
    p.translate(16, 16);
    p.rotate(-45);
    p.setPen(black);
    p.setBrush(brown);
    p.drawRect(QRectF(-17, -3, 24, 6));  // neck
    p.drawRect(QRectF(7, -5, 10, 10));   // head
    p.setBrush(silver);
    for (int i = 0; i < 3; ++i) {  // pegs, three a side
        p.drawEllipse(QRectF(8 + 3 * i, -8, 2.5, 3));
        p.drawEllipse(QRectF(8 + 3 * i, 5, 2.5, 3));
    }
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(-17, -1), QPointF(7, -1));  // strings
    p.drawLine(QPointF(-17, 1), QPointF(7, 1));
    // The hand: a palm under the neck and four fingers curled over it.
    p.setPen(black);
    p.setBrush(yellow);
    p.drawRoundedRect(QRectF(-10, 2, 10, 8), 3, 3);
    for (int i = 0; i < 4; ++i)
        p.drawRoundedRect(QRectF(-10 + 2.6 * i, -6, 2.4, 9), 1, 1);
    p.setBrush(darkYellow);
    p.drawRoundedRect(QRectF(-13, -1, 4, 7), 1.5, 1.5);  // thumb
    p.end();
    return img;
}

QImage pageWithNote() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    QPainterPath page;
    page.moveTo(2.5, 0.5);
    page.lineTo(10.5, 0.5);
    page.lineTo(13.5, 3.5);
    page.lineTo(13.5, 15.5);
    page.lineTo(2.5, 15.5);
    page.closeSubpath();
    p.setPen(QColor(96, 96, 96));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(10.5, 0.5), QPointF(10.5, 3.5));
    p.drawLine(QPointF(10.5, 3.5), QPointF(13.5, 3.5));
    drawNote(p, 7, 12, Qt::black);
    p.end();
    return img;
}

QImage noteOnDisc() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(96, 96, 96));
    p.setBrush(QColor(176, 176, 176));
    p.drawEllipse(QRectF(0.5, 0.5, 13, 13));
    p.setBrush(QColor(230, 230, 230));
    p.drawEllipse(QRectF(5, 5, 4, 4));
    p.setRenderHint(QPainter::Antialiasing, false);
    drawNote(p, 9, 13, QColor(0, 64, 224));
    p.end();
    return img;
}

QImage playTriangle() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0, 96, 0));
    p.setBrush(QColor(40, 190, 40));
    p.drawPolygon(QPolygonF({QPointF(3.5, 1.5), QPointF(14.5, 8), QPointF(3.5, 14.5)}));
    p.end();
    return img;
}

QImage neck() {
    QImage img(180, 240, QImage::Format_RGB32);
    img.fill(neckBackground);
    QPainter p(&img);
    p.fillRect(QRect(fretboardLeft, 0, fretboardRight - fretboardLeft + 1, 240), QColor(wood));
    p.fillRect(QRect(fretboardLeft, 0, fretboardRight - fretboardLeft + 1, 6), QColor(nut));
    // Frets come closer together further up the neck.
    for (int y : {58, 108, 155, 199, 238}) {
        p.fillRect(QRect(fretboardLeft, y - 1, fretboardRight - fretboardLeft + 1, 3),
                   QColor(fret));
    }
    const int middle = (neckStringX[2] + neckStringX[3]) / 2;
    for (int y : {131, 177})
        p.fillRect(QRect(middle - 3, y - 3, 7, 7), QColor(dot));
    // Thick strings on the left.
    constexpr std::array<int, 6> widths{3, 3, 2, 2, 1, 1};
    for (std::size_t i = 0; i < neckStringX.size(); ++i) {
        const int w = widths[i];
        p.fillRect(QRect(neckStringX[i] - w / 2, 0, w, 240), QColor(string));
    }
    p.end();
    return img;
}

bool writeTunerPictures(const QString& folder) {
    QDir().mkpath(folder);
    const QDir dir(folder);
    const QImage page = pageWithNote();
    bool ok = true;
    ok &= writeWithPng(dir, "frm_main.ico", iconFile({atDepth(windowIcon(), 4)}));
    ok &= writeWithPng(dir, "page_note.ico", listIcon(page));
    ok &= writeWithPng(dir, "note_disc.ico", listIcon(noteOnDisc()));
    ok &= writeWithPng(dir, "play.ico", listIcon(playTriangle()));
    ok &= iconColours(page).save(dir.filePath("note_icon.bmp"), "BMP");
    ok &= iconMask(page).save(dir.filePath("note_mask.bmp"), "BMP");
    ok &= writeWithPng(dir, "neck.gif",
                       image_formats::encodeGif(image_formats::withPalette(
                           neck(), {neckBackground, wood, fret, nut, string, dot})));
    return ok;
}

}  // namespace tuner_images
