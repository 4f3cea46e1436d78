#include "controls/qt_button_host.h"

#include "controls/pointer_tracker.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>
#include <QWidget>

namespace controls {
namespace {

class QtHoverTimer : public HoverTimer {
public:
    QtHoverTimer(int intervalMs, std::function<void()> onTick) {
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, [tick = std::move(onTick)] { tick(); });
    }
    void start() override { timer_.start(); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

}  // namespace

QPoint QtButtonHost::pointerPosition() const {
    // Where the window system last put it while it is in one of the program's windows; asked
    // for only once it has left them, when a poll runs just until it has found the pointer gone.
    const PointerTracker& pointer = PointerTracker::instance();
    return pointer.window() ? pointer.position() : QCursor::pos();
}

bool QtButtonHost::isDirectlyUnder(const QWidget& widget, QPoint globalPos) const {
    const PointerTracker& pointer = PointerTracker::instance();
    if (pointer.window() && globalPos == pointer.position()) {
        // The window system put the pointer in that window, so no other window covers it
        // there; within it, childAt honours masks and stacking.
        const QWidget* top = widget.window();
        if (top->windowHandle() != pointer.window())
            return false;
        const QPoint local = top->mapFromGlobal(globalPos);
        if (!top->rect().contains(local))
            return false;
        const QWidget* hit = top->childAt(local);
        return (hit ? hit : top) == &widget;
    }
    // widgetAt honours widget masks and stacking, like asking the window system which window
    // lies under a point.
    return QApplication::widgetAt(globalPos) == &widget;
}

QFont QtButtonHost::ambientFont(const QWidget& widget) const {
    const QWidget* parent = widget.parentWidget();
    return parent ? parent->font() : QApplication::font();
}

QString QtButtonHost::displayName(const QWidget& widget) const {
    if (!widget.objectName().isEmpty())
        return widget.objectName();
    int number = 1;
    if (const QObject* parent = widget.parent()) {
        for (const QObject* sibling : parent->children()) {
            if (sibling == &widget)
                break;
            if (sibling->metaObject() == widget.metaObject())
                ++number;
        }
    }
    return QStringLiteral("XPButton%1").arg(number);
}

std::unique_ptr<HoverTimer> QtButtonHost::createTimer(int intervalMs,
                                                      std::function<void()> onTick) {
    // Watching from the first button on, so the enter event that wakes a poll is not missed.
    PointerTracker::instance();
    return std::make_unique<QtHoverTimer>(intervalMs, std::move(onTick));
}

QtButtonHost& QtButtonHost::instance() {
    static QtButtonHost host;
    return host;
}

}  // namespace controls
