#pragma once
// A control instance's stored properties: named, typed entries whose keys match without regard
// to letter case. Values are QVariants: integers, Booleans, strings, fonts (FontDescription,
// which also answers value<QFont>(), or a plain QFont) and pictures (QImage). Entries keep the
// order and spelling in which they were first stored.
//
// Layout data can describe a bag as a JSON object (fromJson), one member per entry:
//   true / false                      -> Boolean
//   a whole number                    -> 32-bit integer; values above 0x7FFFFFFF wrap, so
//                                        2147483649 is the system colour 0x80000001
//   a string                          -> string; "0x..." strings read as integers too
//   {"name": "Verdana", "size": 8.25, -> font; "weight" (default 400), "charset" (default 0),
//    "weight": 400, "charset": 238}      "italic", "underline", "strikethrough" (default false)
//   {"picture": ":/area/file.png"}    -> picture, loaded from that path (a Qt resource or file)
// Example: {"caption": "     E-1", "captionalignment": 0, "forecolor": 2147483649,
//           "fonttype": {"name": "Verdana", "size": 8.25, "charset": 238},
//           "icon": {"picture": ":/tuner/e1.png"}, "iconmask": {"picture": ":/tuner/e1m.png"}}

#include <QImage>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>

namespace controls {

class PropertyBag {
public:
    PropertyBag();

    bool contains(const QString& key) const;
    // The stored value, or an invalid QVariant.
    QVariant value(const QString& key) const;
    // The stored value, or `defaultValue` when the key is missing.
    QVariant read(const QString& key, const QVariant& defaultValue) const;
    // Stores the value unless it equals `defaultValue`; then any stored entry of that key is
    // removed, since a missing entry reads as its default.
    void write(const QString& key, const QVariant& value, const QVariant& defaultValue);
    // Stores the value unconditionally.
    void set(const QString& key, const QVariant& value);
    void remove(const QString& key);
    QStringList keys() const;
    int size() const { return int(entries_.size()); }

    // Builds a bag from layout data (format above). On a member it cannot read (an unknown
    // shape, a picture that does not load) it returns the entries read so far and, when `error`
    // is given, a message naming the member.
    static PropertyBag fromJson(const QJsonObject& object, QString* error = nullptr);

private:
    int indexOf(const QString& key) const;

    QList<std::pair<QString, QVariant>> entries_;
};

// Conversions used when reading entries back into typed properties.
qint32 toInt32(const QVariant& value, qint32 fallback);
QImage toPicture(const QVariant& value);

}  // namespace controls
