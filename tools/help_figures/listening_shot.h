#pragma once
// A screenshot of the listening window for the README: the window hearing a recorded guitar
// note (the built-in synth's A string, played flat), rendered off screen.

#include <QImage>

namespace help_figures {

// Null when no SoundFont is installed.
QImage renderListeningWindow();

}  // namespace help_figures
