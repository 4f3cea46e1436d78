#pragma once
// Where the pointer is, as the window system last told the program: the window it is in and
// its global position, read from the enter, leave and mouse events the program's windows
// receive. Asking the window system instead costs a round trip per question (on X11 two
// wake-ups of two threads), which a poll running while the pointer rests would pay every tick.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWindow>

namespace controls {

class PointerTracker : public QObject {
public:
    // Watches the events of the whole application from now on; dies with it.
    static PointerTracker& instance();

    // The window the pointer was last reported in, or none after it left the program's
    // windows (or before it was first seen in one).
    QWindow* window() const { return window_; }
    // Its global position when last reported inside `window()`.
    QPoint position() const { return position_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PointerTracker(QObject* application);

    QPointer<QWindow> window_;
    QPoint position_;
};

}  // namespace controls
