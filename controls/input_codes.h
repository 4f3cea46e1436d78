#pragma once
// Qt input translated into the numbers the button's events carry: virtual key codes (65 for A,
// 32 for the space bar, 13 for Enter), the Shift argument (1 Shift, 2 Ctrl, 4 Alt), mouse
// button numbers (1 left, 2 right, 4 middle) and character codes for key presses.

#include <Qt>

class QKeyEvent;

namespace controls {

inline constexpr short leftButton = 1;
inline constexpr short spaceKeyCode = 32;
inline constexpr short enterKeyAscii = 13;

// The virtual key code of the key, 0 for keys without one.
short virtualKeyCode(const QKeyEvent& event);
short shiftState(Qt::KeyboardModifiers modifiers);
short mouseButtonCode(Qt::MouseButton button);
// Sum of the codes of the held buttons, for pointer moves.
short mouseButtonsCode(Qt::MouseButtons buttons);
// The character code a key press produces, 0 when it produces none. Enter gives 13, Escape
// 27, Backspace 8; text characters their code (characters beyond 0x7FFF give none).
short keyAscii(const QKeyEvent& event);

}  // namespace controls
