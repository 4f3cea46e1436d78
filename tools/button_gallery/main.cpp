// Renders the button in its three schemes and every look and variant.
// Usage: button_gallery [out.png]       one sheet for a reviewer to look at
//        button_gallery --goldens DIR   one PNG per scheme and case, the golden images the
//                                       painting test compares against (DIR's other PNGs go)

#include "tools/button_gallery/button_looks.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTextStream>

namespace {

using button_looks::Case;

constexpr int cellWidth = 190;
constexpr int cellHeight = 48;
constexpr int labelWidth = 70;
constexpr int headerHeight = 20;
constexpr int schemeCount = int(button_looks::schemeNames.size());

int fail(const QString& message) {
    QTextStream(stderr) << message << '\n';
    return 1;
}

// Looks in columns, one row per scheme; then the variants, one row per scheme again.
QImage renderSheet() {
    const std::vector<Case>& looks = button_looks::looks();
    const std::vector<Case>& variants = button_looks::variants();
    const int columns = int(std::max(looks.size(), variants.size()));
    QImage sheet(labelWidth + columns * cellWidth, headerHeight + 2 * schemeCount * cellHeight,
                 QImage::Format_RGB32);
    sheet.fill(button_looks::windowColor);
    QPainter painter(&sheet);
    QFont labelFont = painter.font();
    labelFont.setPixelSize(11);
    painter.setFont(labelFont);
    const auto drawRow = [&](const std::vector<Case>& cases, int top, int style) {
        painter.drawText(QRect(4, top, labelWidth, cellHeight), Qt::AlignVCenter,
                         QString::fromLatin1(button_looks::schemeNames[std::size_t(style - 1)]));
        for (std::size_t c = 0; c < cases.size(); ++c) {
            const int left = labelWidth + int(c) * cellWidth;
            painter.drawImage(left + 4, top + 4, button_looks::renderButton(style, cases[c]));
            if (style == button_looks::firstScheme)
                painter.drawText(QRect(left, top - 14, cellWidth, 14), Qt::AlignCenter,
                                 QString::fromLatin1(cases[c].name));
        }
    };
    for (int s = 0; s < schemeCount; ++s) {
        drawRow(looks, headerHeight + s * cellHeight, button_looks::firstScheme + s);
        drawRow(variants, headerHeight + (schemeCount + s) * cellHeight,
                button_looks::firstScheme + s);
    }
    return sheet;
}

int writeGoldens(const QString& folder) {
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        return fail(QStringLiteral("cannot make ") + folder);
    // Start from an empty folder so that a renamed case leaves no stale picture behind.
    for (const QString& old : dir.entryList({QStringLiteral("*.png")}, QDir::Files))
        dir.remove(old);
    int written = 0;
    for (int s = 0; s < schemeCount; ++s) {
        const int style = button_looks::firstScheme + s;
        for (const auto* cases : {&button_looks::looks(), &button_looks::variants()}) {
            for (const Case& look : *cases) {
                const QString path = dir.filePath(button_looks::goldenFileName(style, look));
                if (!button_looks::renderButton(style, look).save(path))
                    return fail(QStringLiteral("cannot write ") + path);
                ++written;
            }
        }
    }
    QTextStream(stdout) << written << " golden images in " << dir.absolutePath() << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QStringLiteral("--goldens")) {
        if (args.size() != 2)
            return fail(QStringLiteral("usage: button_gallery --goldens DIR"));
        return writeGoldens(args[1]);
    }
    const QString output = args.value(0, QStringLiteral(TOLMARY_GALLERY_OUTPUT));
    if (!renderSheet().save(output))
        return fail(QStringLiteral("cannot write ") + output);
    QTextStream(stdout) << output << '\n';
    return 0;
}
