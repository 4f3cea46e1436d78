#pragma once
// What the desktop benches share: a private X server, a private sound server (PulseAudio, or a
// PipeWire stack) with a null sink whose monitor is recorded, the program started on them with a
// settings folder of its own, and the figures drawn from what was recorded.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "bench/private_x_server.h"
#include "tests/support/child_process.h"
#include "tests/support/monitor_recorder.h"
#include "tests/support/private_sound_server.h"

namespace bench {

using harness::environmentWith;
using harness::MonitorRecorder;
using harness::PrivateSoundServer;
using harness::sinkRate;

inline const std::string tunerTitle = "Uglaševanje kitare";
inline const std::string bareTitle = "Bare Qt window";
// String button E-1 in the window's client area; each lower string is 40 px further down.
inline constexpr int stringX = 96;
inline constexpr int firstStringY = 120;
inline constexpr int stringStep = 40;
// The listening window's title, and the middle of the button that opens it.
inline const std::string listeningTitle = "Merilnik uglasitve";
inline constexpr int listenX = 396;
inline constexpr int listenY = 52;

double ms(Clock::duration d);
void sleepMs(int duration);

struct Spread {
    double median = 0;
    double p95 = 0;
    double max = 0;
    int count = 0;
};

Spread spreadOf(std::vector<double> values);

// The first non-zero frame at or after `from`, waiting up to `timeoutMs` for it to arrive.
std::optional<std::int64_t> firstSound(const MonitorRecorder& r, std::int64_t from, int timeoutMs);

// Waits until the sound that started at `from` has been followed by `quietMs` of exact
// silence; returns the frame just after its last non-zero frame.
std::int64_t soundEnd(const MonitorRecorder& r, std::int64_t from, int quietMs, int timeoutMs);

class Desktop {
public:
    std::string start(harness::ServerKind kind = harness::ServerKind::pulseaudio) {
        char name[] = "/tmp/tolmary-desktop-bench-XXXXXX";
        if (!::mkdtemp(name))
            return "no temporary folder";
        folder_ = name;
        if (std::string why = x_.start(folder_ + "/xvfb.log"); !why.empty())
            return why;
        if (std::string why =
                sound_.start(folder_, "tolmary_bench", folder_ + "/sound-server.log", kind);
            !why.empty())
            return why;
        if (std::string why = recorder_.start(sound_.address(), sound_.monitor()); !why.empty())
            return why;
        // The monitor streams silence from the start; a moment of it sets the frame clock.
        for (int waited = 0; waited < 50 && recorder_.frames() < sinkRate / 2; ++waited)
            sleepMs(100);
        return recorder_.frames() > 0 ? std::string() : "the sink's monitor records nothing";
    }
    ~Desktop() {
        recorder_.stop();
        if (!folder_.empty() && !std::getenv("TOLMARY_BENCH_KEEP"))
            std::filesystem::remove_all(folder_);
    }

    // Stops and starts again recording the sink's monitor (the frame count goes on).
    void pauseRecording() { recorder_.stop(); }
    std::string resumeRecording() { return recorder_.start(sound_.address(), sound_.monitor()); }

    // Starts `program` with its own settings folder holding `duration` as the stored note
    // length and `settings` ("Key=value" lines) besides, and `environment` ("NAME=value"),
    // which wins over the session's own.
    bool launch(ChildProcess& process, const std::string& program, int duration,
                const std::string& settings = {},
                const std::vector<std::string>& environment = {}) {
        const std::string config = folder_ + "/config";
        std::filesystem::create_directories(config + "/Tolmary");
        std::ofstream(settingsFile()) << "[Main]\nDur=" << duration << "\n" << settings;
        std::vector<std::string> overrides{"XDG_CONFIG_HOME=" + config,
                                           "XDG_RUNTIME_DIR=" + folder_,
                                           "PIPEWIRE_RUNTIME_DIR=" + folder_,
                                           "HOME=" + folder_,
                                           "PULSE_SERVER=" + sound_.address(),
                                           "DISPLAY=" + x_.display(),
                                           "QT_QPA_PLATFORM=xcb"};
        // The first of two entries of a name is the one a program reads.
        overrides.insert(overrides.begin(), environment.begin(), environment.end());
        return process.start({program}, environmentWith(overrides), folder_ + "/programs.log");
    }

    // Starts `program --listen` on the private sound server, whose default source is the
    // sink's monitor; what it writes goes to `output`.
    bool listen(ChildProcess& process, const std::string& program, const std::string& output,
                int a4Hz = 440) {
        std::vector<std::string> command{program, "--listen"};
        if (a4Hz != 440)
            command.insert(command.end(), {"--a4", std::to_string(a4Hz)});
        return process.start(
            command,
            environmentWith({"XDG_RUNTIME_DIR=" + folder_, "PIPEWIRE_RUNTIME_DIR=" + folder_,
                             "HOME=" + folder_, "PULSE_SERVER=" + sound_.address()}),
            output);
    }

    // The value the program stored for `key`, as it is written in the file.
    std::string storedSetting(const std::string& key) const {
        std::ifstream in(settingsFile());
        for (std::string line; std::getline(in, line);)
            if (line.starts_with(key + "="))
                return line.substr(key.size() + 1);
        return {};
    }

    void close(ChildProcess& process, unsigned long window) {
        if (window)
            x_.requestClose(window);
        if (!process.waitForExit(5000))
            process.stop();
    }

    PrivateXServer& x() { return x_; }
    MonitorRecorder& recorder() { return recorder_; }
    PrivateSoundServer& sound() { return sound_; }
    const std::string& folder() const { return folder_; }

private:
    std::string settingsFile() const { return folder_ + "/config/Tolmary/Tolmary.conf"; }

    std::string folder_;
    PrivateXServer x_;
    PrivateSoundServer sound_;
    MonitorRecorder recorder_;
};

// The program under measurement: TOLMARY_BINARY when set, else this build's.
std::string tolmaryBinary();

// Starts `desktop` on a `kind` sound server for measuring `binary`; why it cannot be measured,
// or empty.
std::string startToMeasure(Desktop& desktop, const std::string& binary,
                           harness::ServerKind kind = harness::ServerKind::pulseaudio);

}  // namespace bench
