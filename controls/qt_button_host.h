#pragma once
// The button's host on a real Qt desktop: the program is running, timers are QTimers, and the
// pointer and the widget under it come from the window system: from the events it sent while
// the pointer is in one of the program's windows, from asking it once the pointer has left.

#include "controls/button_host.h"

namespace controls {

class QtButtonHost : public ButtonHost {
public:
    bool isRunning() const override { return true; }
    QPoint pointerPosition() const override;
    bool isDirectlyUnder(const QWidget& widget, QPoint globalPos) const override;
    QFont ambientFont(const QWidget& widget) const override;
    // The widget's object name, or "XPButton" and its 1-based number among its parent's buttons.
    QString displayName(const QWidget& widget) const override;
    std::unique_ptr<HoverTimer> createTimer(int intervalMs, std::function<void()> onTick) override;

    // The one instance that buttons created without a host share.
    static QtButtonHost& instance();
};

}  // namespace controls
