#include "tuner/version_info.h"

#include <QFile>

namespace tuner {

VersionInfo VersionInfo::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

VersionInfo VersionInfo::parse(QByteArrayView text) {
    VersionInfo info;
    const QString all = QString::fromUtf8(text);
    for (const QString& rawLine : all.split(u'\n')) {
        const QString line = rawLine.trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (line.isEmpty() || line.startsWith(u';') || equals <= 0)
            continue;
        info.fields_.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return info;
}

}  // namespace tuner
