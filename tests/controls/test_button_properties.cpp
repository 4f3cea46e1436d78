// The button's properties: setters, a new instance, loading and saving through a property bag.

#include "controls/button_colors.h"
#include "controls/color_value.h"
#include "controls/property_bag.h"
#include "tests/controls/button_rig.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using testing::ButtonRig;

namespace {

QStringList changedNames(const QSignalSpy& spy) {
    QStringList names;
    for (const QList<QVariant>& call : spy)
        names.append(call.at(0).toString());
    return names;
}

// Every property but the pictures, as text that names what differs.
QStringList describe(const controls::XPButton& b) {
    const controls::FontDescription f = b.fontDescription();
    return {b.caption(),
            QString::number(b.foreColor(), 16),
            QStringLiteral("style %1").arg(b.colorStyle()),
            QStringLiteral("dots %1 enabled %2").arg(b.focusDottedRect()).arg(b.isXPEnabled()),
            QStringLiteral("%1 %2 %3 %4").arg(f.face).arg(f.pointSize).arg(f.weight).arg(f.charset),
            QStringLiteral("%1%2%3").arg(f.italic).arg(f.underline).arg(f.strikethrough),
            QStringLiteral("rounded %1").arg(b.roundedValue()),
            QStringLiteral("caption %1 icon %2").arg(b.captionAlignment()).arg(b.iconAlignment())};
}

// The defaults with the given caption and caption alignment, and the rig's ambient font.
QStringList defaults(const QString& caption, int captionAlignment) {
    return {caption,
            "0",
            "style 1",
            "dots 1 enabled 1",
            "DejaVu Sans 8.25 400 0",
            "000",
            "rounded 5",
            QStringLiteral("caption %1 icon 1").arg(captionAlignment)};
}

}  // namespace

class TestButtonProperties : public QObject {
    Q_OBJECT

private slots:
    void newInstanceTakesDisplayNameAndDefaults();
    void loadingLowerCaseKeysLeavesTheRestAtDefault();
    void notifiesElevenTimesInOrder_data();
    void notifiesElevenTimesInOrder();
    void savingDefaultsWritesOnlyCaptionAndLeavesHostEntries();
    void saveAndLoadRoundTrip();
    void settersPaintOnceWhenThePictureIsNeeded();
    void settingFontKeepsCharacterSet();
    void hoverPollRunsOnlyWhenRunning();
    void bagKeysMatchWithoutCase();
    void bagFromLayoutDescription();
    void bagFromJsonReportsBadMembers_data();
    void bagFromJsonReportsBadMembers();
    void systemColoursResolve();
};

void TestButtonProperties::newInstanceTakesDisplayNameAndDefaults() {
    ButtonRig rig;
    rig.button().initProperties();
    QCOMPARE(describe(rig.button()), defaults(QStringLiteral("cmdProbe"), 2));
    QVERIFY(rig.button().icon().isNull() && rig.button().iconMask().isNull());
}

void TestButtonProperties::loadingLowerCaseKeysLeavesTheRestAtDefault() {
    ButtonRig rig;
    // Start from other values so that the defaults have to be applied.
    rig.button().setColorStyle(3);
    rig.button().setRoundedValue(9);
    rig.button().setXPEnabled(false);
    rig.button().setIcon(testing::solidIcon(qRgb(1, 2, 3)));
    controls::PropertyBag bag;
    bag.set(QStringLiteral("caption"), QString::fromUtf8("     A-5"));
    bag.set(QStringLiteral("captionalignment"), 0);
    rig.button().readProperties(bag);
    QCOMPARE(describe(rig.button()), defaults(QString::fromUtf8("     A-5"), 0));
    QVERIFY(rig.button().icon().isNull());
    // Without a caption entry the caption is empty, not the display name.
    rig.button().initProperties();
    rig.button().readProperties(controls::PropertyBag());
    QCOMPARE(rig.button().caption(), QString());
}

void TestButtonProperties::notifiesElevenTimesInOrder_data() {
    QTest::addColumn<bool>("load");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("new instance") << false << QStringList{"Caption",          "ForeColor",
                                                          "ColorStyle",       "FocusDottedRect",
                                                          "Enabled",          "Icon",
                                                          "IconMask",         "RoundedValue",
                                                          "CaptionAlignment", "IconAlignment",
                                                          "FontType"};
    QTest::newRow("loading") << true << QStringList{"Caption",      "ForeColor",
                                                    "ColorStyle",   "FocusDottedRect",
                                                    "Enabled",      "FontType",
                                                    "Icon",         "IconMask",
                                                    "RoundedValue", "CaptionAlignment",
                                                    "IconAlignment"};
}

void TestButtonProperties::notifiesElevenTimesInOrder() {
    QFETCH(bool, load);
    QFETCH(QStringList, expected);
    ButtonRig rig;
    QSignalSpy spy(&rig.button(), &controls::XPButton::propertyChanged);
    load ? rig.button().readProperties(controls::PropertyBag()) : rig.button().initProperties();
    QCOMPARE(changedNames(spy), expected);
}

void TestButtonProperties::savingDefaultsWritesOnlyCaptionAndLeavesHostEntries() {
    ButtonRig rig;
    rig.button().initProperties();
    controls::PropertyBag bag;
    bag.set(QStringLiteral("_extentx"), 4683);
    bag.set(QStringLiteral("_extenty"), 873);
    bag.set(QStringLiteral("colorstyle"), 3);  // stale: the button is at its default now
    rig.button().writeProperties(bag);
    // The caption differs from its stored default (the display name against "").
    QCOMPARE(bag.keys(), (QStringList{"_extentx", "_extenty", "Caption"}));
    QCOMPARE(bag.value(QStringLiteral("_EXTENTX")).toInt(), 4683);
}

void TestButtonProperties::saveAndLoadRoundTrip() {
    ButtonRig first;
    controls::XPButton& a = first.button();
    a.readProperties(controls::PropertyBag());
    a.setCaption(QString::fromUtf8("Privzete nastavitve"));
    a.setForeColor(controls::systemColorValue(1));
    a.setColorStyle(2);
    a.setFocusDottedRect(false);
    a.setXPEnabled(false);
    a.setFontDescription({QStringLiteral("Verdana"), 8.25, 700, 238, true, false, true});
    a.setIcon(testing::solidIcon(qRgb(1, 2, 3)));
    a.setIconMask(testing::maskWithOpaqueRect(QRect(2, 2, 4, 4)));
    a.setRoundedValue(-3);
    a.setCaptionAlignment(1);
    a.setIconAlignment(2);
    controls::PropertyBag bag;
    a.writeProperties(bag);
    QCOMPARE(bag.size(), 11);

    ButtonRig second;
    controls::XPButton& b = second.button();
    b.readProperties(bag);
    QCOMPARE(describe(b), describe(a));
    QCOMPARE(b.icon(), a.icon());
    QCOMPARE(b.iconMask(), a.iconMask());
    QCOMPARE(second.picture(), first.picture());
}

void TestButtonProperties::settersPaintOnceWhenThePictureIsNeeded() {
    // Setters notify at once but leave the painting to whoever next shows or reads the
    // picture: loading all eleven properties paints nothing, reading the picture paints once.
    ButtonRig rig;
    controls::XPButton& b = rig.button();
    b.readProperties(controls::PropertyBag());
    QCOMPARE(b.paintCount(), 0);
    b.surface();
    b.surface();
    QCOMPARE(b.paintCount(), 1);
    // An unchanged value still notifies and repaints.
    QSignalSpy spy(&b, &controls::XPButton::propertyChanged);
    b.setCaption(b.caption());
    QCOMPARE(changedNames(spy), QStringList{QStringLiteral("Caption")});
    b.surface();
    QCOMPARE(b.paintCount(), 2);
    // The picture read after a change shows it, a new size included.
    b.setColorStyle(3);
    b.resize(120, 40);
    QCOMPARE(b.surface().size(), QSize(120, 40));
    COMPARE_RGB(b.surface().pixel(118, 20), controls::colorSchemes[2].normal.border, 0);
    QCOMPARE(b.paintCount(), 3);
    // So does a new palette, which holds the background and the system colours.
    QPalette palette = b.palette();
    palette.setColor(QPalette::Window, QColor(1, 2, 3));
    b.setPalette(palette);
    b.surface();
    QCOMPARE(b.paintCount(), 4);
}

void TestButtonProperties::settingFontKeepsCharacterSet() {
    ButtonRig rig;
    rig.button().setFontDescription({QStringLiteral("Verdana"), 8.25, 400, 238});
    QFont bigger(QStringLiteral("Verdana"));
    bigger.setPointSizeF(12);
    rig.button().setFontType(bigger);
    QCOMPARE(rig.button().fontDescription().charset, 238);
    QCOMPARE(rig.button().fontDescription().pointSize, 12.0);
}

void TestButtonProperties::hoverPollRunsOnlyWhenRunning() {
    // The pointer entering wakes the poll only once properties are loaded, and never in a
    // design environment.
    ButtonRig running;
    running.pointAt(QPoint(60, 15));
    QVERIFY(!running.button().isHoverPollActive());
    running.load();
    QVERIFY(running.button().isHoverPollActive());

    ButtonRig design;
    design.host().setRunning(false);
    design.button().initProperties();
    design.load();
    design.pointAt(QPoint(60, 15));
    QVERIFY(!design.button().isHoverPollActive());
    QCOMPARE(design.host().elapse(), 0);
}

void TestButtonProperties::bagKeysMatchWithoutCase() {
    controls::PropertyBag bag;
    bag.set(QStringLiteral("ForeColor"), 5);
    bag.set(QStringLiteral("FORECOLOR"), 6);
    QCOMPARE(bag.size(), 1);
    QCOMPARE(bag.read(QStringLiteral("forecolor"), 0).toInt(), 6);
    QCOMPARE(bag.read(QStringLiteral("missing"), 42).toInt(), 42);
    bag.write(QStringLiteral("forecolor"), 0, 0);
    QVERIFY(!bag.contains(QStringLiteral("ForeColor")));
    // A plain QFont entry loads too, as a western font.
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(9.75);
    bag.set(QStringLiteral("fonttype"), font);
    ButtonRig rig;
    rig.button().readProperties(bag);
    QCOMPARE(describe(rig.button())[4], QStringLiteral("Verdana 9.75 400 0"));
}

void TestButtonProperties::bagFromLayoutDescription() {
    QTemporaryDir dir;
    const QString iconPath = dir.filePath(QStringLiteral("icon.png"));
    QVERIFY(testing::solidIcon(qRgb(9, 99, 199)).save(iconPath));
    const QByteArray json = QString::fromUtf8(R"json({
        "caption": "     E-1 (Najtanjša struna)",
        "forecolor": 2147483649,
        "fonttype": {"name": "Verdana", "size": 8.25, "weight": 400, "charset": 238},
        "icon": {"picture": "%1"},
        "iconmask": {"picture": "%1"},
        "captionalignment": 0,
        "_extentx": 4683
})json")
                                .arg(iconPath)
                                .toUtf8();
    QString error = QStringLiteral("stale");
    const controls::PropertyBag bag =
        controls::PropertyBag::fromJson(QJsonDocument::fromJson(json).object(), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    ButtonRig rig;
    rig.button().readProperties(bag);
    QStringList expected = defaults(QString::fromUtf8("     E-1 (Najtanjša struna)"), 0);
    expected[1] = QStringLiteral("80000001");
    expected[4] = QStringLiteral("Verdana 8.25 400 238");
    QCOMPARE(describe(rig.button()), expected);
    QCOMPARE(rig.button().fontType().family(), QStringLiteral("Verdana"));
    QCOMPARE(rig.button().icon().size(), QSize(16, 16));
    COMPARE_RGB(rig.button().icon().pixel(3, 3), qRgb(9, 99, 199), 0);
    // The font entry also reads as a plain QFont for code that wants one.
    QCOMPARE(bag.value(QStringLiteral("FontType")).value<QFont>().family(),
             QStringLiteral("Verdana"));
}

void TestButtonProperties::bagFromJsonReportsBadMembers_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("member");
    QTest::newRow("missing picture")
        << QByteArray(R"({"icon": {"picture": ":/none.png"}})") << "icon";
    QTest::newRow("font without name") << QByteArray(R"({"fonttype": {"size": 8}})") << "fonttype";
    QTest::newRow("fraction") << QByteArray(R"({"colorstyle": 1.5})") << "colorstyle";
    QTest::newRow("too large") << QByteArray(R"({"forecolor": 4294967296})") << "forecolor";
    QTest::newRow("array") << QByteArray(R"({"caption": [1]})") << "caption";
}

void TestButtonProperties::bagFromJsonReportsBadMembers() {
    QFETCH(QByteArray, json);
    QFETCH(QString, member);
    QString error;
    const controls::PropertyBag bag =
        controls::PropertyBag::fromJson(QJsonDocument::fromJson(json).object(), &error);
    QVERIFY(error.startsWith(member));
    QVERIFY(!bag.contains(member));
}

void TestButtonProperties::systemColoursResolve() {
    QPalette palette;
    palette.setColor(QPalette::ButtonText, QColor(1, 2, 3));
    palette.setColor(QPalette::Highlight, QColor(4, 5, 6));
    QCOMPARE(controls::resolveColor(controls::systemColorValue(18), palette), QColor(1, 2, 3));
    QCOMPARE(controls::resolveColor(controls::systemColorValue(13), palette), QColor(4, 5, 6));
    QCOMPARE(controls::resolveColor(controls::rgbValue(10, 20, 30), palette), QColor(10, 20, 30));
    QCOMPARE(controls::resolveColor(controls::systemColorValue(200), palette), QColor(Qt::black));
    QCOMPARE(controls::resolveColor(0x40000005u, palette), QColor(Qt::black));
}

QTEST_MAIN(TestButtonProperties)
#include "test_button_properties.moc"
