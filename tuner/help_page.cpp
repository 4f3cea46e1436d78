#include "tuner/help_page.h"

#include <QFile>

namespace tuner {
namespace {

// Unicode of the bytes 0x80 to 0x9F in Windows-1252.
constexpr std::array<char16_t, 32> highControls{
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

}  // namespace

QString decodeWindows1252(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte < 0xA0)
            text.append(QChar(highControls[byte - 0x80]));
        else
            text.append(QChar(byte));
    }
    return text;
}

std::optional<QString> loadHelpPage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return decodeWindows1252(file.readAll());
}

QString figureResource(const QString& pageName) {
    for (const HelpFigure& figure : helpFigures) {
        const QString name = QString::fromLatin1(figure.pageName);
        if (pageName.compare(name, Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(figure.resourcePath);
    }
    return {};
}

}  // namespace tuner
