#pragma once
// Windows the program keeps at most one of (the chord window, the about window), modeless and
// without an owner: asking for one creates it when none is open, otherwise brings back the open
// one as it is.

#include <QPointer>
#include <QWidget>
#include <utility>

namespace controls {

// Shows the window `open` holds, first creating it with `create` when it holds none (also once
// the last one was closed and deleted). A minimised window is brought back, so that asking for
// it always shows it; it is raised and activated.
template <typename Window, typename Create>
Window* showSingleWindow(QPointer<Window>& open, Create&& create) {
    if (open.isNull())
        open = std::forward<Create>(create)();
    open->setWindowState(open->windowState() & ~Qt::WindowMinimized);
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

}  // namespace controls
