#include "controls/property_bag.h"

#include "controls/font_description.h"
#include "controls/picture_file.h"

#include <QJsonValue>
#include <cmath>
#include <limits>
#include <optional>

namespace controls {
namespace {

// Whole numbers in JSON arrive as doubles; 32-bit colour values above INT32_MAX wrap around.
std::optional<qint32> wholeNumber(double number) {
    if (!std::isfinite(number) || std::floor(number) != number ||
        number < double(std::numeric_limits<qint32>::min()) ||
        number > double(std::numeric_limits<quint32>::max()))
        return std::nullopt;
    return qint32(quint32(qint64(number)));
}

std::optional<FontDescription> fontFromJson(const QJsonObject& object) {
    const QString face = object.value(u"name").toString();
    if (face.isEmpty())
        return std::nullopt;
    FontDescription font;
    font.face = face;
    font.pointSize = object.value(u"size").toDouble(font.pointSize);
    font.weight = object.value(u"weight").toInt(font.weight);
    font.charset = object.value(u"charset").toInt(font.charset);
    font.italic = object.value(u"italic").toBool(false);
    font.underline = object.value(u"underline").toBool(false);
    font.strikethrough = object.value(u"strikethrough").toBool(false);
    return font;
}

}  // namespace

PropertyBag::PropertyBag() {
    registerFontDescriptionType();
}

int PropertyBag::indexOf(const QString& key) const {
    for (int i = 0; i < entries_.size(); ++i)
        if (entries_[i].first.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool PropertyBag::contains(const QString& key) const {
    return indexOf(key) >= 0;
}

QVariant PropertyBag::value(const QString& key) const {
    return read(key, QVariant());
}

QVariant PropertyBag::read(const QString& key, const QVariant& defaultValue) const {
    const int i = indexOf(key);
    return i >= 0 ? entries_[i].second : defaultValue;
}

void PropertyBag::write(const QString& key, const QVariant& value, const QVariant& defaultValue) {
    if (value == defaultValue)
        remove(key);
    else
        set(key, value);
}

void PropertyBag::set(const QString& key, const QVariant& value) {
    const int i = indexOf(key);
    if (i >= 0)
        entries_[i].second = value;
    else
        entries_.append({key, value});
}

void PropertyBag::remove(const QString& key) {
    const int i = indexOf(key);
    if (i >= 0)
        entries_.removeAt(i);
}

QStringList PropertyBag::keys() const {
    QStringList result;
    for (const auto& entry : entries_)
        result.append(entry.first);
    return result;
}

PropertyBag PropertyBag::fromJson(const QJsonObject& object, QString* error) {
    PropertyBag bag;
    auto fail = [&](const QString& key, const QString& why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(key, why);
        return bag;
    };
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        if (value.isBool()) {
            bag.set(key, value.toBool());
        } else if (value.isDouble()) {
            const auto number = wholeNumber(value.toDouble());
            if (!number)
                return fail(key, QStringLiteral("not a 32-bit whole number"));
            bag.set(key, *number);
        } else if (value.isString()) {
            bag.set(key, value.toString());
        } else if (value.isObject() && value.toObject().contains(u"picture")) {
            const QString path = value.toObject().value(u"picture").toString();
            const QImage picture = readPicture(path);
            if (picture.isNull())
                return fail(key, QStringLiteral("cannot load picture \"%1\"").arg(path));
            bag.set(key, picture);
        } else if (value.isObject()) {
            const auto font = fontFromJson(value.toObject());
            if (!font)
                return fail(key, QStringLiteral("a font needs a \"name\""));
            bag.set(key, QVariant::fromValue(*font));
        } else {
            return fail(key, QStringLiteral("unsupported value"));
        }
    }
    if (error)
        error->clear();
    return bag;
}

qint32 toInt32(const QVariant& value, qint32 fallback) {
    bool ok = false;
    qint64 number = 0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        number = text.startsWith(u"0x", Qt::CaseInsensitive) ? text.mid(2).toLongLong(&ok, 16)
                                                             : text.toLongLong(&ok, 10);
    } else {
        number = value.toLongLong(&ok);
    }
    return ok ? qint32(quint32(number)) : fallback;
}

QImage toPicture(const QVariant& value) {
    if (value.canConvert<QImage>())
        return value.value<QImage>();
    return QImage();
}

}  // namespace controls
