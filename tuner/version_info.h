#pragma once
// The program's version information, carried as the resource ":/app/version.ini" (one Key=Value
// per line, UTF-8, ';' starts a comment). The about window shows it and the program takes its
// version from it.

#include <QByteArrayView>
#include <QHash>
#include <QString>

namespace tuner {

inline constexpr auto versionResource = ":/app/version.ini";

class VersionInfo {
public:
    // Reads the resource or file at `path`; a missing one gives empty fields.
    static VersionInfo load(const QString& path = QString::fromLatin1(versionResource));
    static VersionInfo parse(QByteArrayView text);

    // A named field such as "FileVersion"; empty when absent.
    QString field(const QString& key) const { return fields_.value(key); }
    QString fileVersion() const { return field(QStringLiteral("FileVersion")); }
    QString productVersion() const { return field(QStringLiteral("ProductVersion")); }
    QString fileDescription() const { return field(QStringLiteral("FileDescription")); }
    QString productName() const { return field(QStringLiteral("ProductName")); }
    bool isEmpty() const { return fields_.isEmpty(); }
    const QHash<QString, QString>& fields() const { return fields_; }

private:
    QHash<QString, QString> fields_;
};

}  // namespace tuner
