// How long the button takes to repaint itself and to run one hover check, how often it paints
// while the tuner window's buttons load their stored properties, and how often the hover polls
// of an idle tuner window wake up.

#include "controls/scripted_button_host.h"
#include "controls/xp_button.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <vector>

namespace {

constexpr int rounds = 2000;
constexpr int pollPeriodsPerSecond = 1000 / controls::XPButton::hoverIntervalMs;

template <typename Step>
double microsecondsPer(Step step) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < rounds; ++i)
        step(i);
    return double(clock.nsecsElapsed()) / 1000.0 / rounds;
}

void redrawTimes(QTextStream& out) {
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

    out << "button 177x33, " << rounds << " rounds each\n";
    out << "  redraw, normal look:   " << microsecondsPer([&](int) { button->redraw(); })
        << " us\n";
    button->setXPEnabled(false);
    out << "  redraw, disabled look: " << microsecondsPer([&](int) { button->redraw(); })
        << " us\n";
    button->setXPEnabled(true);
    const QPoint inside = button->mapToGlobal(QPoint(60, 15));
    const QPoint outside = window.mapToGlobal(QPoint(1, 1));
    // The enter event wakes the poll; moves without events keep it awake. A crossing schedules
    // a repaint, which the next paint does.
    host.movePointer(window, inside);
    out << "  hover tick, crossing:  " << microsecondsPer([&](int i) {
        host.setPointer(i % 2 ? outside : inside);
        host.elapse();
    }) << " us\n";
    host.setPointer(inside);
    out << "  hover tick, no change: " << microsecondsPer([&](int) { host.elapse(); }) << " us\n";
}

// The tuner window's seven buttons, loaded from its layout data as the window loads them.
void tunerWindowButtons(QTextStream& out) {
    QFile file(QStringLiteral(":/tuner/frm_main_buttons.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        out << "cannot read " << file.fileName() << '\n';
        return;
    }
    const QJsonArray stored = QJsonDocument::fromJson(file.readAll())["buttons"].toArray();
    controls::ScriptedButtonHost host;
    QWidget window;
    window.setGeometry(100, 100, 400, 30 + 40 * int(stored.size()));
    std::vector<controls::XPButton*> buttons;
    for (const QJsonValue& entry : stored) {
        auto* button = new controls::XPButton(&window, &host);
        button->setGeometry(10, 10 + 40 * int(buttons.size()), 177, 33);
        button->readProperties(controls::PropertyBag::fromJson(entry["properties"].toObject()));
        buttons.push_back(button);
    }
    const auto paintsPerButton = [&] {
        int paints = 0;
        for (const controls::XPButton* button : buttons)
            paints += button->paintCount();
        return double(paints) / double(buttons.size());
    };
    out << buttons.size() << " buttons of the tuner window\n";
    out << "  paints per button while loading:         " << paintsPerButton() << '\n';
    window.show();
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    out << "  paints per button up to the first frame: " << paintsPerButton() << '\n';
    host.movePointer(window, window.mapToGlobal(QPoint(300, 5)));
    out << "  hover poll wake-ups per second, pointer beside the buttons: "
        << host.elapse() * pollPeriodsPerSecond << '\n';
    host.movePointer(window, buttons.front()->mapToGlobal(QPoint(60, 15)));
    out << "  hover poll wake-ups per second, pointer resting on a button: "
        << host.elapse() * pollPeriodsPerSecond << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    redrawTimes(out);
    tunerWindowButtons(out);
    return 0;
}
