// The settings store under hostile conditions, on a private settings folder: what stands in the
// file's place is read only when it is a regular file of bounded size, replaced only when it is
// one, and a lock left behind in any shape delays a write by a second at most; a write that
// fails says so in one line naming the file and why; with no home nothing is written.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <future>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "app/settings_store.h"

namespace {

// Runs `call` with standard error going to a pipe (no file size limit applies to it); what it
// wrote there.
template <typename Call>
QString stderrOf(Call&& call) {
    std::fflush(stderr);
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return "no pipe";
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(pipe[1], STDERR_FILENO);
    call();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(pipe[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    ::close(pipe[0]);
    return QString::fromLocal8Bit(text);
}

// What stands in a path's place, as the rows name it.
enum class Thing {
    nothing,
    fifo,
    linkToFifo,
    linkToZero,
    directory,
    fullDirectory,
    huge,
    device,
    linkToDevice,
    linkToFile,
    staleFile,
    heldFile,
    linkToNull
};

}  // namespace

Q_DECLARE_METATYPE(Thing)

class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir_.reset(new QTemporaryDir);
        QVERIFY(dir_->isValid());
        qputenv("XDG_CONFIG_HOME", dir_->filePath("config").toUtf8());
        qputenv("HOME", dir_->path().toUtf8());
        QVERIFY(QDir().mkpath(dir_->filePath("config/Tolmary")));
    }

    // Reading never waits on what is not settings, and takes it for no settings.
    void readsOnlySettings_data() {
        QTest::addColumn<Thing>("thing");
        QTest::newRow("a FIFO nobody writes") << Thing::fifo;
        QTest::newRow("a link to a FIFO") << Thing::linkToFifo;
        QTest::newRow("a link to /dev/zero") << Thing::linkToZero;
        QTest::newRow("a directory") << Thing::directory;
        QTest::newRow("100 MB") << Thing::huge;
    }
    void readsOnlySettings() {
        QFETCH(Thing, thing);
        QVERIFY(place(file(), thing).isEmpty());
        auto read = std::async(std::launch::async,
                               [] { return app::SettingsStore().read("Main", "Dur", "default"); });
        const bool done = read.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        if (!done)
            ::close(::open(QFile::encodeName(dir_->filePath("fifo")).constData(),
                           O_WRONLY | O_NONBLOCK));
        QVERIFY2(done, "reading hangs");
        QCOMPARE(read.get(), QString("default"));
    }

    // A write replaces a regular file only (one too large to be settings included), writes
    // through a link to one, and leaves anything else as it is, saying so.
    void replacesOnlyWhatIsOurs_data() {
        QTest::addColumn<Thing>("thing");
        QTest::addColumn<bool>("written");
        QTest::newRow("nothing yet") << Thing::nothing << true;
        QTest::newRow("100 MB") << Thing::huge << true;
        QTest::newRow("a link to a file") << Thing::linkToFile << true;
        QTest::newRow("a FIFO") << Thing::fifo << false;
        QTest::newRow("a link to a FIFO") << Thing::linkToFifo << false;
        QTest::newRow("a directory") << Thing::directory << false;
        QTest::newRow("a device node") << Thing::device << false;
        QTest::newRow("a link to a device node") << Thing::linkToDevice << false;
    }
    void replacesOnlyWhatIsOurs() {
        QFETCH(Thing, thing);
        QFETCH(bool, written);
        const QString placed = place(file(), thing);
        if (placed == "skip")
            QSKIP("no device node can be made here (not root)");
        QVERIFY2(placed.isEmpty(), qPrintable(placed));
        struct stat before {};
        ::stat(QFile::encodeName(file()).constData(), &before);
        bool result = false;
        const QString error =
            stderrOf([&] { result = app::SettingsStore().write("Main", "Dur", "7"); });
        QCOMPARE(result, written);
        if (written) {
            QCOMPARE(error, QString());
            QCOMPARE(app::SettingsStore().read("Main", "Dur", ""), QString("7"));
            QVERIFY(QFileInfo(file()).size() < 1000);
            if (thing == Thing::linkToFile)
                QVERIFY(QFileInfo(file()).isSymLink());
            return;
        }
        QVERIFY2(error.startsWith("tolmary: ") && error.contains(file()) && error.count('\n') == 1,
                 qPrintable(error));
        struct stat after {};
        ::stat(QFile::encodeName(file()).constData(), &after);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_rdev, before.st_rdev);
    }

    // A lock left behind, in whatever shape, holds a write a second at most.
    void locksLeftBehindAreBroken_data() {
        QTest::addColumn<Thing>("thing");
        QTest::addColumn<bool>("written");
        QTest::newRow("a file of a process that ended") << Thing::staleFile << true;
        QTest::newRow("a file of a running process") << Thing::heldFile << true;
        QTest::newRow("an empty directory") << Thing::directory << true;
        QTest::newRow("a FIFO") << Thing::fifo << true;
        QTest::newRow("a link to /dev/null") << Thing::linkToNull << true;
        QTest::newRow("a directory with files") << Thing::fullDirectory << false;
    }
    void locksLeftBehindAreBroken() {
        QFETCH(Thing, thing);
        QFETCH(bool, written);
        const QString lock = file() + ".lock";
        QVERIFY(place(lock, thing).isEmpty());
        QElapsedTimer clock;
        clock.start();
        auto write = std::async(std::launch::async,
                                [] { return app::SettingsStore().write("Main", "Dur", "5"); });
        const bool done = write.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        if (!done)
            QFile::remove(lock);
        QVERIFY2(done, "the write hangs");
        QCOMPARE(write.get(), written);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString("%1 ms").arg(clock.elapsed())));
        if (written)
            QCOMPARE(app::SettingsStore().read("Main", "Dur", ""), QString("5"));
        QVERIFY(QFileInfo::exists("/dev/null"));
    }

    // A write that fails says so, once, naming the file and why.
    void failedWritesSayWhy_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("why");
        QTest::newRow("a file where the folder goes") << "file"
                                                      << "Not a directory";
        QTest::newRow("a folder that cannot be written")
            << "read-only" << (::geteuid() == 0 ? "Read-only file system" : "Permission denied");
        QTest::newRow("the disk takes no more") << "full"
                                                << "File too large";
    }
    void failedWritesSayWhy() {
        QFETCH(QString, obstacle);
        QFETCH(QString, why);
        const QString folder = dir_->filePath("config/Tolmary");
        if (obstacle == "file") {
            QVERIFY(QDir(folder).removeRecursively());
            QFile block(folder);
            QVERIFY(block.open(QIODevice::WriteOnly));
        } else if (obstacle == "read-only") {
            // Root writes into a folder whatever its permissions: a read-only mount of it, in a
            // mount namespace of this process's own.
            if (::geteuid() != 0)
                QFile(folder).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
            else if (!readOnlyMount(folder))
                QSKIP("no mount namespace here");
        }
        // The disk that takes no more: a file size limit, the same failure of every write.
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        if (obstacle == "full") {
            rlimit tiny = saved;
            tiny.rlim_cur = 16;
            ::setrlimit(RLIMIT_FSIZE, &tiny);
        }
        bool result = true;
        const QString error =
            stderrOf([&] { result = app::SettingsStore().write("Main", "Dur", "3"); });
        ::setrlimit(RLIMIT_FSIZE, &saved);
        ::signal(SIGXFSZ, oldHandler);
        QFile(folder).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (obstacle == "read-only" && ::geteuid() == 0)
            ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
        QVERIFY(!result);
        QVERIFY2(error.startsWith("tolmary: ") && error.contains(file()) && error.contains(why) &&
                     error.count('\n') == 1,
                 qPrintable(error + " / expected: " + why));
    }

    // Without a home (HOME unset, no XDG_CONFIG_HOME, or only relative ones) nothing is read or
    // written anywhere, and a write says why.
    void noHomeWritesNothing_data() {
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<QByteArray>("configHome");
        QTest::newRow("HOME unset") << QByteArray() << QByteArray();
        QTest::newRow("relative HOME") << QByteArray("home") << QByteArray();
        QTest::newRow("relative XDG_CONFIG_HOME") << QByteArray() << QByteArray("config");
    }
    void noHomeWritesNothing() {
        QFETCH(QByteArray, home);
        QFETCH(QByteArray, configHome);
        home.isEmpty() ? qunsetenv("HOME") : qputenv("HOME", home);
        configHome.isEmpty() ? qunsetenv("XDG_CONFIG_HOME")
                             : qputenv("XDG_CONFIG_HOME", configHome);
        // Where Qt puts its files without a home: the root, and the working folder.
        const QStringList outside = {"/.config/Tolmary", QDir::current().filePath("config"),
                                     QDir::current().filePath("home")};
        QStringList there;
        for (const QString& path : outside)
            if (QFileInfo::exists(path))
                there << path;
        bool result = true;
        const QString error =
            stderrOf([&] { result = app::SettingsStore().write("Main", "Dur", "4"); });
        for (const QString& path : outside)
            if (!there.contains(path) && QFileInfo::exists(path)) {
                QDir(path).removeRecursively();
                QFAIL(qPrintable("written outside a home: " + path));
            }
        QVERIFY(!result);
        QVERIFY2(error.startsWith("tolmary: ") && error.contains("HOME") && error.count('\n') == 1,
                 qPrintable(error));
        QCOMPARE(app::SettingsStore().read("Main", "Dur", "default"), QString("default"));
    }

private:
    static bool readOnlyMount(const QString& folder) {
        const QByteArray path = QFile::encodeName(folder);
        return ::unshare(CLONE_NEWNS) == 0 &&
               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0 &&
               ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                       nullptr) == 0;
    }

    QString file() const { return dir_->filePath("config/Tolmary/Tolmary.conf"); }

    // Puts `thing` at `path`: empty, or why it could not ("skip" where no device node can be
    // made, as without root).
    QString place(const QString& path, Thing thing) {
        const QByteArray p = QFile::encodeName(path);
        const QByteArray fifo = QFile::encodeName(dir_->filePath("fifo"));
        const QByteArray device = QFile::encodeName(dir_->filePath("device"));
        const bool needsDevice = thing == Thing::device || thing == Thing::linkToDevice;
        // A node of its own (the same device as /dev/null): never one the system uses.
        if (needsDevice && ::mknod(thing == Thing::device ? p.constData() : device.constData(),
                                   S_IFCHR | 0600, makedev(1, 3)) != 0)
            return "skip";
        switch (thing) {
            case Thing::nothing:
            case Thing::device:
                break;
            case Thing::fifo:
                if (!(::mkfifo(p.constData(), 0600) == 0))
                    return "cannot make " + path;
                break;
            case Thing::linkToFifo:
                if (!(::mkfifo(fifo.constData(), 0600) == 0))
                    return "cannot make " + path;
                if (!(::symlink(fifo.constData(), p.constData()) == 0))
                    return "cannot make " + path;
                break;
            case Thing::linkToZero:
                if (!(::symlink("/dev/zero", p.constData()) == 0))
                    return "cannot make " + path;
                break;
            case Thing::linkToNull:
                if (!(::symlink("/dev/null", p.constData()) == 0))
                    return "cannot make " + path;
                break;
            case Thing::linkToDevice:
                if (!(::symlink(device.constData(), p.constData()) == 0))
                    return "cannot make " + path;
                break;
            case Thing::directory:
                if (!(QDir().mkpath(path)))
                    return "cannot make " + path;
                break;
            case Thing::fullDirectory:
                if (!(QDir().mkpath(path + "/inside")))
                    return "cannot make " + path;
                break;
            case Thing::huge: {
                // Settings first, then 100 MB that QSettings would parse (sparse: no disk).
                QFile big(path);
                if (!(big.open(QIODevice::WriteOnly)))
                    return "cannot make " + path;
                big.write("[Main]\nDur=9\n");
                if (!(big.resize(100 * 1024 * 1024)))
                    return "cannot make " + path;
                break;
            }
            case Thing::linkToFile: {
                QFile target(dir_->filePath("elsewhere.conf"));
                if (!(target.open(QIODevice::WriteOnly)))
                    return "cannot make " + path;
                target.write("[Main]\nDur=2\n");
                target.close();
                if (!(::symlink(QFile::encodeName(target.fileName()).constData(), p.constData()) ==
                      0))
                    return "cannot make " + path;
                break;
            }
            case Thing::staleFile:
            case Thing::heldFile: {
                // As QLockFile writes one: pid, application, host; a pid that cannot run, or
                // this process's own, which runs under this name.
                QFile lock(path);
                if (!lock.open(QIODevice::WriteOnly))
                    return "cannot make " + path;
                const QByteArray pid =
                    QByteArray::number(thing == Thing::heldFile ? ::getpid() : 0x3fffffff);
                const QByteArray name =
                    QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8();
                lock.write(pid + "\n" + name + "\n" + QSysInfo::machineHostName().toUtf8() + "\n");
                break;
            }
        }
        return {};
    }

    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
