#include "controls/input_codes.h"

#include <QKeyEvent>
#include <array>
#include <utility>

namespace controls {
namespace {

// Keys whose virtual code differs from their Qt code.
constexpr std::array<std::pair<int, short>, 31> namedKeys = {{
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},          {Qt::Key_Backtab, 9},
    {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},       {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},         {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},      {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34},    {Qt::Key_End, 35},
    {Qt::Key_Home, 36},     {Qt::Key_Left, 37},        {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},    {Qt::Key_Down, 40},        {Qt::Key_Print, 44},
    {Qt::Key_Insert, 45},   {Qt::Key_Delete, 46},      {Qt::Key_Menu, 93},
    {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145}, {Qt::Key_Asterisk, 106},
    {Qt::Key_Plus, 107},    {Qt::Key_Minus, 109},      {Qt::Key_Slash, 111},
    {Qt::Key_Period, 190},
}};

constexpr short f1KeyCode = 112;
constexpr short numpad0KeyCode = 96;

}  // namespace

short virtualKeyCode(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return short(keypad ? numpad0KeyCode + (key - Qt::Key_0) : key);
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return short(key);  // the same codes: 65..90
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return short(f1KeyCode + (key - Qt::Key_F1));
    for (const auto& [qtKey, code] : namedKeys)
        if (qtKey == key)
            return code;
    return 0;
}

short shiftState(Qt::KeyboardModifiers modifiers) {
    short state = 0;
    if (modifiers.testFlag(Qt::ShiftModifier))
        state |= 1;
    if (modifiers.testFlag(Qt::ControlModifier))
        state |= 2;
    if (modifiers.testFlag(Qt::AltModifier))
        state |= 4;
    return state;
}

short mouseButtonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            return 0;
    }
}

short mouseButtonsCode(Qt::MouseButtons buttons) {
    short code = 0;
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
        if (buttons.testFlag(button))
            code |= mouseButtonCode(button);
    return code;
}

int typedCharacter(const QKeyEvent& event) {
    const int key = event.key();
    switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete:
            return 0;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return enterKeyAscii;
        case Qt::Key_Escape:
            return 27;
        default:
            break;
    }
    if (event.modifiers().testFlag(Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
        return key - Qt::Key_A + 1;
    const QList<uint> text = event.text().toUcs4();
    return text.isEmpty() ? 0 : int(text.front());
}

short keyAscii(const QKeyEvent& event) {
    const int code = typedCharacter(event);
    return code <= 0x7FFF ? short(code) : short(0);
}

}  // namespace controls
