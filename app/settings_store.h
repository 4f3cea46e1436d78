#pragma once
// The per-user settings store: an INI file read and written by QSettings, one group per section,
// every value text, in $XDG_CONFIG_HOME/Tolmary/Tolmary.conf or ~/.config/Tolmary/Tolmary.conf.
// Only a regular file of bounded size is read (settings_file.h); a write never hangs, never
// replaces what is not a regular file, and when it fails says so in one line on stderr, naming
// the file and why. Without a home nothing is read or written, and a write says why.

#include <QList>
#include <QString>
#include <utility>

namespace app {

class SettingsStore {
public:
    using Values = QList<std::pair<QString, QString>>;

    QString read(const QString& section, const QString& key, const QString& defaultValue) const;
    // Writes `values` (key, text) in `section`, at once; false where they were not written.
    bool write(const QString& section, const Values& values);
    bool write(const QString& section, const QString& key, const QString& value);
    // Where the values are kept; empty without a home.
    QString fileName() const;
};

}  // namespace app
