#include "app/settings_store.h"

#include <QSettings>
#include <cstdio>

#include "app/settings_file.h"

namespace app {
namespace {

bool failed(const QString& file, const QString& why) {
    const QString line =
        file.isEmpty()
            ? QStringLiteral("tolmary: Nastavitev ni mogoče shraniti. (%1)").arg(why)
            : QStringLiteral("tolmary: Nastavitev ni mogoče shraniti v %1. (%2)").arg(file, why);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    return false;
}

}  // namespace

QString SettingsStore::read(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    const QString file = settingsPlace().file;
    if (file.isEmpty() || !readableSettings(file))
        return defaultValue;
    QSettings s(file, QSettings::IniFormat);
    s.beginGroup(section);
    const QVariant v = s.value(key);
    // A value that is not text (a list written by hand, say) reads as missing.
    if (!v.isValid() || !v.canConvert<QString>())
        return defaultValue;
    return v.toString();
}

bool SettingsStore::write(const QString& section, const Values& values) {
    const SettingsPlace place = settingsPlace();
    if (place.file.isEmpty())
        return failed({}, place.why);
    if (const QString why = prepareForWriting(place.file); !why.isEmpty())
        return failed(place.file, why);
    QSettings s(place.file, QSettings::IniFormat);
    s.beginGroup(section);
    for (const auto& [key, value] : values)
        s.setValue(key, value);
    s.endGroup();
    s.sync();
    if (s.status() != QSettings::NoError)
        return failed(place.file, whyWriteFailed(place.file));
    return true;
}

bool SettingsStore::write(const QString& section, const QString& key, const QString& value) {
    return write(section, Values{{key, value}});
}

QString SettingsStore::fileName() const {
    return settingsPlace().file;
}

}  // namespace app
