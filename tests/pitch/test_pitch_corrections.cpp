// Correction tables: the cache file format, the lookup order (shipped, cache, calibration) with
// its handling of damaged and foreign cache files, and the background loader.

#include <QtTest>

#include <atomic>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "pitch/pitch_correction_loader.h"
#include "pitch/pitch_corrections.h"

using namespace pitch;

namespace {

PitchCorrections sampleCorrections() {
    PitchCorrections c;
    for (int p = 0; p < guitarProgramCount; ++p)
        for (int n = 0; n < calibratedNoteCount; ++n)
            c.cents[p][n] = (p - 3) * 1.25 + n * 0.001 - 0.5;
    return c;
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
        QCOMPARE(c.centsFor(24, 28), c.cents[0][0]);
        QCOMPARE(c.centsFor(30, 69), c.cents[6][41]);
        QCOMPARE(c.centsFor(23, 40), 0.0);
        QCOMPARE(c.centsFor(31, 40), 0.0);
        QCOMPARE(c.centsFor(24, 27), 0.0);
        QCOMPARE(c.centsFor(24, 70), 0.0);
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
        const ShippedPitchCorrections shipped[] = {{hash_ ^ 7, "other", {}},
                                                   {hash_, "this", sampleCorrections().cents}};
        lookup.shipped = shipped;
        const auto found = findCorrections(soundFont_, lookup);
        QVERIFY(found.has_value());
        QCOMPARE(found->source, CorrectionSource::shipped);
        QCOMPARE(found->corrections.cents, sampleCorrections().cents);
        QCOMPARE(fake.calls->load(), 0);
    }

    // A cache is used only when intact: anything else, a value changed within range or a
    // file of the format before the checksum included, means one calibration, whose result is
    // cached and read back on the next lookup.
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
            << replaced(checksum, "").replace("corrections 2", "corrections 1") << QString();
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
    }
    void calibratesOnceThenReadsTheCache() {
        QFETCH(QByteArray, cacheBefore);
        QFETCH(QString, inPlace);
        const std::string file = pitchCorrectionCacheFile(cacheDir(), hash_);
        QDir().mkpath(QString::fromStdString(cacheDir()));
        if (inPlace == "directory")
            QVERIFY(QDir().mkpath(QString::fromStdString(file)));
        else if (!inPlace.isEmpty())
            QVERIFY(QFile::link(inPlace, QString::fromStdString(file)));
        else if (!cacheBefore.isNull())
            writeFile(file, cacheBefore.toStdString());
        FakeCalibrator fake;
        const auto first = findCorrections(soundFont_, fake.lookup(cacheDir()));
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

    void cacheFolderFollowsXdg() {
        const QByteArray saved = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", "/somewhere/cache");
        QCOMPARE(pitchCorrectionCacheDir(), std::string("/somewhere/cache/Tolmary"));
        qunsetenv("XDG_CACHE_HOME");
        QCOMPARE(pitchCorrectionCacheDir(), qgetenv("HOME").toStdString() + "/.cache/Tolmary");
        if (!saved.isNull())
            qputenv("XDG_CACHE_HOME", saved);
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
};

QTEST_GUILESS_MAIN(TestPitchCorrections)
#include "test_pitch_corrections.moc"
