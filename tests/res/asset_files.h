#pragma once
// Reads committed assets from the source tree the tests were built from.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace asset_files {

inline QString sourcePath(const QString& relative) {
    return qEnvironmentVariable("TOLMARY_SOURCE_DIR") + u'/' + relative;
}

inline QByteArray readPath(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QByteArray read(const QString& relative) {
    return readPath(sourcePath(relative));
}

}  // namespace asset_files
