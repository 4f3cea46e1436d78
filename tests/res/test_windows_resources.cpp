// The Windows resource script compiles, and the compiled resources hold each item under the
// type, name and language the program file carries them with, byte for byte where the source is
// a file. Skipped where the MinGW resource compiler is not installed.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <variant>

#include "tests/res/asset_files.h"

namespace {

using ResourceId = std::variant<int, QString>;

struct Resource {
    ResourceId type;
    ResourceId name;
    int language = 0;
    QByteArray data;
};

quint32 longAt(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
quint16 wordAt(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

// A type or name field: 0xFFFF and a number, or a zero-ended UTF-16 string.
ResourceId readId(const QByteArray& bytes, qsizetype& at) {
    if (wordAt(bytes, at) == 0xFFFF) {
        const int number = wordAt(bytes, at + 2);
        at += 4;
        return number;
    }
    QString text;
    for (quint16 c = wordAt(bytes, at); c != 0; c = wordAt(bytes, at)) {
        text.append(QChar(c));
        at += 2;
    }
    at += 2;
    return text;
}

// Entries of a 32-bit .res file, each a header (sizes, type, name, then language among the
// fixed fields) followed by its data, both aligned to four bytes.
QList<Resource> parseRes(const QByteArray& bytes) {
    QList<Resource> resources;
    qsizetype at = 0;
    while (at + 8 <= bytes.size()) {
        const quint32 dataSize = longAt(bytes, at);
        const quint32 headerSize = longAt(bytes, at + 4);
        qsizetype field = at + 8;
        Resource r;
        r.type = readId(bytes, field);
        r.name = readId(bytes, field);
        field = (field + 3) & ~qsizetype(3);
        r.language = wordAt(bytes, field + 6);
        r.data = bytes.mid(at + headerSize, dataSize);
        if (dataSize > 0) {
            resources.append(r);
        }
        at = (at + headerSize + dataSize + 3) & ~qsizetype(3);
    }
    return resources;
}

const Resource* find(const QList<Resource>& all, const ResourceId& type, const ResourceId& name) {
    for (const Resource& r : all) {
        if (r.type == type && r.name == name) {
            return &r;
        }
    }
    return nullptr;
}

}  // namespace

class TestWindowsResources : public QObject {
    Q_OBJECT

private:
    QList<Resource> compiled_;

private slots:
    void initTestCase() {
        const QString windres = QStandardPaths::findExecutable("x86_64-w64-mingw32-windres");
        if (windres.isEmpty()) {
            QSKIP("x86_64-w64-mingw32-windres is not installed (binutils-mingw-w64-x86-64)");
        }
        QTemporaryDir out;
        const QString res = out.filePath("tolmary.res");
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setWorkingDirectory(asset_files::sourcePath("res/app"));
        // The host's C preprocessor stands in for the MinGW compiler windres would call.
        process.start(windres, {"--preprocessor=cpp", "--preprocessor-arg=-xc",
                                "--preprocessor-arg=-DRC_INVOKED", "-i", "tolmary.rc", "-O", "res",
                                "-o", res});
        QVERIFY(process.waitForFinished(60000));
        QVERIFY2(process.exitCode() == 0, process.readAll().constData());
        QFile file(res);
        QVERIFY(file.open(QIODevice::ReadOnly));
        compiled_ = parseRes(file.readAll());
    }

    void carriesFilesUnderTheirNames_data() {
        QTest::addColumn<ResourceId>("type");
        QTest::addColumn<ResourceId>("name");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("source");
        const ResourceId custom = QStringLiteral("CUSTOM");
        QTest::newRow("help page")
            << custom << ResourceId(QStringLiteral("HELP.HTML")) << 1033 << "res/help/HELP.HTML";
        QTest::newRow("figure 1.0")
            << custom << ResourceId(QStringLiteral("FIG10")) << 1033 << "res/help/FIG10.gif";
        QTest::newRow("figure 1.1")
            << custom << ResourceId(QStringLiteral("FIG11")) << 1033 << "res/help/FIG11.gif";
        QTest::newRow("icon image")
            << ResourceId(3) << ResourceId(30001) << 0 << "res/app/tolmary_icon.dib";
        QTest::newRow("manifest") << ResourceId(24) << ResourceId(1) << 1033
                                  << "res/app/tolmary.manifest";
    }
    void carriesFilesUnderTheirNames() {
        QFETCH(ResourceId, type);
        QFETCH(ResourceId, name);
        QFETCH(int, language);
        QFETCH(QString, source);
        const Resource* r = find(compiled_, type, name);
        QVERIFY(r != nullptr);
        QCOMPARE(r->language, language);
        const QByteArray expected = asset_files::read(source);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(r->data, expected);
    }

    void iconGroupPointsAtTheImage() {
        const Resource* group = find(compiled_, 14, 1);
        QVERIFY(group != nullptr);
        QCOMPARE(group->language, 0);
        QCOMPARE(group->data.size(), 20);
        QCOMPARE(wordAt(group->data, 2), quint16(1));  // icon
        QCOMPARE(wordAt(group->data, 4), quint16(1));  // one entry
        QCOMPARE(uchar(group->data[6]), uchar(32));
        QCOMPARE(uchar(group->data[7]), uchar(32));
        QCOMPARE(uchar(group->data[8]), uchar(4));
        QCOMPARE(wordAt(group->data, 10), quint16(1));  // planes
        QCOMPARE(wordAt(group->data, 12), quint16(4));  // bits per pixel
        QCOMPARE(longAt(group->data, 14), 744u);
        QCOMPARE(wordAt(group->data, 18), quint16(30001));
        const Resource* image = find(compiled_, 3, 30001);
        QVERIFY(image != nullptr);
        QCOMPARE(image->data.size(), 744);
    }

    void versionResourceHoldsTheStrings() {
        const Resource* version = find(compiled_, 16, 1);
        QVERIFY(version != nullptr);
        QCOMPARE(version->language, 1033);
        QCOMPARE(version->data.size(), 820);
        // The fixed part: signature, then file and product version 1.0.0.0, OS 4, type 1.
        const qsizetype fixed = version->data.indexOf(QByteArray("\xBD\x04\xEF\xFE", 4));
        QVERIFY(fixed > 0);
        QCOMPARE(longAt(version->data, fixed + 8), 0x00010000u);  // 1.0 (high word major)
        QCOMPARE(longAt(version->data, fixed + 12), 0u);
        QCOMPARE(longAt(version->data, fixed + 16), 0x00010000u);
        QCOMPARE(longAt(version->data, fixed + 20), 0u);
        QCOMPARE(longAt(version->data, fixed + 28), 0u);  // no flags
        QCOMPARE(longAt(version->data, fixed + 32), 4u);
        QCOMPARE(longAt(version->data, fixed + 36), 1u);
        const auto utf16 = [](const QString& s) {
            return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
        };
        for (const QString& text :
             {QStringLiteral("040904b0"), QStringLiteral("Uglaševanje kitare in prikaz akordov"),
              QStringLiteral("FileVersion"), QStringLiteral("ProductVersion"),
              QStringLiteral("Translation")}) {
            QVERIFY2(version->data.contains(utf16(text)), qPrintable(text));
        }
        QVERIFY(version->data.contains(utf16(QStringLiteral("1.00"))));
        QVERIFY(version->data.contains(QByteArray("\x09\x04\xB0\x04", 4)));  // 0x0409, 1200
    }
};

QTEST_GUILESS_MAIN(TestWindowsResources)
#include "test_windows_resources.moc"
