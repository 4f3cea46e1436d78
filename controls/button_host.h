#pragma once
// What the button needs from its host and the window system, so that tests can stand in a
// virtual pointer and fire timer ticks by hand. QtButtonHost (qt_button_host.h) is the real one.

#include <QFont>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace controls {

// A periodic timer. start() begins a new period (also when already running); the callback
// given at creation runs at the end of each period while the timer is active.
class HoverTimer {
public:
    virtual ~HoverTimer() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

class ButtonHost {
public:
    virtual ~ButtonHost() = default;

    // True in a running program; false in a design environment, where the hover timer stays
    // off.
    virtual bool isRunning() const = 0;
    // The pointer position in global (screen) pixels.
    virtual QPoint pointerPosition() const = 0;
    // True when `widget` is the topmost widget at the global point: not covered by another
    // window or by one of its own children, and the point inside its mask.
    virtual bool isDirectlyUnder(const QWidget& widget, QPoint globalPos) const = 0;
    // The font a newly placed control takes.
    virtual QFont ambientFont(const QWidget& widget) const = 0;
    // The name the host gives a newly placed control; it becomes its caption.
    virtual QString displayName(const QWidget& widget) const = 0;
    // A stopped timer with the given interval that calls `onTick` on the user-interface thread.
    virtual std::unique_ptr<HoverTimer> createTimer(int intervalMs,
                                                    std::function<void()> onTick) = 0;
};

}  // namespace controls
