#include "tests/support/private_sound_server.h"

#include <signal.h>

#include <fstream>
#include <iterator>
#include <thread>

namespace harness {
namespace {

const std::string sinkFormat = " format=s16le rate=" + std::to_string(sinkRate) + " channels=2";

}  // namespace

std::string PrivateSoundServer::start(const std::string& folder, const std::string& sinkName,
                                      const std::string& logFile, ServerKind kind) {
    kind_ = kind;
    folder_ = folder;
    // PipeWire's PulseAudio service listens where a desktop's does, in its runtime folder.
    socket_ = folder + (kind == ServerKind::pipewire ? "/pulse/native" : "/pulse-native");
    sinkName_ = sinkName;
    logFile_ = logFile;
    return restart();
}

std::string PrivateSoundServer::restart() {
    const std::string name = kind_ == ServerKind::pipewire ? "pipewire" : "pulseaudio";
    if (std::string why = startServer(); !why.empty())
        return why;
    // A socket left by a killed server is replaced by the new one once it listens, so the
    // server is ready when it answers, not when the file exists; PipeWire's is ready once its
    // session manager has made the sink the default.
    bool sinkMade = kind_ == ServerKind::pulseaudio;
    for (int attempt = 0; attempt < 200; ++attempt) {
        std::string info;
        if (pactl({"info"}, &info)) {
            if (!sinkMade)
                sinkMade = !addNullSink(sinkName_).empty();
            if (info.find("Default Sink: " + sinkName_ + "\n") != std::string::npos)
                return setDefaultSource(monitor()) ? std::string() : "no default source";
        }
        if (!serverRunning())
            return name + " ended at start" + (logFile_.empty() ? "" : " (see " + logFile_ + ")");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return name + " does not answer";
}

std::string PrivateSoundServer::startServer() {
    if (kind_ == ServerKind::pipewire)
        return pipewire_.start(folder_, logFile_);
    if (!inPath("pulseaudio") || !inPath("pactl"))
        return "pulseaudio or pactl is not installed";
    server_.stop();
    // The sink runs at the format the recorder asks for, so the monitor is never resampled.
    const bool started =
        server_.start({"pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=-1",
                       "--disallow-exit", "--use-pid-file=no", "--log-level=error",
                       "--load=module-null-sink sink_name=" + sinkName_ + sinkFormat,
                       "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_},
                      environmentWith({"HOME=" + folder_, "XDG_RUNTIME_DIR=" + folder_}), logFile_);
    return started ? std::string() : "pulseaudio could not be run";
}

bool PrivateSoundServer::serverRunning() {
    return kind_ == ServerKind::pipewire ? pipewire_.running() : server_.running();
}

void PrivateSoundServer::kill() {
    if (kind_ == ServerKind::pipewire)
        pipewire_.kill();
    else
        server_.stop(SIGKILL);
}

std::string PrivateSoundServer::addNullSink(const std::string& name) {
    std::string module;
    if (!pactl({"load-module", "module-null-sink", "sink_name=" + name, "format=s16le",
                "rate=" + std::to_string(sinkRate), "channels=2"},
               &module))
        return {};
    while (!module.empty() && module.back() == '\n')
        module.pop_back();
    return module;
}

bool PrivateSoundServer::unloadModule(const std::string& module) {
    return pactl({"unload-module", module});
}

bool PrivateSoundServer::setDefaultSink(const std::string& sink) {
    return pactl({"set-default-sink", sink});
}

bool PrivateSoundServer::setDefaultSource(const std::string& source) {
    return pactl({"set-default-source", source});
}

bool PrivateSoundServer::pactl(const std::vector<std::string>& args, std::string* output) {
    std::vector<std::string> argv{"pactl", "--server=" + address()};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::string outFile = folder_ + "/pactl.out";
    std::ofstream(outFile, std::ios::trunc).close();
    ChildProcess tool;
    if (!tool.start(argv, environmentWith({}), outFile))
        return false;
    if (!tool.waitForExit(10000)) {
        tool.stop();
        return false;
    }
    if (output) {
        std::ifstream in(outFile);
        output->assign(std::istreambuf_iterator<char>(in), {});
    }
    return tool.exitCode() == 0;
}

}  // namespace harness
