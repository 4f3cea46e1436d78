#include "tools/neck_image/neck_views.h"

#include <QCheckBox>
#include <QPushButton>

#include "chords/chord_window.h"

namespace neck_image {

QString goldenName(const NeckView& view) {
    return QStringLiteral("neck-%1-%2.png")
        .arg(QLatin1String(view.chord.data(), static_cast<qsizetype>(view.chord.size())),
             view.hand == chords::Hand::left ? QStringLiteral("left") : QStringLiteral("right"));
}

QImage renderNeckView(const NeckView& view) {
    // Without a host the window neither sounds nor remembers the view.
    chords::frmPrijemi window({});
    const QString chord =
        QLatin1String(view.chord.data(), static_cast<qsizetype>(view.chord.size()));
    if (auto* button = window.findChild<QPushButton*>(chord))
        button->click();
    if (view.hand == chords::Hand::left)
        window.findChild<QCheckBox*>(QStringLiteral("chkLevicar"))->click();
    return window.grab(QRect(0, 0, chords::neckWidth, chords::neckHeight))
        .toImage()
        .convertToFormat(QImage::Format_RGB888);
}

}  // namespace neck_image
