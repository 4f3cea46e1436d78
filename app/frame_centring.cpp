#include "app/frame_centring.h"

#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QScreen>
#include <QWidget>

#include "app/placement.h"
#include "app/twips_geometry.h"

namespace app {
namespace {

void centreNow(QWidget& window) {
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    WindowTwips w(window);
    const ScreenTwips s(screen);
    centerHorizontally(w, s);
    centerVertically(w, s);
}

// Waits on the window's events for the frame a window manager puts around it. The first move
// or resize that shows one centres the window again, unless it has been put elsewhere meanwhile
// (a stored position, a move by the program). Without a manager no frame comes and the window
// stays where it was centred.
class FrameWatch : public QObject {
public:
    static constexpr const char* name = "tolmary-frame-watch";

    explicit FrameWatch(QWidget& window)
        : QObject(&window), window_(window), centredAt_(window.frameGeometry().topLeft()) {
        setObjectName(QLatin1String(name));
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Move && type != QEvent::Resize)
            return false;
        const QRect frame = window_.frameGeometry();
        if (frame.size() == window_.size())
            return false;
        window_.removeEventFilter(this);
        if (frame.topLeft() == centredAt_)
            centreNow(window_);
        deleteLater();
        return false;
    }

private:
    QWidget& window_;
    const QPoint centredAt_;
};

}  // namespace

void centreFrameOnScreen(QWidget& window) {
    centreNow(window);
    delete window.findChild<QObject*>(QLatin1String(FrameWatch::name), Qt::FindDirectChildrenOnly);
    if (window.frameGeometry().size() == window.size())
        new FrameWatch(window);
}

}  // namespace app
