#include "app/settings_store.h"

#include <QSettings>

namespace app {
QString SettingsStore::read(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    QSettings s("Tolmary", "Tolmary");
    s.beginGroup(section);
    const QVariant v = s.value(key);
    // A value that is not text (a list written by hand, say) reads as missing.
    if (!v.isValid() || !v.canConvert<QString>())
        return defaultValue;
    return v.toString();
}

void SettingsStore::write(const QString& section, const QString& key, const QString& value) {
    QSettings s("Tolmary", "Tolmary");
    s.beginGroup(section);
    s.setValue(key, value);
    s.endGroup();
    s.sync();
}

QString SettingsStore::fileName() const {
    return QSettings("Tolmary", "Tolmary").fileName();
}

}  // namespace app
