#pragma once
// What the end-to-end test asks of the X server directly, as a window manager or another
// client would: a window's place on the screen, the window manager's close request, whether
// the program still answers, and which top-level windows are shown.

#include <QList>
#include <QPoint>

namespace x11 {

// The window's top-left corner in root coordinates.
QPoint windowOrigin(unsigned long window);

// Sends WM_PROTOCOLS / WM_DELETE_WINDOW, as a window manager does for its close box.
bool sendCloseRequest(unsigned long window);

// Sends _NET_WM_PING, as a window manager does to tell a hung program from a live one, and
// waits up to `timeoutMs` for the answer, which only the program's running event loop gives.
bool answersPing(unsigned long window, int timeoutMs);

// The top-level windows that are shown (no window manager: the root's viewable children,
// pop-ups and tooltips left out).
QList<unsigned long> shownTopLevels();

}  // namespace x11
