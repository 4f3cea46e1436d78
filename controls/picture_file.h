#pragma once
// Pictures read from files, mostly the program's own resources. Given only a file, Qt asks
// every image plugin whether it reads it before trying the formats built into Qt, which loads
// each plugin (and the JPEG library) for a PNG or BMP: a cost on the way to the first frame.

#include <QImage>
#include <QString>

namespace controls {

// The picture in `path`. A name ending in one of Qt's built-in formats is read as that format
// alone, without asking any plugin; any other is read as Qt reads it by itself.
QImage readPicture(const QString& path);

}  // namespace controls
