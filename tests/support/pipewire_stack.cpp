#include "tests/support/pipewire_stack.h"

#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace harness {
namespace {

// The session manager watches no devices: the machine's sound cards belong to the user's own
// sound server, and the tests' sinks are null sinks.
constexpr const char* noDevices =
    "alsa_monitor.enabled = false\n"
    "v4l2_monitor.enabled = false\n"
    "libcamera_monitor.enabled = false\n";
constexpr const char* noBluetooth = "bluez_monitor.enabled = false\n";

bool waitForFile(const std::string& path, ChildProcess& owner) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0)
            return true;
        if (!owner.running())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace

std::vector<std::string> PipeWireStack::environment() const {
    return environmentWith({"HOME=" + folder_, "XDG_RUNTIME_DIR=" + folder_,
                            "XDG_CONFIG_HOME=" + folder_ + "/pipewire-config",
                            "DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder_ + "/bus",
                            "PIPEWIRE_RUNTIME_DIR=" + folder_});
}

std::string PipeWireStack::start(const std::string& folder, const std::string& logFile) {
    for (const char* program : {"pipewire", "wireplumber", "pipewire-pulse", "dbus-daemon"})
        if (!inPath(program))
            return std::string(program) + " is not installed";
    folder_ = folder;
    logFile_ = logFile;
    const std::string config = folder + "/pipewire-config/wireplumber";
    std::filesystem::create_directories(config + "/main.lua.d");
    std::filesystem::create_directories(config + "/bluetooth.lua.d");
    std::ofstream(config + "/main.lua.d/51-private-stack.lua") << noDevices;
    std::ofstream(config + "/bluetooth.lua.d/51-private-stack.lua") << noBluetooth;

    const std::vector<std::string> env = environment();
    if (!bus_.running()) {
        std::filesystem::remove(folder + "/bus");
        if (!bus_.start({"dbus-daemon", "--session", "--nofork", "--nopidfile",
                         "--address=unix:path=" + folder + "/bus"},
                        env, logFile) ||
            !waitForFile(folder + "/bus", bus_))
            return "the private session bus did not start";
    }
    kill();
    // A killed server leaves its socket behind: the new one's shows it listens.
    std::filesystem::remove(folder + "/pipewire-0");
    std::filesystem::remove(folder + "/pipewire-0.lock");
    if (!server_.start({"pipewire"}, env, logFile) || !waitForFile(folder + "/pipewire-0", server_))
        return "pipewire did not start";
    if (!sessionManager_.start({"wireplumber"}, env, logFile))
        return "wireplumber did not start";
    if (!pulse_.start({"pipewire-pulse"}, env, logFile))
        return "pipewire-pulse did not start";
    return {};
}

void PipeWireStack::kill() {
    pulse_.stop(SIGKILL);
    sessionManager_.stop(SIGKILL);
    server_.stop(SIGKILL);
}

bool PipeWireStack::running() {
    return server_.running() && sessionManager_.running() && pulse_.running();
}

}  // namespace harness
