#include "app/settings_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "pitch/regular_file.h"

namespace app {
namespace {

// QSettings holds its lock for the milliseconds a write takes; one still there after this was
// left by a process that ended or hangs.
constexpr int lockWaitMs = 1000;
constexpr int lockPollMs = 20;

QString absoluteVariable(const char* name) {
    const QString value = qEnvironmentVariable(name);
    return value.startsWith('/') ? value : QString();
}

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Clears what stands at the lock's name: a file left behind once the wait is over, a link or a
// FIFO (whose open QLockFile would wait on), an empty directory. Why it cannot, or empty.
QString clearLock(const QString& lock) {
    const QByteArray path = QFile::encodeName(lock);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        struct stat status {};
        if (::lstat(path.constData(), &status) != 0)
            return errno == ENOENT ? QString() : errorText(errno);
        if (S_ISDIR(status.st_mode)) {
            if (::rmdir(path.constData()) == 0)
                return {};
            return lock + QStringLiteral(" je mapa, ki ni prazna");
        }
        if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
            return lock + QStringLiteral(" je naprava");
        // Another instance's write in progress ends within the wait.
        if (S_ISREG(status.st_mode) && waited.elapsed() < lockWaitMs) {
            QThread::msleep(lockPollMs);
            continue;
        }
        if (::unlink(path.constData()) == 0 || errno == ENOENT)
            return {};
        return errorText(errno);
    }
}

}  // namespace

SettingsPlace settingsPlace() {
    const QString config = absoluteVariable("XDG_CONFIG_HOME");
    if (!config.isEmpty())
        return {config + QStringLiteral("/Tolmary/Tolmary.conf"), {}};
    const QString home = absoluteVariable("HOME");
    if (!home.isEmpty())
        return {home + QStringLiteral("/.config/Tolmary/Tolmary.conf"), {}};
    return {{}, QStringLiteral("ni domače mape (HOME ni nastavljen)")};
}

bool readableSettings(const QString& file) {
    return pitch::readRegularFile(QFile::encodeName(file).toStdString(),
                                  static_cast<std::size_t>(maxSettingsBytes))
        .bytes.has_value();
}

QString prepareForWriting(const QString& file) {
    const QByteArray path = QFile::encodeName(file);
    struct stat link {};
    if (::lstat(path.constData(), &link) == 0) {
        struct stat target {};
        // QSaveFile writes through a link to its target, and replaces whatever is there.
        if (::stat(path.constData(), &target) != 0)
            return QStringLiteral("povezava ne kaže nikamor");
        if (!S_ISREG(target.st_mode))
            return QStringLiteral("ni navadna datoteka");
        // Too large to be ours: read as nothing, and replaced by the values written now.
        if (target.st_size > maxSettingsBytes && ::unlink(path.constData()) != 0)
            return errorText(errno);
    } else if (errno != ENOENT) {
        return errorText(errno);
    }
    return clearLock(file + QStringLiteral(".lock"));
}

QString whyWriteFailed(const QString& file) {
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::path(QFile::encodeName(file).toStdString()).parent_path();
    std::filesystem::create_directories(folder, error);
    if (error)
        return QString::fromStdString(error.message());
    // A file of a settings file's size, written and synced where QSaveFile writes its own.
    const std::string probe =
        (folder / (".Tolmary.conf.probe" + std::to_string(::getpid()))).string();
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd == -1)
        return errorText(errno);
    const std::string bytes(512, '\n');
    int failure = 0;
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::fsync(fd) != 0)
        failure = errno != 0 ? errno : EIO;
    ::close(fd);
    ::unlink(probe.c_str());
    if (failure != 0)
        return errorText(failure);
    return QStringLiteral("QSettings ne more pisati");
}

}  // namespace app
