#pragma once
// The program's entry routine: creates the application, shows the tuner window modeless and
// runs the event loop until the last window closes, SIGTERM, SIGINT or SIGHUP closes them all,
// or "Izhod" ends the process. With --listen it runs the terminal tuner instead, and --help
// prints the usage.

namespace app {

int runTolmary(int argc, char** argv);

}  // namespace app
