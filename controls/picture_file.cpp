#include "controls/picture_file.h"

#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <string_view>

namespace controls {
namespace {

// The formats Qt decodes itself, by the file name endings that name them.
constexpr std::array<std::string_view, 7> builtInFormats{"png", "bmp", "ppm", "pgm",
                                                         "pbm", "xbm", "xpm"};

}  // namespace

QImage readPicture(const QString& path) {
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    if (std::find(builtInFormats.begin(), builtInFormats.end(), suffix.toStdString()) ==
        builtInFormats.end())
        return QImage(path);
    QImageReader reader(path, suffix);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

}  // namespace controls
