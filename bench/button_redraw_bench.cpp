// How long the button takes to repaint itself in its common looks and to run one hover check.

#include "controls/scripted_button_host.h"
#include "controls/xp_button.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

namespace {

constexpr int rounds = 2000;

template <typename Step>
double microsecondsPer(Step step) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < rounds; ++i) {
        step(i);
    }
    return double(clock.nsecsElapsed()) / 1000.0 / rounds;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    controls::ScriptedButtonHost host;
    QWidget window;
    auto* button = new controls::XPButton(&window, &host);
    button->setGeometry(10, 10, 177, 33);
    button->readProperties(controls::PropertyBag());
    button->setCaptionAlignment(0);
    button->setCaption(QString::fromUtf8("     E-1 (Najtanjša struna)"));
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(qRgb(200, 60, 20));
    QImage mask(16, 16, QImage::Format_RGB32);
    mask.fill(Qt::black);
    button->setIcon(icon);
    button->setIconMask(mask);

    QTextStream out(stdout);
    out << "button 177x33, " << rounds << " rounds each\n";
    out << "  redraw, normal look:   " << microsecondsPer([&](int) { button->redraw(); })
        << " us\n";
    button->setXPEnabled(false);
    out << "  redraw, disabled look: " << microsecondsPer([&](int) { button->redraw(); })
        << " us\n";
    button->setXPEnabled(true);
    const QPoint inside = button->mapToGlobal(QPoint(60, 15));
    const QPoint outside = window.mapToGlobal(QPoint(1, 1));
    out << "  hover tick, crossing:  " << microsecondsPer([&](int i) {
        host.setPointer(i % 2 ? outside : inside);
        host.elapse();
    }) << " us\n";
    out << "  hover tick, no change: " << microsecondsPer([&](int) { host.elapse(); }) << " us\n";
    return 0;
}
