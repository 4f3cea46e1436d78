#include "tools/help_figures/figure_shots.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>

#include "controls/xp_button.h"
#include "tools/help_figures/english_captions.h"
#include "tools/help_figures/silent_host.h"
#include "tuner/catalogue.h"
#include "tuner/frm_main.h"

namespace help_figures {
namespace {

using tuner::toQString;

void translate(tuner::frmMain& window) {
    for (size_t i = 0; i < window.lblDisplay().size(); ++i)
        window.lblDisplay()[i]->setText(toQString(english::labels[i]));
    window.cmdDefaults()->setCaption(toQString(english::defaults));
    window.cmdListen()->setCaption(toQString(english::listen));
    for (size_t i = 0; i < window.cmdNote().size(); ++i)
        window.cmdNote()[i]->setCaption(toQString(english::strings[i]));
    window.Command1()->setText(toQString(english::commands[0]));
    window.Command2()->setText(toQString(english::commands[1]));
    window.Command3()->setText(toQString(english::commands[2]));
    // Only the shown entry matters in a still picture.
    for (auto [list, entry] : {std::pair{window.cmbInst(), english::instrument},
                               std::pair{window.cmbTune(), english::tuning}}) {
        const QSignalBlocker quiet(list);
        list->clear();
        list->addItem(toQString(entry));
    }
}

}  // namespace

QImage renderTunerWindow(Language language, bool withCommandButtons) {
    SilentHost host;
    tuner::frmMain window(host);
    if (language == Language::english)
        translate(window);
    for (QPushButton* button : {window.Command1(), window.Command2(), window.Command3()})
        button->setVisible(withCommandButtons);
    // The focus frame would mark whichever control happens to have the focus.
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    window.clearFocus();
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
    QApplication::processEvents();
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage figureChoices(const QImage& window) {
    QImage figure = window.copy(QRect(QPoint(0, 0), figureChoicesSize));
    QPainter painter(&figure);
    // Below the separator line only the top edge of the first string button would show.
    constexpr int belowSeparator = 90;
    painter.fillRect(QRect(0, belowSeparator, figure.width(), figure.height()),
                     QColor(window.pixel(0, belowSeparator)));
    // The instrument list sits at 128, 8, 185 x 21; the ring leaves it a few pixels of room.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 0, 0), 2));
    painter.drawEllipse(QRectF(118, 1, 205, 35));
    return figure;
}

QImage figureStrings(const QImage& windowWithoutCommands) {
    // The rows from just above the first string button down past the last one, then the
    // status bar along the window's bottom edge.
    constexpr int top = 96;
    constexpr int statusHeight = 5;
    const int bodyHeight = figureStringsSize.height() - statusHeight;
    QImage figure(figureStringsSize, QImage::Format_RGB32);
    QPainter painter(&figure);
    painter.drawImage(QPoint(0, 0), windowWithoutCommands,
                      QRect(0, top, figureStringsSize.width(), bodyHeight));
    painter.drawImage(QPoint(0, bodyHeight), windowWithoutCommands,
                      QRect(0, windowWithoutCommands.height() - statusHeight,
                            figureStringsSize.width(), statusHeight));
    return figure;
}

}  // namespace help_figures
