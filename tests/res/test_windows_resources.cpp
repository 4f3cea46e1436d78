// The Windows resource script compiles, and the compiled resources hold each item under the
// type, name and language the program file carries them with, byte for byte where the source is
// a file. Skipped where the MinGW resource compiler is not installed.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "tests/res/asset_files.h"

namespace {

struct Resource {
    QString type;  // "#3" for a number, else the name
    QString name;
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
QString readId(const QByteArray& bytes, qsizetype& at) {
    if (wordAt(bytes, at) == 0xFFFF) {
        at += 4;
        return u'#' + QString::number(wordAt(bytes, at - 2));
    }
    QString text;
    for (; wordAt(bytes, at) != 0; at += 2)
        text.append(QChar(wordAt(bytes, at)));
    at += 2;
    return text;
}

// Entries of a 32-bit .res file, each a header (sizes, type, name, then language among the
// fixed fields) followed by its data, both aligned to four bytes.
QList<Resource> parseRes(const QByteArray& bytes) {
    QList<Resource> resources;
    for (qsizetype at = 0; at + 8 <= bytes.size();) {
        const quint32 dataSize = longAt(bytes, at);
        const quint32 headerSize = longAt(bytes, at + 4);
        qsizetype field = at + 8;
        Resource r;
        r.type = readId(bytes, field);
        r.name = readId(bytes, field);
        r.language = wordAt(bytes, ((field + 3) & ~qsizetype(3)) + 6);
        r.data = bytes.mid(at + headerSize, dataSize);
        if (dataSize > 0)
            resources.append(r);
        at = (at + headerSize + dataSize + 3) & ~qsizetype(3);
    }
    return resources;
}

QByteArray utf16(const QString& s) {
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

}  // namespace

class TestWindowsResources : public QObject {
    Q_OBJECT

private:
    QList<Resource> compiled_;

    const Resource* find(const QString& type, const QString& name, int language) {
        for (const Resource& r : compiled_)
            if (r.type == type && r.name == name)
                return r.language == language ? &r : nullptr;
        return nullptr;
    }

private slots:
    void initTestCase() {
        const QString windres = QStandardPaths::findExecutable("x86_64-w64-mingw32-windres");
        if (windres.isEmpty())
            QSKIP("x86_64-w64-mingw32-windres is not installed (binutils-mingw-w64-x86-64)");
        QTemporaryDir out;
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setWorkingDirectory(asset_files::sourcePath("res/app"));
        // The host's C preprocessor stands in for the MinGW compiler windres would call.
        process.start(windres, {"--preprocessor=cpp", "--preprocessor-arg=-xc",
                                "--preprocessor-arg=-DRC_INVOKED", "-i", "tolmary.rc", "-O", "res",
                                "-o", out.filePath("tolmary.res")});
        QVERIFY(process.waitForFinished(60000));
        QVERIFY2(process.exitCode() == 0, process.readAll().constData());
        compiled_ = parseRes(asset_files::readPath(out.filePath("tolmary.res")));
    }

    void carriesFilesUnderTheirNames_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("source");
        QTest::newRow("help page") << "CUSTOM"
                                   << "HELP.HTML" << 1033 << "res/help/HELP.HTML";
        QTest::newRow("figure 1.0") << "CUSTOM"
                                    << "FIG10" << 1033 << "res/help/FIG10.gif";
        QTest::newRow("figure 1.1") << "CUSTOM"
                                    << "FIG11" << 1033 << "res/help/FIG11.gif";
        QTest::newRow("icon image") << "#3"
                                    << "#30001" << 0 << "res/app/tolmary_icon.dib";
        QTest::newRow("manifest") << "#24"
                                  << "#1" << 1033 << "res/app/tolmary.manifest";
    }
    void carriesFilesUnderTheirNames() {
        QFETCH(QString, type);
        QFETCH(QString, name);
        QFETCH(int, language);
        QFETCH(QString, source);
        const Resource* r = find(type, name, language);
        QVERIFY(r != nullptr);
        const QByteArray expected = asset_files::read(source);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(r->data, expected);
    }

    void iconGroupMatchesTheIconFile() {
        // The group's header and entry are the .ico file's, with the image's number in place of
        // its file offset.
        const Resource* group = find("#14", "#1", 0);
        QVERIFY(group != nullptr);
        QCOMPARE(group->data.size(), 20);
        QCOMPARE(group->data.left(18), asset_files::read("res/app/tolmary.ico").left(18));
        QCOMPARE(wordAt(group->data, 18), quint16(30001));
    }

    void versionResourceHoldsTheStrings() {
        const Resource* version = find("#16", "#1", 1033);
        QVERIFY(version != nullptr);
        // The fixed part: signature, then file and product version 1.0.0.0, no flags, OS 4,
        // type 1.
        const qsizetype fixed = version->data.indexOf(QByteArray("\xBD\x04\xEF\xFE", 4));
        QVERIFY(fixed > 0);
        const QList<quint32> fields{0x00010000u, 0u, 0x00010000u, 0u, 0x3Fu, 0u, 4u, 1u};
        for (qsizetype i = 0; i < fields.size(); ++i)
            QCOMPARE(longAt(version->data, fixed + 8 + 4 * i), fields[i]);
        for (const QString& text :
             {QStringLiteral("040904b0"), QStringLiteral("Uglaševanje kitare in prikaz akordov"),
              QStringLiteral("FileVersion"), QStringLiteral("ProductVersion"),
              QStringLiteral("1.00"), QStringLiteral("Translation")})
            QVERIFY2(version->data.contains(utf16(text)), qPrintable(text));
        QVERIFY(version->data.contains(QByteArray("\x09\x04\xB0\x04", 4)));  // 0x0409, 1200
    }
};

QTEST_GUILESS_MAIN(TestWindowsResources)
#include "test_windows_resources.moc"
