#include "app/first_frame.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace app {
namespace {

class FirstPaintWatch : public QObject {
public:
    FirstPaintWatch(QWidget& window, std::function<void()> work)
        : QObject(&window), work_(std::move(work)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        watched->removeEventFilter(this);
        // Queued, so that the paint ends and its frame goes out first.
        QMetaObject::invokeMethod(
            this,
            [this] {
                work_();
                deleteLater();
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    std::function<void()> work_;
};

}  // namespace

void afterFirstFrame(QWidget& window, std::function<void()> work) {
    new FirstPaintWatch(window, std::move(work));
}

}  // namespace app
