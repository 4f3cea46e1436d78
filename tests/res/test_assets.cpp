// The committed resources in their exact byte forms: the manifest, the help page and the version
// information, and the Windows resource script that carries them with the icon.
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

const QByteArray kBom("\xEF\xBB\xBF");

QStringList attributeNames(const QXmlStreamReader& xml) {
    QStringList names;
    for (const QXmlStreamAttribute& a : xml.attributes()) {
        names << a.name().toString();
    }
    return names;
}

// VALUE "Key", "Text" lines of the resource script's string table.
QHash<QString, QString> scriptStrings(const QString& script) {
    QHash<QString, QString> values;
    static const QRegularExpression value(
        QString::fromUtf8("VALUE\\s+\"(\\w+)\",\\s+\"([^\"]*)\""));
    for (auto it = value.globalMatch(script); it.hasNext();) {
        const auto m = it.next();
        values.insert(m.captured(1), m.captured(2));
    }
    return values;
}

}  // namespace

class TestAssets : public QObject {
    Q_OBJECT

private slots:
    void manifestIsOneLineWithBomAndTwoLineEnds() {
        const QByteArray bytes = asset_files::read(QStringLiteral("res/app/tolmary.manifest"));
        QCOMPARE(bytes.size(), 584);
        QVERIFY(bytes.startsWith(kBom));
        QVERIFY(bytes.endsWith("\r\n\r\n"));
        const QByteArray body = bytes.mid(kBom.size(), bytes.size() - kBom.size() - 4);
        QVERIFY(!body.contains('\r'));
        QVERIFY(!body.contains('\n'));
    }

    void manifestContentInDocumentOrder() {
        const QByteArray bytes = asset_files::read(QStringLiteral("res/app/tolmary.manifest"));
        QXmlStreamReader xml(bytes.mid(kBom.size()));
        QVERIFY(xml.readNext() == QXmlStreamReader::StartDocument);
        QCOMPARE(xml.documentVersion(), QStringLiteral("1.0"));
        QCOMPARE(xml.documentEncoding(), QStringLiteral("UTF-8"));
        QVERIFY(xml.isStandaloneDocument());

        QStringList elements;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            const QString name = xml.name().toString();
            elements << name;
            if (name == u"assembly") {
                QCOMPARE(xml.namespaceUri(), QStringLiteral("urn:schemas-microsoft-com:asm.v1"));
                QCOMPARE(xml.attributes().value("manifestVersion"), QStringLiteral("1.0"));
            } else if (name == u"assemblyIdentity" && !elements.contains(u"dependency")) {
                QCOMPARE(attributeNames(xml),
                         (QStringList{"version", "processorArchitecture", "name", "type"}));
                QCOMPARE(xml.attributes().value("version"), QStringLiteral("1.0.0.0"));
                QCOMPARE(xml.attributes().value("processorArchitecture"), QStringLiteral("X86"));
                QVERIFY(xml.attributes().value("name").contains(u'.'));
                QCOMPARE(xml.attributes().value("type"), QStringLiteral("win32"));
            } else if (name == u"assemblyIdentity") {
                QCOMPARE(attributeNames(xml),
                         (QStringList{"type", "name", "version", "processorArchitecture",
                                      "publicKeyToken", "language"}));
                const auto a = xml.attributes();
                QCOMPARE(a.value("name"), QStringLiteral("Microsoft.Windows.Common-Controls"));
                QCOMPARE(a.value("version"), QStringLiteral("6.0.0.0"));
                QCOMPARE(a.value("publicKeyToken"), QStringLiteral("6595b64144ccf1df"));
                QCOMPARE(a.value("language"), QStringLiteral("*"));
            } else if (name == u"description") {
                QCOMPARE(xml.readElementText(),
                         QStringLiteral("XP Styles Demonstration Using Resource Manifest"));
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(elements, (QStringList{"assembly", "assemblyIdentity", "description", "dependency",
                                        "dependentAssembly", "assemblyIdentity"}));
    }

    void helpPageBytes() {
        const QByteArray page = asset_files::read(QStringLiteral("res/help/HELP.HTML"));
        QCOMPARE(page.size(), 2856);
        QCOMPARE(page.count("\r\n"), 53);
        QCOMPARE(page.count('\n'), 53);
        QCOMPARE(page.count('\r'), 53);
        QVERIFY(page.endsWith("\r\n"));
        QByteArray high;
        for (const char c : page) {
            if (uchar(c) > 127) {
                high.append(c);
            }
        }
        QCOMPARE(high, QByteArray("\xA9\xAE"));
    }

    void helpPageStructure() {
        const auto page = tuner::loadHelpPage(asset_files::sourcePath("res/help/HELP.HTML"));
        QVERIFY(page.has_value());
        QVERIFY(page->contains(u"\u00AE is a simple"));  // the registered sign decoded
        QVERIFY(page->contains(
            QString::fromUtf8(R"(<meta http-equiv="Content-Language" content="en-us">)")));
        QVERIFY(page->contains(QString::fromUtf8(
            R"(<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">)")));
        QVERIFY(page->contains(QString::fromUtf8(R"(face="Verdana")")));
        QVERIFY(!page->contains(QRegularExpression(QStringLiteral("color=\"#(?!004891)"))));

        QTextDocument document;
        document.setHtml(*page);
        QCOMPARE(document.metaInformation(QTextDocument::DocumentTitle),
                 QStringLiteral("Tolmary - Help"));
        const QString text = document.toPlainText();
        // The headings and captions in their order on the page.
        qsizetype at = 0;
        for (const QString& piece :
             {QStringLiteral("Tolmary - Help"), QStringLiteral("Contents:"),
              QStringLiteral("What is Tolmary?"), QStringLiteral("Using Tolmary"),
              QStringLiteral("What is Tolmary?"), QStringLiteral("Tolmary\u00AE is a simple tool"),
              QStringLiteral("Using Tolmary."), QStringLiteral("Refer to figure 1.0"),
              QStringLiteral("Figure 1.0"), QStringLiteral("figure 1.1"),
              QStringLiteral("Figure 1.1"), QStringLiteral("(E-1)"), QStringLiteral("(E-6)")}) {
            const qsizetype found = text.indexOf(piece, at);
            QVERIFY2(found >= 0, qPrintable(piece));
            at = found + piece.size();
        }
        QVERIFY(page->contains(
            QString::fromUtf8(R"(<img border="0" src="Fig1.0.gif" width="473" height="114">)")));
        QVERIFY(page->contains(
            QString::fromUtf8(R"(<img border="0" src="Fig1.1.gif" width="473" height="269">)")));
    }

    void helpPageCountsMatchTheCatalogue() {
        const auto page = tuner::loadHelpPage(asset_files::sourcePath("res/help/HELP.HTML"));
        QVERIFY(page.has_value());
        QTextDocument document;
        document.setHtml(*page);
        const QString text = document.toPlainText().simplified();
        const QString expected = QStringLiteral(
                                     "You can choose between %1 different tunings and "
                                     "%2 different guitars.")
                                     .arg(tuner::tuningRows.size())
                                     .arg(tuner::soundRows.size());
        QVERIFY2(text.contains(expected), qPrintable(expected));
        QVERIFY(text.contains(QStringLiteral("36 different tunings and 7 different guitars")));
    }

    void decodesWindows1252HighCodes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray("Tolmary") << QStringLiteral("Tolmary");
        QTest::newRow("latin-1 signs") << QByteArray("\xA9\xAE\xE8") << QStringLiteral("©®è");
        QTest::newRow("euro and quotes") << QByteArray("\x80\x93\x94") << QStringLiteral("€“”");
        QTest::newRow("caron letters") << QByteArray("\x8A\x9A\x8E\x9E") << QStringLiteral("ŠšŽž");
        QTest::newRow("undefined code") << QByteArray("\x81") << QStringLiteral("\uFFFD");
    }
    void decodesWindows1252HighCodes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(tuner::decodeWindows1252(bytes), text);
    }

    void versionResourceReadsOneHundred() {
        const tuner::VersionInfo info = tuner::VersionInfo::load();
        QCOMPARE(info.fileVersion(), QStringLiteral("1.00"));
        QCOMPARE(info.productVersion(), QStringLiteral("1.00"));
        QCOMPARE(info.field("FixedFileVersion"), QStringLiteral("1.0.0.0"));
        QCOMPARE(info.field("FixedProductVersion"), QStringLiteral("1.0.0.0"));
        QCOMPARE(info.fileDescription(), QStringLiteral("Uglaševanje kitare in prikaz akordov"));
        for (const char* key : {"CompanyName", "InternalName", "LegalCopyright", "LegalTrademarks",
                                "OriginalFilename", "ProductName"}) {
            QVERIFY2(!info.field(key).isEmpty(), key);
        }
    }

    void scriptCarriesTheSameVersion() {
        const QString script =
            QString::fromUtf8(asset_files::read(QStringLiteral("res/app/tolmary.rc")));
        const tuner::VersionInfo info = tuner::VersionInfo::load();
        const auto strings = scriptStrings(script);
        QCOMPARE(strings.size(), 9);
        for (auto it = strings.cbegin(); it != strings.cend(); ++it) {
            QCOMPARE(it.value(), info.field(it.key()));
        }
        QVERIFY(
            script.contains(QRegularExpression(QString::fromUtf8(R"(FILEVERSION\s+1, 0, 0, 0)"))));
        QVERIFY(script.contains(
            QRegularExpression(QString::fromUtf8(R"(PRODUCTVERSION\s+1, 0, 0, 0)"))));
    }

    void iconIsOneImageOf32By32AtFourBits() {
        QFile file(QStringLiteral(":/app/tolmary.ico"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ico = file.readAll();
        const auto word = [&ico](int at) {
            return qFromLittleEndian<quint16>(ico.constData() + at);
        };
        const auto dword = [&ico](int at) {
            return qFromLittleEndian<quint32>(ico.constData() + at);
        };
        QCOMPARE(word(4), quint16(1));  // one image
        QCOMPARE(uchar(ico[6]), uchar(32));
        QCOMPARE(uchar(ico[7]), uchar(32));
        QCOMPARE(word(12), quint16(4));
        QCOMPARE(dword(14), 744u);
        const int image = int(dword(18));
        QCOMPARE(ico.size(), image + 744);
        QCOMPARE(dword(image), 40u);
        QCOMPARE(dword(image + 4), 32u);
        QCOMPARE(dword(image + 8), 64u);  // colour rows and mask rows
        QCOMPARE(word(image + 14), quint16(4));
        const QImage picture(QStringLiteral(":/app/tolmary.ico"));
        QCOMPARE(picture.size(), QSize(32, 32));
        QVERIFY(picture.hasAlphaChannel());
    }

    void iconIsTheTunerWindowsPicture() {
        const QImage program =
            QImage(QStringLiteral(":/app/tolmary.ico")).convertToFormat(QImage::Format_ARGB32);
        const QImage window =
            QImage(QStringLiteral(":/tuner/frm_main.ico")).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(window.size(), QSize(32, 32));
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QRgb a = program.pixel(x, y);
                const QRgb b = window.pixel(x, y);
                // Transparent pixels may differ in their hidden colour.
                QVERIFY2(qAlpha(a) == qAlpha(b) && (qAlpha(a) == 0 || a == b),
                         qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        }
    }

    void versionParserSkipsCommentsAndJunk() {
        const auto info = tuner::VersionInfo::parse(
            "; comment=not a field\r\nFileVersion = 1.00 \r\n=orphan\r\nno equals\r\nA=b=c\n");
        QCOMPARE(info.fields().size(), 2);
        QCOMPARE(info.fileVersion(), QStringLiteral("1.00"));
        QCOMPARE(info.field("A"), QStringLiteral("b=c"));
        QVERIFY(tuner::VersionInfo::load(QStringLiteral(":/no/such/file")).isEmpty());
    }
};

QTEST_MAIN(TestAssets)
#include "test_assets.moc"
