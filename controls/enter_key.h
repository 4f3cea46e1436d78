#pragma once
// Enter (main keys or keypad) presses the focused push button, as Space does. Qt leaves Enter
// to a push button only inside a dialog; in the program's plain windows it reaches the window.

class QWidget;

namespace controls {

// Lets Enter press whichever push button of `window` has the focus. The handler is a child of
// the window and lives as long as it.
void letEnterPressButtons(QWidget& window);

}  // namespace controls
