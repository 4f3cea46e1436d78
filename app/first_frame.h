#pragma once
// Work the window's first frame does not need, run once that frame is on the screen: before
// it, such work only competes with the frame for the cores and the dynamic loader.

#include <functional>

class QWidget;

namespace app {

// Runs `work` on the window's thread once the window has painted for the first time (after
// that paint has ended).
void afterFirstFrame(QWidget& window, std::function<void()> work);

}  // namespace app
