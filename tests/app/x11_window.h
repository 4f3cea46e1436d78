#pragma once
// What the end-to-end test asks of the X server directly, as a window manager or another
// client would: a window's place on the screen, and the window manager's close request.

#include <QPoint>

namespace x11 {

// The window's top-left corner in root coordinates.
QPoint windowOrigin(unsigned long window);

// Sends WM_PROTOCOLS / WM_DELETE_WINDOW, as a window manager does for its close box.
bool sendCloseRequest(unsigned long window);

}  // namespace x11
