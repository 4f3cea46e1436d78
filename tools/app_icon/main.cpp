// Makes the program's icon files from the tuner window's 32 x 32 icon picture:
//   res/app/tolmary.ico and res/app/tolmary_icon.dib (the same 744-byte image alone, for the
//   Windows resource script) and res/desktop/icons/<size>/org.tolmary.Tolmary.png.
// Usage: tolmary_app_icon <source tree>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <array>
#include <cstdio>

#include "tools/image_formats/icon_writer.h"
#include "tools/image_formats/palette.h"

namespace {

constexpr int iconSize = 32;
constexpr int iconBits = 4;
constexpr int iconColours = 1 << iconBits;
// The directory entry's colour-count byte as the program's icon directory carries it.
constexpr int directoryColourCount = 4;

// Whole multiples of 32 keep the picture's pixels square; 16 and 48 are smoothed.
constexpr std::array<int, 6> desktopSizes{16, 32, 48, 64, 128, 256};

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QImage scaled(const QImage& picture, int side) {
    const auto mode = side % iconSize == 0 ? Qt::FastTransformation : Qt::SmoothTransformation;
    return picture.scaled(side, side, Qt::IgnoreAspectRatio, mode);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <source tree>\n", argv[0]);
        return 2;
    }
    const QDir tree(QString::fromLocal8Bit(argv[1]));
    const QImage picture(tree.filePath(QStringLiteral("res/tuner/frm_main.ico")));
    // The picture's own colours, black first: it stays exactly the tuner window's icon.
    const QList<QRgb> palette = image_formats::exactPalette(picture);
    if (picture.size() != QSize(iconSize, iconSize) || palette.size() > iconColours) {
        std::fprintf(stderr, "res/tuner/frm_main.ico is not a 32 x 32 picture of 16 colours\n");
        return 1;
    }
    const image_formats::IconImage icon{picture, iconBits, palette, directoryColourCount};
    bool written = writeFile(tree.filePath(QStringLiteral("res/app/tolmary.ico")),
                             image_formats::iconFile({icon})) &&
                   writeFile(tree.filePath(QStringLiteral("res/app/tolmary_icon.dib")),
                             image_formats::iconBitmap(icon));
    const QImage opaque = picture.convertToFormat(QImage::Format_ARGB32);
    for (const int side : desktopSizes) {
        const QString folder = QStringLiteral("res/desktop/icons/%1x%1").arg(side);
        written = written && tree.mkpath(folder) &&
                  scaled(opaque, side)
                      .save(tree.filePath(folder + QStringLiteral("/org.tolmary.Tolmary.png")));
    }
    if (!written) {
        std::fprintf(stderr, "could not write the icon files under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
