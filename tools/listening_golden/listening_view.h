#pragma once
// The listening window as it shows one reading, drawn off screen the same way every time (a
// steady synthetic string tone, a clock that stands still): the golden image the tuner tests
// compare against, and the tool that rewrites it.

#include <QImage>
#include <QString>

namespace listening_golden {

// "listening-A2-432.png"
QString goldenName();

// The window hearing the A string 8 cents flat against A4 = 432 Hz.
QImage renderListeningView();

}  // namespace listening_golden
