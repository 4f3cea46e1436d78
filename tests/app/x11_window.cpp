#include "tests/app/x11_window.h"

#include <poll.h>

#include <QDeadlineTimer>

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

QRect frameRect(unsigned long window) {
    Connection c;
    if (!c.display)
        return {};
    Window outer = window;
    for (;;) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(c.display, outer, &root, &parent, &children, &count))
            return {};
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            break;
        outer = parent;
    }
    Window root = 0;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(c.display, outer, &root, &x, &y, &width, &height, &border, &depth))
        return {};
    return QRect(x, y, int(width + 2 * border), int(height + 2 * border));
}

bool windowManagerRunning() {
    Connection c;
    if (!c.display)
        return false;
    // Set once the manager has taken over the windows already there, which is when it starts
    // handling new ones; it announces itself (_NET_SUPPORTING_WM_CHECK) well before that.
    const Atom clients = XInternAtom(c.display, "_NET_CLIENT_LIST", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found =
        XGetWindowProperty(c.display, DefaultRootWindow(c.display), clients, 0, 1, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
        type != 0;
    if (data)
        XFree(data);
    return found;
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

bool answersPing(unsigned long window, int timeoutMs) {
    Connection c;
    if (!c.display)
        return false;
    const Window root = DefaultRootWindow(c.display);
    // The answer is the same message sent back to the root window, to those who listen for
    // its structure changes.
    XSelectInput(c.display, root, StructureNotifyMask);
    const Atom protocols = XInternAtom(c.display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(c.display, "_NET_WM_PING", False);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = static_cast<long>(window);
    XSendEvent(c.display, window, False, NoEventMask, &event);
    XFlush(c.display);
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (XPending(c.display) > 0) {
            XEvent e;
            XNextEvent(c.display, &e);
            if (e.type == ClientMessage && e.xclient.message_type == protocols &&
                static_cast<Atom>(e.xclient.data.l[0]) == ping &&
                static_cast<unsigned long>(e.xclient.data.l[2]) == window)
                return true;
        }
        pollfd p{ConnectionNumber(c.display), POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            return false;
    }
}

QList<unsigned long> shownTopLevels() {
    Connection c;
    QList<unsigned long> shown;
    if (!c.display)
        return shown;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(c.display, DefaultRootWindow(c.display), &root, &parent, &children, &count))
        return shown;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a{};
        if (XGetWindowAttributes(c.display, children[i], &a) && a.map_state == IsViewable &&
            !a.override_redirect)
            shown.append(children[i]);
    }
    if (children)
        XFree(children);
    return shown;
}

}  // namespace x11
