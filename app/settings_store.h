#pragma once
// The per-user settings store: QSettings for organisation and application "Tolmary", one group
// per section, every value text. On Linux: $XDG_CONFIG_HOME/Tolmary/Tolmary.conf.

#include <QString>

namespace app {

class SettingsStore {
public:
    QString read(const QString& section, const QString& key, const QString& defaultValue) const;
    void write(const QString& section, const QString& key, const QString& value);
    // Where the values are kept.
    QString fileName() const;
};

}  // namespace app
