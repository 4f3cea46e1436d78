#pragma once
// A private PipeWire stack in a folder of its own: the server, its session manager (which
// links streams to the default sink) and its PulseAudio service, with a session bus of their
// own, so that it runs where there is no desktop session (as root in CI, no D-Bus, no sound
// card) and never touches the user's: it opens no sound card.

#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace harness {

class PipeWireStack {
public:
    // Starts the bus once and the three servers, with their runtime folder, home and
    // configuration in `folder`; their messages go to `logFile` (or stay on this process's
    // output when empty). Returns an empty string or why not. Again after kill(): a restart.
    std::string start(const std::string& folder, const std::string& logFile = {});
    // Ends the three servers at once, as a crash does; the bus stays.
    void kill();
    // All three servers run.
    bool running();
    // The environment the servers and their tools run in.
    std::vector<std::string> environment() const;

private:
    std::string folder_;
    std::string logFile_;
    ChildProcess bus_;
    ChildProcess server_;
    ChildProcess sessionManager_;
    ChildProcess pulse_;
};

}  // namespace harness
