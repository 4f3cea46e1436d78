// Writes the golden image of the listening window (listening_view.h) into the folder given.
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "tools/listening_golden/listening_view.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString path =
        QDir(QString::fromLocal8Bit(argv[1])).filePath(listening_golden::goldenName());
    if (!listening_golden::renderListeningView().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
