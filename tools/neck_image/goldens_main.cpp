// Writes the golden images of the chord window's neck (neck_views.h) into the folder given.
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "tools/neck_image/neck_views.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const neck_image::NeckView& view : neck_image::goldenViews) {
        const QString path = folder.filePath(neck_image::goldenName(view));
        if (!neck_image::renderNeckView(view).save(path)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
