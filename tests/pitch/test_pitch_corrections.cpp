// Correction tables: the cache file format, the lookup order (shipped, cache, calibration) with
// its handling of damaged and foreign cache files, and the background loader.

#include <QtTest>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "pitch/pitch_correction_loader.h"
#include "pitch/pitch_corrections.h"

using namespace pitch;

namespace {

PitchCorrections sampleCorrections() {
    PitchCorrections c;
    for (int p = 0; p < guitarProgramCount; ++p) {
        for (int n = 0; n < calibratedNoteCount; ++n) {
            c.cents[p][n] = (p - 3) * 1.25 + n * 0.001 - 0.5;
            c.residual[p][n] = ((p + n) % 9 - 4) * 0.117;
        }
    }
    return c;
}

// A cache file as the format before residuals wrote it, checksum intact: one line of requests
// per program, no residuals.
std::string formatWithoutResiduals(std::string text) {
    std::string old;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at) + 1;
        const std::string line = text.substr(at, end - at);
        at = end;
        if (line.starts_with("residual ") || line.starts_with("checksum "))
            continue;
        old += line.starts_with("tolmary-") ? "tolmary-pitch-corrections 2\n" : line;
    }
    // The checksum's 64-bit FNV-1a.
    std::uint64_t sum = 0xcbf29ce484222325ULL;
    for (const char c : old)
        sum = (sum ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    return old + "checksum " + hashText(sum) + "\n";
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// Stands in for a calibration: counts its calls and returns a fixed table, or fails.
struct FakeCalibrator {
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    bool fail = false;
    PitchCorrections result = sampleCorrections();

    CorrectionLookup lookup(const std::string& cacheDir) const {
        CorrectionLookup l;
        l.calibrator = [calls = calls, fail = fail, result = result](const std::atomic<bool>*) {
            ++*calls;
            return fail ? std::nullopt : std::optional<Calibration>(Calibration{result, {}, {}});
        };
        l.shipped = {};
        l.cacheDir = cacheDir;
        return l;
    }
};

}  // namespace

class TestPitchCorrections : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::string soundFont_;
    std::uint64_t hash_ = 0;

    std::string cacheDir() const { return dir_.path().toStdString() + "/cache/Tolmary"; }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir_.isValid());
        soundFont_ = dir_.path().toStdString() + "/some.sf2";
        writeFile(soundFont_, "RIFF not really a SoundFont, but bytes to hash");
        const auto hash = soundFontHash(soundFont_);
        QVERIFY(hash.has_value());
        hash_ = *hash;
    }

    void init() { QDir(QString::fromStdString(cacheDir())).removeRecursively(); }

    void lookupOutsideTheTableIsZero() {
        const PitchCorrections c = sampleCorrections();
        QCOMPARE(c.centsFor(24, firstCalibratedNote), c.cents[0][0]);
        QCOMPARE(c.centsFor(30, lastCalibratedNote), c.cents[6][calibratedNoteCount - 1]);
        QCOMPARE(c.centsFor(23, 40), 0.0);
        QCOMPARE(c.centsFor(31, 40), 0.0);
        QCOMPARE(c.centsFor(24, firstCalibratedNote - 1), 0.0);
        QCOMPARE(c.centsFor(24, lastCalibratedNote + 1), 0.0);
    }

    void hashFollowsContent() {
        const std::string copy = dir_.path().toStdString() + "/copy.sf2";
        writeFile(copy, readFile(soundFont_));
        QCOMPARE(soundFontHash(copy), std::optional<std::uint64_t>(hash_));
        std::string changed = readFile(soundFont_);
        changed[5] ^= 0x20;
        writeFile(copy, changed);
        QVERIFY(soundFontHash(copy) != std::optional<std::uint64_t>(hash_));
        QVERIFY(!soundFontHash(dir_.path().toStdString() + "/missing.sf2").has_value());
    }

    void shippedTableWinsWithoutCalibrating() {
        FakeCalibrator fake;
        CorrectionLookup lookup = fake.lookup(cacheDir());
        const PitchCorrections sample = sampleCorrections();
        const ShippedPitchCorrections shipped[] = {{hash_ ^ 7, "other", {}, {}},
                                                   {hash_, "this", sample.cents, sample.residual}};
        lookup.shipped = shipped;
        const auto found = findCorrections(soundFont_, lookup);
        QVERIFY(found.has_value());
        QCOMPARE(found->source, CorrectionSource::shipped);
        QCOMPARE(found->corrections.cents, sample.cents);
        QCOMPARE(found->corrections.residual, sample.residual);
        QCOMPARE(fake.calls->load(), 0);
    }

    // A cache is used only when intact: anything else, a value changed within range or a
    // file of an older format (before the checksum, before the residuals) included, means one
    // calibration, whose result is cached and read back on the next lookup.
    void calibratesOnceThenReadsTheCache_data() {
        QTest::addColumn<QByteArray>("cacheBefore");
        QTest::addColumn<QString>("inPlace");  // what stands where the file goes, when not text
        const std::string good = serializeCorrections(sampleCorrections(), hash_);
        const auto replaced = [&](const std::string& from, const std::string& to) {
            // A text left intact (`from` missing) is read, so the row fails rather than passes.
            std::string text = good;
            const auto at = text.find(from);
            if (at != std::string::npos)
                text.replace(at, from.size(), to);
            return QByteArray::fromStdString(text);
        };
        const std::string checksum = good.substr(good.find("checksum "));
        const QByteArray intact = QByteArray::fromStdString(good);
        QByteArray crlf = intact;
        crlf.replace("\n", "\r\n");
        QByteArray noise(2400, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = static_cast<char>((i * 7919 + 13) % 251);

        QTest::newRow("no cache") << QByteArray() << QString();
        QTest::newRow("changed within range") << replaced(" -4.250", " 49.000") << QString();
        QTest::newRow("format without checksum")
            << replaced(checksum, "").replace("corrections 3", "corrections 1") << QString();
        QTest::newRow("format without residuals")
            << QByteArray::fromStdString(formatWithoutResiduals(good)) << QString();
        QTest::newRow("wrong checksum")
            << replaced(checksum, "checksum 0123456789abcdef\n") << QString();
        QTest::newRow("another SoundFont's")
            << QByteArray::fromStdString(serializeCorrections(sampleCorrections(), hash_ + 1))
            << QString();
        QTest::newRow("cut short") << intact.left(intact.size() / 2) << QString();
        QTest::newRow("random bytes") << noise << QString();
        QTest::newRow("not a number") << replaced(" -4.250", " nan") << QString();
        QTest::newRow("infinite") << replaced(" -4.250", " inf") << QString();
        QTest::newRow("huge") << replaced(" -4.250", " 1e308") << QString();
        QTest::newRow("a value too many")
            << replaced("\nprogram 25:", " 1.000\nprogram 25:") << QString();
        QTest::newRow("a value missing") << replaced(" -4.250", "") << QString();
        QTest::newRow("CRLF line ends") << crlf << QString();
        QTest::newRow("trailing text") << intact + "program 31: 1\n" << QString();
        QTest::newRow("empty") << QByteArray("") << QString();
        QTest::newRow("a directory") << QByteArray() << QString("directory");
        QTest::newRow("endless") << QByteArray() << QString("/dev/zero");
        QTest::newRow("a device") << QByteArray() << QString("/dev/null");
        QTest::newRow("a FIFO nobody writes") << QByteArray() << QString("fifo");
        QTest::newRow("a link to a FIFO") << QByteArray() << QString("link to fifo");
        // Intact, but for blank lines that take it over the size a cache can have.
        QTest::newRow("too large") << intact + QByteArray(70 * 1024, '\n') << QString();
    }
    void calibratesOnceThenReadsTheCache() {
        QFETCH(QByteArray, cacheBefore);
        QFETCH(QString, inPlace);
        const std::string file = pitchCorrectionCacheFile(cacheDir(), hash_);
        QDir().mkpath(QString::fromStdString(cacheDir()));
        const std::string fifo = dir_.path().toStdString() + "/fifo";
        if (inPlace.contains("fifo"))
            QVERIFY(::mkfifo(inPlace == "fifo" ? file.c_str() : fifo.c_str(), 0600) == 0);
        if (inPlace == "directory")
            QVERIFY(QDir().mkpath(QString::fromStdString(file)));
        else if (inPlace == "link to fifo")
            QVERIFY(QFile::link(QString::fromStdString(fifo), QString::fromStdString(file)));
        else if (inPlace.startsWith('/'))
            QVERIFY(QFile::link(inPlace, QString::fromStdString(file)));
        else if (!cacheBefore.isNull())
            writeFile(file, cacheBefore.toStdString());
        FakeCalibrator fake;
        // In a thread of its own: a lookup that hangs (in an open() that waits for a FIFO's
        // writer, in an endless read) fails the row instead of the whole test.
        auto lookup = std::async(std::launch::async, [&] {
            return findCorrections(soundFont_, fake.lookup(cacheDir()));
        });
        if (lookup.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            // Lets a reader held in open() go, so that the test can end.
            ::close(::open(inPlace == "fifo" ? file.c_str() : fifo.c_str(), O_WRONLY | O_NONBLOCK));
            QFAIL("the lookup hangs");
        }
        const auto first = lookup.get();
        ::unlink(fifo.c_str());
        QVERIFY(first.has_value());
        QCOMPARE(first->source, CorrectionSource::calibration);
        QVERIFY(parseCorrections(readFile(file), hash_).has_value());

        const auto second = findCorrections(soundFont_, fake.lookup(cacheDir()));
        QVERIFY(second.has_value());
        QCOMPARE(second->source, CorrectionSource::cache);
        QCOMPARE(fake.calls->load(), 1);
        for (int p = 0; p < guitarProgramCount; ++p)
            for (int n = 0; n < calibratedNoteCount; ++n)
                QVERIFY(std::abs(second->corrections.cents[p][n] - fake.result.cents[p][n]) <
                            0.0005 &&
                        std::abs(second->corrections.residual[p][n] - fake.result.residual[p][n]) <
                            0.0005);
    }

    // "Izhod" can end a process in the middle of a cache write; its temporary file goes with
    // the next write, while a running process's may be a write in progress and stays.
    void aWriteClearsTemporariesOfEndedProcesses() {
        const std::string file = pitchCorrectionCacheFile(cacheDir(), hash_);
        QDir().mkpath(QString::fromStdString(cacheDir()));
        const auto pidMax = readFile("/proc/sys/kernel/pid_max");
        const std::string ended = file + ".tmp" + std::to_string(std::stol(pidMax) + 1);
        const std::string running = file + ".tmp" + std::to_string(::getppid());
        const std::string unrelated = cacheDir() + "/notes.tmp1";
        for (const std::string& f : {ended, running, unrelated})
            writeFile(f, "partial");
        QVERIFY(findCorrections(soundFont_, FakeCalibrator{}.lookup(cacheDir())).has_value());
        QVERIFY(!QFile::exists(QString::fromStdString(ended)));
        QVERIFY(QFile::exists(QString::fromStdString(running)));
        QVERIFY(QFile::exists(QString::fromStdString(unrelated)));
        QVERIFY(QFile::exists(QString::fromStdString(file)));
    }

    void failedCalibrationLeavesNoCache() {
        FakeCalibrator fake;
        fake.fail = true;
        QVERIFY(!findCorrections(soundFont_, fake.lookup(cacheDir())).has_value());
        QVERIFY(
            !QFile::exists(QString::fromStdString(pitchCorrectionCacheFile(cacheDir(), hash_))));
        QVERIFY(
            !findCorrections(dir_.path().toStdString() + "/missing.sf2", fake.lookup(cacheDir()))
                 .has_value());
    }

    // The cache lives in a home: XDG_CACHE_HOME, else HOME's .cache; a relative path names no
    // place, and without a home nothing is cached.
    void cacheFolderIsInAHome_data() {
        QTest::addColumn<QByteArray>("xdgCacheHome");
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<QString>("folder");
        QTest::newRow("XDG_CACHE_HOME") << QByteArray("/somewhere/cache") << QByteArray("/home/u")
                                        << "/somewhere/cache/Tolmary";
        QTest::newRow("HOME") << QByteArray() << QByteArray("/home/u") << "/home/u/.cache/Tolmary";
        QTest::newRow("XDG_CACHE_HOME relative")
            << QByteArray("cache") << QByteArray("/home/u") << "/home/u/.cache/Tolmary";
        QTest::newRow("no home") << QByteArray() << QByteArray() << "";
        QTest::newRow("HOME relative") << QByteArray() << QByteArray("home/u") << "";
    }
    void cacheFolderIsInAHome() {
        QFETCH(QByteArray, xdgCacheHome);
        QFETCH(QByteArray, home);
        QFETCH(QString, folder);
        const QByteArray savedXdg = qgetenv("XDG_CACHE_HOME"), savedHome = qgetenv("HOME");
        for (const auto& [name, value] :
             {std::pair{"XDG_CACHE_HOME", xdgCacheHome}, {"HOME", home}})
            value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
        const std::string found = pitchCorrectionCacheDir();
        for (const auto& [name, value] :
             {std::pair{"XDG_CACHE_HOME", savedXdg}, {"HOME", savedHome}})
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
        QCOMPARE(QString::fromStdString(found), folder);
    }

    // A calibration that cannot be cached would be made at every start: one line says so, with
    // the file and why, and the calibration is used all the same.
    void aCalibrationThatCannotBeCachedIsReported_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("a file where the folder goes") << "file";
        QTest::newRow("a folder that cannot be written") << "read-only";
        QTest::newRow("no home") << "no home";
    }
    void aCalibrationThatCannotBeCachedIsReported() {
        QFETCH(QString, obstacle);
        std::string folder = cacheDir();
        if (obstacle == "file") {
            QDir(dir_.path() + "/cache").removeRecursively();
            writeFile(dir_.path().toStdString() + "/cache", "not a folder");
            folder = dir_.path().toStdString() + "/cache/Tolmary";
        } else if (obstacle == "read-only") {
            if (::geteuid() == 0)
                QSKIP("root writes into a folder whatever its permissions");
            QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
            QFile(QString::fromStdString(folder))
                .setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        } else {
            folder.clear();
        }
        FakeCalibrator fake;
        CorrectionLookup lookup = fake.lookup(folder);
        std::vector<std::string> lines;
        lookup.report = [&](const std::string& line) { lines.push_back(line); };
        const auto found = findCorrections(soundFont_, lookup);
        QFile(QString::fromStdString(folder))
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::remove(dir_.path() + "/cache");
        QVERIFY(found.has_value());
        QCOMPARE(found->source, CorrectionSource::calibration);
        QCOMPARE(lines.size(), std::size_t{1});
        QVERIFY2(lines[0].starts_with("tolmary: ") && lines[0].find(folder) != std::string::npos &&
                     lines[0].find('(') != std::string::npos,
                 lines[0].c_str());
    }

    // Closing the synth while a calibration runs stops it and delivers nothing.
    void closingCancelsACalibration() {
        std::atomic<bool> started{false};
        std::atomic<int> delivered{0};
        CorrectionLookup lookup = FakeCalibrator{}.lookup(cacheDir());
        lookup.calibrator = [&](const std::atomic<bool>* cancel) {
            started = true;
            while (!cancel->load())
                QThread::msleep(1);
            return std::optional<Calibration>();
        };
        {
            PitchCorrectionLoader loader(
                soundFont_, [&](const PitchCorrections&) { ++delivered; }, lookup);
            while (!started.load())
                QThread::msleep(1);
        }
        QCOMPARE(delivered.load(), 0);
        QVERIFY(
            !QFile::exists(QString::fromStdString(pitchCorrectionCacheFile(cacheDir(), hash_))));
    }

    // A lookup that does not stop when asked (a read hanging on a dead network share) holds
    // the closing window no longer than the loader's bound, and delivers nothing after it.
    void closingNeverWaitsLong() {
        static std::atomic<bool> release{false};
        std::atomic<bool> started{false};
        auto delivered = std::make_shared<std::atomic<int>>(0);
        CorrectionLookup lookup = FakeCalibrator{}.lookup(cacheDir());
        lookup.calibrator = [&started](const std::atomic<bool>*) {
            started = true;
            for (int i = 0; i < 30000 && !release.load(); ++i)
                QThread::msleep(1);
            return std::optional<Calibration>(Calibration{sampleCorrections(), {}, {}});
        };
        QElapsedTimer clock;
        {
            PitchCorrectionLoader loader(
                soundFont_, [delivered](const PitchCorrections&) { ++*delivered; }, lookup);
            while (!started.load())
                QThread::msleep(1);
            clock.start();
        }
        const qint64 waited = clock.elapsed();
        release = true;
        QVERIFY2(waited < PitchCorrectionLoader::closeWait.count() + 2000,
                 qPrintable(QString("closing waited %1 ms").arg(waited)));
        QThread::msleep(200);
        QCOMPARE(delivered->load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPitchCorrections)
#include "test_pitch_corrections.moc"
