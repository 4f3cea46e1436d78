#pragma once
// What the settings store checks around its file before QSettings reads or writes it, so that
// nothing hangs and nothing that is not ours is replaced: where the file is (only in a home),
// whether it may be read (a regular file of at most 64 KB), whether it may be written (a
// FIFO, a device, a directory or a link to one stays as it is; a file too large is replaced),
// its lock (a lock left behind is broken after a second; a lock that is a directory, a FIFO or a
// link is cleared where that is safe, as QLockFile would wait on it for good), and why a write
// failed.

#include <QString>

namespace app {

struct SettingsPlace {
    // Empty when there is no home, and then `why` says so.
    QString file;
    QString why;
};

// $XDG_CONFIG_HOME/Tolmary/Tolmary.conf, else $HOME/.config/Tolmary/Tolmary.conf; each only when
// absolute.
SettingsPlace settingsPlace();

// The largest settings file read: six short values take some 200 bytes.
inline constexpr qint64 maxSettingsBytes = 64 * 1024;

// Whether `file` holds settings to read: a regular file of at most maxSettingsBytes.
bool readableSettings(const QString& file);

// Makes `file` ready for QSettings to write: why it cannot be written, or empty.
QString prepareForWriting(const QString& file);

// Why a write of `file` that QSettings reported failed, found by doing what it does.
QString whyWriteFailed(const QString& file);

}  // namespace app
