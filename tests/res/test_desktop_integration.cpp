// Desktop integration as a user's system sees it: the menu entry and AppStream file pass the
// freedesktop validators, `cmake --install` lays out the program with its entry, icon and
// metainfo, and the Debian package carries the same files and declares what the program needs.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/res/asset_files.h"
#include "tuner/version_info.h"

namespace {

const QString appId = QStringLiteral("org.tolmary.Tolmary");

struct Run {
    int exitCode = -1;
    QString output;
};

Run run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, process.readAll()};
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

QString tool(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// The first capture of `pattern` in a committed text file, matched line by line.
QString firstCapture(const QString& file, const char* pattern) {
    const QRegularExpression re(QString::fromUtf8(pattern), QRegularExpression::MultilineOption);
    return re.match(QString::fromUtf8(asset_files::read(file))).captured(1);
}

// The binary, menu entry, metainfo and icons every installed layout must hold under `prefix`.
void verifyLayout(const QString& prefix) {
    for (const QString& file :
         {QStringLiteral("bin/tolmary"), "share/applications/" + appId + ".desktop",
          "share/metainfo/" + appId + ".metainfo.xml",
          "share/icons/hicolor/32x32/apps/" + appId + ".png"})
        QVERIFY2(QFileInfo::exists(prefix + u'/' + file), qPrintable(file));
    QVERIFY(QFileInfo(prefix + QStringLiteral("/bin/tolmary")).isExecutable());
    const QDir hicolor(prefix + QStringLiteral("/share/icons/hicolor"));
    for (const QString& size : hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QImage icon(hicolor.filePath(size + QStringLiteral("/apps/") + appId + ".png"));
        const int side = size.section(u'x', 0, 0).toInt();
        QCOMPARE(icon.size(), QSize(side, side));
    }
}

}  // namespace

class TestDesktopIntegration : public QObject {
    Q_OBJECT

private slots:
    void desktopEntryValidates() {
        if (tool("desktop-file-validate").isEmpty())
            QSKIP("desktop-file-validate is not installed (package desktop-file-utils)");
        const Run result = run(tool("desktop-file-validate"),
                               {asset_files::sourcePath("res/desktop/" + appId + ".desktop")});
        QVERIFY2(result.exitCode == 0 && result.output.trimmed().isEmpty(),
                 qPrintable(result.output));
    }

    void metainfoValidates() {
        if (tool("appstreamcli").isEmpty())
            QSKIP("appstreamcli is not installed (package appstream)");
        const Run result = run(tool("appstreamcli"),
                               {"validate", "--no-net",
                                asset_files::sourcePath("res/desktop/" + appId + ".metainfo.xml")});
        QVERIFY2(result.exitCode == 0, qPrintable(result.output));
    }

    void desktopEntryAndMetainfoCarryTheProgramsIdentity() {
        const QString entry = "res/desktop/" + appId + ".desktop";
        QCOMPARE(firstCapture(entry, "^Name=(.*)$"), QStringLiteral("Tolmary"));
        QCOMPARE(firstCapture(entry, "^Exec=(.*)$"), QStringLiteral("tolmary"));
        QCOMPARE(firstCapture(entry, "^Icon=(.*)$"), appId);
        QVERIFY(!firstCapture(entry, "^Comment=(.*)$").isEmpty());
        QCOMPARE(firstCapture(entry, "^Comment\\[sl\\]=(.*)$"),
                 tuner::VersionInfo::load().fileDescription());
        const QStringList categories = firstCapture(entry, "^Categories=(.*)$").split(u';');
        QVERIFY(categories.contains("Audio") && categories.contains("Music"));

        const QString metainfo = "res/desktop/" + appId + ".metainfo.xml";
        QCOMPARE(firstCapture(metainfo, "<id>([^<]*)</id>"), appId);
        QCOMPARE(firstCapture(metainfo, "<release\\s[^>]*version=\"([^\"]*)\""),
                 tuner::VersionInfo::load().fileVersion());
        QVERIFY(!firstCapture(metainfo, "<image[^>]*>(https://[^<]*\\.png)</image>").isEmpty());
    }

    void installPutsEverythingInPlace() {
        QTemporaryDir prefix;
        const Run result =
            run(tool("cmake"), {"--install", TOLMARY_BINARY_DIR, "--prefix", prefix.path()});
        QVERIFY2(result.exitCode == 0, qPrintable(result.output));
        verifyLayout(prefix.path());
    }

    void debianPackageHoldsTheProgramAndDeclaresItsNeeds() {
        if (tool("cpack").isEmpty() || tool("dpkg-deb").isEmpty())
            QSKIP("cpack or dpkg-deb is not installed");
        QTemporaryDir scratch;
        const QString output = scratch.filePath("package");
        const Run built =
            run(tool("cpack"),
                {"-G", "DEB", "--config", TOLMARY_BINARY_DIR "/CPackConfig.cmake", "-B", output});
        QVERIFY2(built.exitCode == 0, qPrintable(built.output));
        const QStringList debs = QDir(output).entryList({"*.deb"}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        const QString deb = QDir(output).filePath(debs.front());

        const QString root = scratch.filePath("root");
        const Run unpacked = run(tool("dpkg-deb"), {"-x", deb, root});
        QVERIFY2(unpacked.exitCode == 0, qPrintable(unpacked.output));
        verifyLayout(root + QStringLiteral("/usr"));

        const Run fields = run(tool("dpkg-deb"), {"-f", deb, "Package", "Version", "Depends"});
        QVERIFY2(fields.exitCode == 0, qPrintable(fields.output));
        QVERIFY(fields.output.contains("Package: tolmary"));
        QVERIFY(fields.output.contains("Version: " + tuner::VersionInfo::load().fileVersion()));
        for (const char* needed : {"libqt6widgets6", "libfluidsynth3", "libpulse0", "librtmidi6",
                                   "timgm6mb-soundfont", "qt6-translations-l10n"})
            QVERIFY2(fields.output.contains(QString::fromLatin1(needed)), needed);
    }
};

QTEST_GUILESS_MAIN(TestDesktopIntegration)
#include "test_desktop_integration.moc"
