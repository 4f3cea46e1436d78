// Writes neck.png, neck_left.png and marker.png, the chord window's pictures, into the folder
// given.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "tools/neck_image/neck_painter.h"

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const bool saved =
        neck_image::paintNeck().save(folder.filePath(QStringLiteral("neck.png"))) &&
        neck_image::paintLeftHandedNeck().save(folder.filePath(QStringLiteral("neck_left.png"))) &&
        neck_image::paintMarker().save(folder.filePath(QStringLiteral("marker.png")));
    if (!saved) {
        std::fprintf(stderr, "could not write the pictures into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
