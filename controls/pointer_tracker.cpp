#include "controls/pointer_tracker.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>

namespace controls {

PointerTracker::PointerTracker(QObject* application) : QObject(application) {
    application->installEventFilter(this);
}

PointerTracker& PointerTracker::instance() {
    // One per application object: a test may make several in turn.
    static QPointer<PointerTracker> tracker;
    if (!tracker)
        tracker = new PointerTracker(QCoreApplication::instance());
    return *tracker;
}

bool PointerTracker::eventFilter(QObject* watched, QEvent* event) {
    // The window system's events reach the top-level windows first; widgets get copies.
    if (!watched->isWindowType())
        return false;
    auto* window = static_cast<QWindow*>(watched);
    switch (event->type()) {
        case QEvent::Enter:
            window_ = window;
            position_ = static_cast<QEnterEvent*>(event)->globalPosition().toPoint();
            break;
        case QEvent::Leave:
            if (window_ == window)
                window_ = nullptr;
            break;
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            // While a button is held the pressing window gets the moves even outside it; the
            // position is still the pointer's.
            if (window_ == window)
                position_ = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            break;
        default:
            break;
    }
    return false;
}

}  // namespace controls
