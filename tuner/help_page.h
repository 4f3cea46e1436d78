#pragma once
// The English help page and its two figures, carried as the resources ":/help/HELP.HTML" (HTML in
// Windows-1252), ":/help/FIG10" and ":/help/FIG11" (GIF). The page names its figures
// "Fig1.0.gif" and "Fig1.1.gif"; figureResource() maps those names to the resources. Only the
// about window reads them, and it copes with their absence.

#include <QByteArrayView>
#include <QString>
#include <array>
#include <optional>
#include <string_view>

namespace tuner {

inline constexpr auto helpPageResource = ":/help/HELP.HTML";

struct HelpFigure {
    std::string_view pageName;      // as the page's <img src> names it
    std::string_view resourcePath;  // where the program carries it
};

inline constexpr std::array<HelpFigure, 2> helpFigures{{
    {"Fig1.0.gif", ":/help/FIG10"},
    {"Fig1.1.gif", ":/help/FIG11"},
}};

// Windows-1252 to Unicode: Latin-1 except for the printable characters at 0x80 to 0x9F; the five
// undefined codes there become U+FFFD.
QString decodeWindows1252(QByteArrayView bytes);

// The page's text, or nothing when the resource is not in the program.
std::optional<QString> loadHelpPage(const QString& path = QString::fromLatin1(helpPageResource));

// The resource path of a figure the page names, compared without regard to letter case; empty
// for any other name.
QString figureResource(const QString& pageName);

}  // namespace tuner
