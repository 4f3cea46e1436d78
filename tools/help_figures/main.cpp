// Writes the help page's figures res/help/FIG10.gif and res/help/FIG11.gif and the README's
// screenshots res/desktop/screenshot.png (the tuner window) and res/desktop/listening.png (the
// listening window hearing a note).
// Usage: tolmary_help_figures <source tree>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "tools/help_figures/figure_shots.h"
#include "tools/help_figures/listening_shot.h"
#include "tools/image_formats/gif_writer.h"
#include "tools/image_formats/palette.h"

namespace {

bool writeGif(const QString& path, const QImage& picture) {
    const QByteArray gif = image_formats::encodeGif(image_formats::quantize(picture));
    QFile file(path);
    return !gif.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(gif) == gif.size();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <source tree>\n", argv[0]);
        return 2;
    }
    using help_figures::Language;
    const QDir tree(QString::fromLocal8Bit(argv[1]));
    const QImage english = help_figures::renderTunerWindow(Language::english);
    const QImage englishStrings = help_figures::renderTunerWindow(Language::english, false);
    const QImage slovenian = help_figures::renderTunerWindow(Language::slovenian);
    const bool written =
        writeGif(tree.filePath("res/help/FIG10.gif"), help_figures::figureChoices(english)) &&
        writeGif(tree.filePath("res/help/FIG11.gif"),
                 help_figures::figureStrings(englishStrings)) &&
        slovenian.save(tree.filePath("res/desktop/screenshot.png")) &&
        help_figures::renderListeningWindow().save(tree.filePath("res/desktop/listening.png"));
    if (!written) {
        std::fprintf(stderr, "could not write the figures under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
