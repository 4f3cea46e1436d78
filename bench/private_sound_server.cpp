#include "bench/private_sound_server.h"

#include <unistd.h>

#include <thread>

namespace bench {

std::string PrivateSoundServer::start(const std::string& folder, const std::string& sinkName,
                                      const std::string& logFile) {
    if (!inPath("pulseaudio"))
        return "pulseaudio is not installed";
    socket_ = folder + "/pulse-native";
    sinkName_ = sinkName;
    // The sink runs at the format the recorder asks for, so the monitor is never resampled.
    const bool started = server_.start(
        {"pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=-1", "--disallow-exit",
         "--use-pid-file=no", "--log-level=error",
         "--load=module-null-sink sink_name=" + sinkName + " format=s16le rate=44100 channels=2",
         "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_},
        environmentWith({"HOME=" + folder, "XDG_RUNTIME_DIR=" + folder}), logFile);
    if (!started)
        return "pulseaudio could not be run";
    for (int waited = 0; waited < 200; ++waited) {
        if (::access(socket_.c_str(), F_OK) == 0)
            return {};
        if (!server_.running())
            return "pulseaudio ended at start (see " + logFile + ")";
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "pulseaudio did not open its socket";
}

}  // namespace bench
