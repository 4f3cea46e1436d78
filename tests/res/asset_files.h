#pragma once
// Reads committed assets from the source tree the tests were built from.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace asset_files {

inline QString sourcePath(const QString& relative) {
    return qEnvironmentVariable("TOLMARY_SOURCE_DIR") + u'/' + relative;
}

inline QByteArray read(const QString& relative) {
    QFile file(sourcePath(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace asset_files
