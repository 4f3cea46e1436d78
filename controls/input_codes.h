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
// The character code a key press types, 0 for a key that types none: its text's first
// character, Ctrl+letter as the control code (Ctrl+V is 22), Backspace 8, Enter 13, Escape 27.
// Tab and Delete type none: Tab moves the focus and Delete edits, although X11 gives them text.
int typedCharacter(const QKeyEvent& event);
// The same as the button's 16-bit key argument: characters beyond 0x7FFF give none.
short keyAscii(const QKeyEvent& event);

}  // namespace controls
