#pragma once
// A private PulseAudio server with one null sink, on a socket in the bench's own folder: the
// program under measurement plays into the sink and the bench records the sink's monitor.

#include <string>

#include "bench/child_process.h"

namespace bench {

class PrivateSoundServer {
public:
    // Starts the server with its home and runtime folder in `folder`; returns an empty string
    // or why it could not.
    std::string start(const std::string& folder, const std::string& sinkName,
                      const std::string& logFile);
    // "unix:/path", for PULSE_SERVER and the recorder.
    std::string address() const { return "unix:" + socket_; }
    std::string monitor() const { return sinkName_ + ".monitor"; }

private:
    ChildProcess server_;
    std::string socket_;
    std::string sinkName_;
};

}  // namespace bench
