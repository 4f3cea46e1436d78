// The button's properties: setters, a new instance, loading and saving through a property bag.

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
    for (const QList<QVariant>& call : spy) {
        names.append(call.at(0).toString());
    }
    return names;
}

const QStringList readOrder = {
    "Caption", "ForeColor", "ColorStyle",   "FocusDottedRect",  "Enabled",      "FontType",
    "Icon",    "IconMask",  "RoundedValue", "CaptionAlignment", "IconAlignment"};

}  // namespace

class TestButtonProperties : public QObject {
    Q_OBJECT

private slots:
    void newInstanceTakesDisplayNameAndDefaults();
    void newInstanceSetsPropertiesInOrder();
    void loadingLowerCaseKeysLeavesTheRestAtDefault();
    void loadingWithoutCaptionGivesEmptyCaption();
    void loadingNotifiesElevenTimesInTableOrder();
    void savingDefaultsWritesNoIntegerOrBooleanEntry();
    void savingLeavesHostEntriesAlone();
    void saveAndLoadRoundTrip();
    void outOfRangeValuesAreKept();
    void sameValueStillNotifiesAndRepaints();
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
    controls::XPButton& b = rig.button();
    QCOMPARE(b.caption(), QStringLiteral("cmdProbe"));
    QCOMPARE(b.captionAlignment(), 2);
    QCOMPARE(b.iconAlignment(), 1);
    QCOMPARE(b.foreColor(), 0u);
    QCOMPARE(b.colorStyle(), 1);
    QCOMPARE(b.roundedValue(), 5);
    QVERIFY(b.focusDottedRect());
    QVERIFY(b.isXPEnabled());
    QVERIFY(b.icon().isNull());
    QVERIFY(b.iconMask().isNull());
    QCOMPARE(b.fontType().family(), rig.host().ambientFont(b).family());
    // The caption shows, centred and black.
    const QImage picture = rig.picture();
    const QRect ink = testing::inkBounds(picture, QRect(3, 3, 170, 26));
    QVERIFY(!ink.isNull());
    QVERIFY(std::abs(ink.left() + ink.right() - 176) <= 3);
    int darkest = 255;
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        for (int x = ink.left(); x <= ink.right(); ++x) {
            darkest = std::min(darkest, qGray(picture.pixel(x, y)));
        }
    }
    QVERIFY2(darkest < 40, qPrintable(QString::number(darkest)));
}

void TestButtonProperties::newInstanceSetsPropertiesInOrder() {
    ButtonRig rig;
    QSignalSpy spy(&rig.button(), &controls::XPButton::propertyChanged);
    rig.button().initProperties();
    const QStringList expected = {
        "Caption",  "ForeColor",    "ColorStyle",       "FocusDottedRect", "Enabled", "Icon",
        "IconMask", "RoundedValue", "CaptionAlignment", "IconAlignment",   "FontType"};
    QCOMPARE(changedNames(spy), expected);
}

void TestButtonProperties::loadingLowerCaseKeysLeavesTheRestAtDefault() {
    ButtonRig rig;
    // Start from non-default values so that defaults have to be applied.
    rig.button().setColorStyle(3);
    rig.button().setRoundedValue(9);
    rig.button().setXPEnabled(false);
    controls::PropertyBag bag;
    bag.set(QStringLiteral("caption"), QString::fromUtf8("     A-5"));
    bag.set(QStringLiteral("captionalignment"), 0);
    rig.button().readProperties(bag);
    controls::XPButton& b = rig.button();
    QCOMPARE(b.caption(), QString::fromUtf8("     A-5"));
    QCOMPARE(b.captionAlignment(), 0);
    QCOMPARE(b.iconAlignment(), 1);
    QCOMPARE(b.foreColor(), 0u);
    QCOMPARE(b.colorStyle(), 1);
    QCOMPARE(b.roundedValue(), 5);
    QVERIFY(b.focusDottedRect());
    QVERIFY(b.isXPEnabled());
    QVERIFY(b.icon().isNull());
    QCOMPARE(b.fontDescription(), controls::FontDescription::fromQFont(rig.host().ambientFont(b)));
    const QRect ink = testing::inkBounds(rig.picture(), QRect(3, 3, 170, 26));
    QVERIFY(ink.left() > 5 * 2);  // the five spaces are drawn
}

void TestButtonProperties::loadingWithoutCaptionGivesEmptyCaption() {
    ButtonRig rig;
    rig.button().initProperties();
    rig.button().readProperties(controls::PropertyBag());
    QCOMPARE(rig.button().caption(), QString());
}

void TestButtonProperties::loadingNotifiesElevenTimesInTableOrder() {
    ButtonRig rig;
    QSignalSpy spy(&rig.button(), &controls::XPButton::propertyChanged);
    rig.button().readProperties(controls::PropertyBag());
    QCOMPARE(changedNames(spy), readOrder);
}

void TestButtonProperties::savingDefaultsWritesNoIntegerOrBooleanEntry() {
    ButtonRig rig;
    rig.button().initProperties();
    controls::PropertyBag bag;
    rig.button().writeProperties(bag);
    for (const char* key : {"ForeColor", "ColorStyle", "FocusDottedRect", "Enabled", "RoundedValue",
                            "CaptionAlignment", "IconAlignment"}) {
        QVERIFY2(!bag.contains(QString::fromLatin1(key)), key);
    }
    // Only the caption differs from its stored default (the display name against "").
    QCOMPARE(bag.keys(), QStringList{QStringLiteral("Caption")});
}

void TestButtonProperties::savingLeavesHostEntriesAlone() {
    ButtonRig rig;
    rig.button().readProperties(controls::PropertyBag());
    controls::PropertyBag bag;
    bag.set(QStringLiteral("_extentx"), 4683);
    bag.set(QStringLiteral("_extenty"), 873);
    bag.set(QStringLiteral("colorstyle"), 3);  // stale: the button is at its default now
    rig.button().writeProperties(bag);
    QCOMPARE(bag.keys(), (QStringList{QStringLiteral("_extentx"), QStringLiteral("_extenty")}));
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
    QCOMPARE(b.caption(), a.caption());
    QCOMPARE(b.foreColor(), 0x80000001u);
    QCOMPARE(b.colorStyle(), 2);
    QCOMPARE(b.focusDottedRect(), false);
    QCOMPARE(b.isXPEnabled(), false);
    QCOMPARE(b.fontDescription(), a.fontDescription());
    QCOMPARE(b.fontDescription().charset, 238);
    QCOMPARE(b.icon(), a.icon());
    QCOMPARE(b.iconMask(), a.iconMask());
    QCOMPARE(b.roundedValue(), -3);
    QCOMPARE(b.captionAlignment(), 1);
    QCOMPARE(b.iconAlignment(), 2);
    QCOMPARE(second.picture(), first.picture());
}

void TestButtonProperties::outOfRangeValuesAreKept() {
    ButtonRig rig;
    rig.button().readProperties(controls::PropertyBag());
    rig.button().setColorStyle(7);
    rig.button().setCaptionAlignment(-4);
    rig.button().setIconAlignment(99);
    rig.button().setRoundedValue(std::numeric_limits<int>::min());
    QCOMPARE(rig.button().colorStyle(), 7);
    QCOMPARE(rig.button().captionAlignment(), -4);
    QCOMPARE(rig.button().iconAlignment(), 99);
    QCOMPARE(rig.button().roundedValue(), std::numeric_limits<int>::min());
    rig.button().setColorStyle(1);
    QVERIFY(!rig.picture().isNull());  // an extreme rounding still paints
}

void TestButtonProperties::sameValueStillNotifiesAndRepaints() {
    ButtonRig rig;
    rig.button().readProperties(controls::PropertyBag());
    rig.button().setCaption(QStringLiteral("Enako"));
    QSignalSpy spy(&rig.button(), &controls::XPButton::propertyChanged);
    // A resize alone repaints nothing until the next paint; the setter repaints at once.
    rig.button().resize(120, 40);
    QCOMPARE(rig.button().surface().size(), QSize(177, 33));
    rig.button().setCaption(QStringLiteral("Enako"));
    QCOMPARE(changedNames(spy), QStringList{QStringLiteral("Caption")});
    QCOMPARE(rig.button().surface().size(), QSize(120, 40));
    COMPARE_RGB(rig.button().surface().pixel(118, 20), qRgb(0, 60, 116), 0);
}

void TestButtonProperties::settingFontKeepsCharacterSet() {
    ButtonRig rig;
    rig.button().setFontDescription({QStringLiteral("Verdana"), 8.25, 400, 238});
    QFont bigger(QStringLiteral("Verdana"));
    bigger.setPointSizeF(12);
    rig.button().setFontType(bigger);
    QCOMPARE(rig.button().fontDescription().charset, 238);
    QCOMPARE(rig.button().fontDescription().pointSize, 12.0);
    QCOMPARE(rig.button().fontType().pointSizeF(), 12.0);
}

void TestButtonProperties::hoverPollRunsOnlyWhenRunning() {
    ButtonRig running;
    QVERIFY(!running.button().isHoverPollActive());  // off until initialised or loaded
    running.button().readProperties(controls::PropertyBag());
    QVERIFY(running.button().isHoverPollActive());

    ButtonRig design;
    design.host().setRunning(false);
    design.button().initProperties();
    QVERIFY(!design.button().isHoverPollActive());
    design.button().readProperties(controls::PropertyBag());
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
    QCOMPARE(rig.button().fontDescription().face, QStringLiteral("Verdana"));
    QCOMPARE(rig.button().fontDescription().pointSize, 9.75);
    QCOMPARE(rig.button().fontDescription().charset, controls::westernCharset);
}

void TestButtonProperties::bagFromLayoutDescription() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
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
    controls::XPButton& b = rig.button();
    QCOMPARE(b.caption(), QString::fromUtf8("     E-1 (Najtanjša struna)"));
    QCOMPARE(b.foreColor(), 0x80000001u);
    QCOMPARE(b.fontDescription().face, QStringLiteral("Verdana"));
    QCOMPARE(b.fontDescription().pointSize, 8.25);
    QCOMPARE(b.fontDescription().charset, 238);
    QCOMPARE(b.fontType().family(), QStringLiteral("Verdana"));
    QCOMPARE(b.icon().size(), QSize(16, 16));
    COMPARE_RGB(b.icon().pixel(3, 3), qRgb(9, 99, 199), 0);
    QCOMPARE(b.captionAlignment(), 0);
    QCOMPARE(b.colorStyle(), 1);
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
