#include "tests/app/x11_window.h"

// Xlib's macros (None, Bool, Status...) clash with Qt's names, so it stays in this file.
#include <X11/Xlib.h>

namespace x11 {
namespace {

struct Connection {
    Display* display = XOpenDisplay(nullptr);
    ~Connection() {
        if (display)
            XCloseDisplay(display);
    }
};

}  // namespace

QPoint windowOrigin(unsigned long window) {
    Connection c;
    if (!c.display)
        return {};
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(c.display, window, DefaultRootWindow(c.display), 0, 0, &x, &y, &child);
    return {x, y};
}

bool sendCloseRequest(unsigned long window) {
    Connection c;
    if (!c.display)
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(c.display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(c.display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(c.display, window, False, NoEventMask, &event);
    XFlush(c.display);
    return sent != 0;
}

}  // namespace x11
