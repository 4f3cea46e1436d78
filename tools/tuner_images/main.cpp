// Draws the tuner window's pictures into a folder (the committed ones live in res/tuner).

#include <QGuiApplication>
#include <cstdio>

#include "tools/tuner_images/tuner_pictures.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    return tuner_images::writeTunerPictures(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
