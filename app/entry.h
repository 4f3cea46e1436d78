#pragma once
// The program's entry routine: creates the application, shows the tuner window modeless and
// runs the event loop until the last window closes or "Izhod" ends the process.

namespace app {

int runTolmary(int argc, char** argv);

}  // namespace app
