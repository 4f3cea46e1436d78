#pragma once
// Centres a top-level window's whole frame on its screen. Before the window is shown a window
// manager has not framed it yet and the frame counts as the client area alone; the window is
// then centred again once its first move or resize tells the frame's real size, so that the
// title bar is not left hanging below the centre.

class QWidget;

namespace app {

void centreFrameOnScreen(QWidget& window);

}  // namespace app
