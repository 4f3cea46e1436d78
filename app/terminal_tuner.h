#pragma once
// `tolmary --listen`: the listening tuner without a window or a display, for a console or an
// SSH session, and for scripts. One line per reading on standard output, "E2 82.331 -1.64"
// (the nearest note, the frequency in Hz, the deviation in cents), nothing while no tone
// sounds; it ends on Ctrl+C or when the microphone goes away.

namespace app {

// The usage text of the command line, for --help.
const char* usageText();

// Listens until interrupted, reading against A4 = `a4Hz`; the process's exit code.
int runTerminalTuner(int a4Hz = 440);

}  // namespace app
