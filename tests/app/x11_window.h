#pragma once
// What the end-to-end test asks of the X server directly, as a window manager or another
// client would: a window's place on the screen and its frame's, the window manager's close request,
// whether the program still answers, and which top-level windows are shown.

#include <QList>
#include <QPoint>
#include <QRect>

namespace x11 {

// The window's top-left corner in root coordinates.
QPoint windowOrigin(unsigned long window);

// The outer rectangle of the window's frame in root coordinates, borders included: its
// ancestor just below the root (the window itself when no window manager framed it).
QRect frameRect(unsigned long window);

// True once a window manager runs and handles new windows (EWMH).
bool windowManagerRunning();

// Sends WM_PROTOCOLS / WM_DELETE_WINDOW, as a window manager does for its close box.
bool sendCloseRequest(unsigned long window);

// Sends _NET_WM_PING, as a window manager does to tell a hung program from a live one, and
// waits up to `timeoutMs` for the answer, which only the program's running event loop gives.
bool answersPing(unsigned long window, int timeoutMs);

// The top-level windows that are shown (no window manager: the root's viewable children,
// pop-ups and tooltips left out).
QList<unsigned long> shownTopLevels();

}  // namespace x11
