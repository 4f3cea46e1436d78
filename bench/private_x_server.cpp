#include "bench/private_x_server.h"

#include <poll.h>
#include <unistd.h>

#include <thread>

// Xlib's macros (None, Bool, Status...) stay inside this file.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

namespace bench {
namespace {

using harness::environmentWith;
using harness::inPath;

// The programs' windows come and go while the bench looks at them: a window destroyed before
// its title is read or its damage object made is simply not the one waited for.
int ignoreError(Display*, XErrorEvent*) {
    return 0;
}

int remainingMs(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

PrivateXServer::~PrivateXServer() {
    if (connection_)
        XCloseDisplay(connection_);
    server_.stop();
}

std::string PrivateXServer::start(const std::string& logFile) {
    if (!inPath("Xvfb"))
        return "Xvfb is not installed";
    int ready[2];
    if (::pipe(ready) != 0)
        return "no pipe";
    // -displayfd: the server picks a free display and writes its number once it accepts
    // connections, so parallel runs on a shared machine never collide.
    const bool started = server_.start({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen",
                                        "0", "1280x1024x24", "-nolisten", "tcp"},
                                       environmentWith({}), logFile, ready[1]);
    ::close(ready[1]);
    std::string number;
    if (started) {
        pollfd p{ready[0], POLLIN, 0};
        const auto end = Clock::now() + std::chrono::seconds(20);
        char c = 0;
        while (::poll(&p, 1, remainingMs(end)) > 0 && ::read(ready[0], &c, 1) == 1 && c != '\n')
            number += c;
    }
    ::close(ready[0]);
    if (number.empty())
        return "Xvfb did not start";
    display_ = ":" + number;
    XSetErrorHandler(ignoreError);
    connection_ = XOpenDisplay(display_.c_str());
    if (!connection_)
        return "cannot connect to Xvfb on " + display_;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(connection_, &event, &error, &major, &minor))
        return "the X server has no XTest extension";
    if (!XDamageQueryExtension(connection_, &damageEvent_, &error))
        return "the X server has no Damage extension";
    XSelectInput(connection_, DefaultRootWindow(connection_), SubstructureNotifyMask);
    XSync(connection_, False);
    return {};
}

std::string PrivateXServer::title(unsigned long window) {
    const Atom netName = XInternAtom(connection_, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(connection_, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(connection_, window, netName, 0, 1024, False, utf8, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        text.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    if (text.empty()) {
        char* name = nullptr;
        if (XFetchName(connection_, window, &name) && name) {
            text = name;
            XFree(name);
        }
    }
    return text;
}

ShownWindow PrivateXServer::waitForWindow(const std::string& titlePrefix, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    ShownWindow shown;
    for (;;) {
        while (XPending(connection_) > 0) {
            XEvent e;
            XNextEvent(connection_, &e);
            const auto at = Clock::now();
            if (e.type == CreateNotify && !e.xcreatewindow.override_redirect) {
                // Watched from its creation, so not even the first drawing is missed. The
                // damage object goes with the window.
                XDamageCreate(connection_, e.xcreatewindow.window, XDamageReportNonEmpty);
            } else if (e.type == MapNotify && !shown.window && !e.xmap.override_redirect &&
                       title(e.xmap.window).starts_with(titlePrefix)) {
                shown = {e.xmap.window, at, at};
            } else if (e.type == damageEvent_ + XDamageNotify && shown.window &&
                       reinterpret_cast<XDamageNotifyEvent&>(e).drawable == shown.window) {
                shown.paintedAt = at;
                return shown;
            }
        }
        pollfd p{ConnectionNumber(connection_), POLLIN, 0};
        if (::poll(&p, 1, remainingMs(end)) <= 0)
            return shown;
    }
}

void PrivateXServer::movePointer(unsigned long window, int x, int y) {
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(connection_, window, DefaultRootWindow(connection_), x, y, &rootX, &rootY,
                          &child);
    XTestFakeMotionEvent(connection_, DefaultScreen(connection_), rootX, rootY, CurrentTime);
    XSync(connection_, False);
}

Clock::time_point PrivateXServer::click(unsigned long window, int x, int y) {
    movePointer(window, x, y);
    // The button sees the pointer arrive before the press, as with a hand on a mouse.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    XTestFakeButtonEvent(connection_, 1, True, CurrentTime);
    XSync(connection_, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    XTestFakeButtonEvent(connection_, 1, False, CurrentTime);
    XSync(connection_, False);
    return Clock::now();
}

void PrivateXServer::movePointerAway() {
    XTestFakeMotionEvent(connection_, DefaultScreen(connection_), 0, 0, CurrentTime);
    XSync(connection_, False);
}

void PrivateXServer::requestClose(unsigned long window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(connection_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] =
        static_cast<long>(XInternAtom(connection_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(connection_, window, False, NoEventMask, &event);
    XFlush(connection_);
}

}  // namespace bench
