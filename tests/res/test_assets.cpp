// The committed resources in their exact byte forms: the manifest, the help page, the icon and
// the version information, and the resource script that carries the same version.
#include <QRegularExpression>
#include <QTextDocument>
#include <QXmlStreamReader>
#include <QtEndian>
#include <QtTest>

#include "tests/res/asset_files.h"
#include "tuner/catalogue.h"
#include "tuner/help_page.h"
#include "tuner/version_info.h"

namespace {

const QByteArray bom("\xEF\xBB\xBF");

// Each start element with its attributes in document order: "name a=v b=w".
QStringList elementsWithAttributes(QXmlStreamReader& xml) {
    QStringList elements;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            QString element = xml.name().toString();
            for (const QXmlStreamAttribute& a : xml.attributes())
                element += u' ' + a.name().toString() + u'=' + a.value().toString();
            elements << element;
        }
    }
    return elements;
}

// An icon's pixels with the hidden colour of transparent ones cleared.
QImage visiblePixels(const QString& path) {
    QImage picture = QImage(path).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(picture.pixel(x, y)) == 0)
                picture.setPixel(x, y, 0);
    }
    return picture;
}

}  // namespace

class TestAssets : public QObject {
    Q_OBJECT

private slots:
    void manifestIsOneLineWithBomAndTwoLineEnds() {
        const QByteArray bytes = asset_files::read(QStringLiteral("res/app/tolmary.manifest"));
        QCOMPARE(bytes.size(), 584);
        QVERIFY(bytes.startsWith(bom));
        QVERIFY(bytes.endsWith("\r\n\r\n"));
        const QByteArray body = bytes.mid(bom.size(), bytes.size() - bom.size() - 4);
        QVERIFY(!body.contains('\r') && !body.contains('\n'));

        QXmlStreamReader xml(bytes.mid(bom.size()));
        QVERIFY(xml.readNext() == QXmlStreamReader::StartDocument);
        QCOMPARE(xml.documentVersion(), QStringLiteral("1.0"));
        QCOMPARE(xml.documentEncoding(), QStringLiteral("UTF-8"));
        QVERIFY(xml.isStandaloneDocument());
        QCOMPARE(elementsWithAttributes(xml),
                 (QStringList{"assembly manifestVersion=1.0",
                              "assemblyIdentity version=1.0.0.0 processorArchitecture=X86 "
                              "name=Tolmary.Guitar.ReferenceTuner.ChordChart.Tolmary type=win32",
                              "description", "dependency", "dependentAssembly",
                              "assemblyIdentity type=win32 name=Microsoft.Windows.Common-Controls "
                              "version=6.0.0.0 processorArchitecture=X86 "
                              "publicKeyToken=6595b64144ccf1df language=*"}));
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(bytes.contains("<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\""));
        QVERIFY(bytes.contains(
            "<description>XP Styles Demonstration Using Resource Manifest</description>"));
    }

    void helpPageBytes() {
        const QByteArray page = asset_files::read(QStringLiteral("res/help/HELP.HTML"));
        QCOMPARE(page.size(), 3391);
        QCOMPARE(page.count("\r\n"), 59);
        QCOMPARE(page.count('\n'), 59);
        QCOMPARE(page.count('\r'), 59);
        QVERIFY(page.endsWith("\r\n"));
        QByteArray high;
        for (const char c : page)
            if (uchar(c) > 127)
                high.append(c);
        QCOMPARE(high, QByteArray("\xA9\xAE\xE8"));
    }

    void helpPageStructureAndCounts() {
        const auto page = tuner::loadHelpPage(asset_files::sourcePath("res/help/HELP.HTML"));
        QVERIFY(page.has_value());
        for (const char* markup :
             {R"(<meta http-equiv="Content-Language" content="en-us">)",
              R"(<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">)",
              R"(face="Verdana")", "\u00AE is a simple",  // the registered sign decoded
              R"(<img border="0" src="Fig1.0.gif" width="473" height="114">)",
              R"(<img border="0" src="Fig1.1.gif" width="473" height="269">)"})
            QVERIFY2(page->contains(QString::fromUtf8(markup)), markup);
        QVERIFY(!page->contains(QRegularExpression(QStringLiteral("color=\"#(?!004891)"))));

        QTextDocument document;
        document.setHtml(*page);
        QCOMPARE(document.metaInformation(QTextDocument::DocumentTitle),
                 QStringLiteral("Tolmary - Help"));
        const QString text = document.toPlainText().simplified();
        // The headings and captions in their order on the page.
        qsizetype at = 0;
        for (const QString& piece :
             QStringLiteral("Tolmary - Help|Contents:|What is Tolmary?|Using Tolmary|"
                            "What is Tolmary?|Tolmary\u00AE is a simple tool|Using Tolmary.|"
                            "Refer to figure 1.0|Figure 1.0|figure 1.1|Figure 1.1|(E-1)|(E-6)")
                 .split(u'|')) {
            const qsizetype found = text.indexOf(piece, at);
            QVERIFY2(found >= 0, qPrintable(piece));
            at = found + piece.size();
        }
        QVERIFY(text.contains(QStringLiteral("36 different tunings and 7 different guitars")));
        const QString counts = QStringLiteral("%1 different tunings and %2 different guitars")
                                   .arg(tuner::tuningRows.size())
                                   .arg(tuner::soundRows.size());
        QVERIFY2(text.contains(counts), qPrintable(counts));
    }

    void decodesWindows1252HighCodes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("latin-1 signs") << QByteArray("\xA9\xAE\xE8") << QStringLiteral("©®è");
        QTest::newRow("0x80 to 0x9F") << QByteArray("\x80\x8A\x93\x9E") << QStringLiteral("€Š“ž");
        QTest::newRow("undefined code") << QByteArray("\x81") << QStringLiteral("\uFFFD");
    }
    void decodesWindows1252HighCodes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(tuner::decodeWindows1252(bytes), text);
    }

    void versionReadsOneHundredInTheProgramAndTheScript() {
        const tuner::VersionInfo info = tuner::VersionInfo::load();
        QCOMPARE(info.fileVersion(), QStringLiteral("1.00"));
        QCOMPARE(info.productVersion(), QStringLiteral("1.00"));
        QCOMPARE(info.field("FixedFileVersion"), QStringLiteral("1.0.0.0"));
        QCOMPARE(info.field("FixedProductVersion"), QStringLiteral("1.0.0.0"));
        QCOMPARE(info.fileDescription(), QStringLiteral("Uglaševanje kitare in prikaz akordov"));

        // The script's VALUE "Key", "Text" lines: the nine strings, each as the program has it.
        const QString script = QString::fromUtf8(asset_files::read("res/app/tolmary.rc"));
        static const QRegularExpression value(
            QStringLiteral("VALUE\\s+\"(\\w+)\",\\s+\"([^\"]*)\""));
        int strings = 0;
        for (auto it = value.globalMatch(script); it.hasNext(); ++strings) {
            const auto m = it.next();
            QVERIFY2(!m.captured(2).isEmpty(), qPrintable(m.captured(1)));
            QCOMPARE(m.captured(2), info.field(m.captured(1)));
        }
        QCOMPARE(strings, 9);
        for (const char* line : {R"(FILEVERSION\s+1, 0, 0, 0)", R"(PRODUCTVERSION\s+1, 0, 0, 0)"})
            QVERIFY2(script.contains(QRegularExpression(QString::fromLatin1(line))), line);
    }

    void versionParserSkipsCommentsAndJunk() {
        const auto info = tuner::VersionInfo::parse(
            "; comment=not a field\r\nFileVersion = 1.00 \r\n=orphan\r\nno equals\r\nA=b=c\n");
        QCOMPARE(info.fields().size(), 2);
        QCOMPARE(info.fileVersion(), QStringLiteral("1.00"));
        QCOMPARE(info.field("A"), QStringLiteral("b=c"));
        QVERIFY(tuner::VersionInfo::load(QStringLiteral(":/no/such/file")).isEmpty());
    }

    void iconIsTheTunerWindowsPictureAt32By32FourBits() {
        const QByteArray ico = asset_files::readPath(QStringLiteral(":/app/tolmary.ico"));
        QVERIFY(ico.size() >= 22);  // a directory with one entry, read below
        const auto word = [&ico](int at) { return qFromLittleEndian<quint16>(ico.data() + at); };
        const auto dword = [&ico](int at) { return qFromLittleEndian<quint32>(ico.data() + at); };
        QCOMPARE(word(4), quint16(1));                    // one image
        QCOMPARE(word(12), quint16(4));                   // 4 bits in the directory
        QCOMPARE(dword(14), 744u);                        // 32 x 32 with mask
        QCOMPARE(word(int(dword(18)) + 14), quint16(4));  // and in the image's header

        const QImage program = visiblePixels(QStringLiteral(":/app/tolmary.ico"));
        QCOMPARE(program.size(), QSize(32, 32));
        QVERIFY(program.pixel(0, 0) == 0);  // transparent corner
        QCOMPARE(program, visiblePixels(QStringLiteral(":/tuner/frm_main.ico")));
    }
};

QTEST_MAIN(TestAssets)
#include "test_assets.moc"
