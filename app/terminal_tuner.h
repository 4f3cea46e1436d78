#pragma once
// `tolmary --listen`: the listening tuner without a window or a display, for a console or an
// SSH session, and for scripts. One line per reading on standard output, "E2 82.331 -1.64"
// (the nearest note, the frequency in Hz, the deviation in cents), nothing while no tone
// sounds. It ends with success on Ctrl+C, SIGTERM or SIGHUP and when the reader of its output
// goes away (`tolmary --listen | head -1`), at once however quiet the room; with failure and a
// line on standard error when its output cannot be written (a full disk, a closed output) or
// the microphone goes away.

namespace app {

// The usage text of the command line, for --help.
const char* usageText();

// Listens until interrupted, reading against A4 = `a4Hz`; the process's exit code.
int runTerminalTuner(int a4Hz = 440);

}  // namespace app
