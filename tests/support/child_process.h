#pragma once
// Child processes of the end-to-end tests and the desktop bench: the private X and sound
// servers, their command-line tools, the program under measurement and the busy loops that
// compete with it for the cores.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace harness {

using Clock = std::chrono::steady_clock;

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;

    // Starts `argv` (looked up in PATH) with the given environment; its standard output and
    // error go to `logFile` (appended), or are kept when empty. `keepFd` stays open in the
    // child. Returns false when the program cannot be run.
    bool start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& logFile = {}, int keepFd = -1);
    // A child that only spins on one core until it is stopped.
    bool startBusyLoop();

    pid_t pid() const { return pid_; }
    // The instant just before the child was created.
    Clock::time_point startedAt() const { return startedAt_; }
    bool running();
    // Sends `signal`; waits up to `graceMs` for the end, then kills it outright.
    void stop(int signal = 15, int graceMs = 3000);
    // Waits up to `timeoutMs` for the child to end by itself.
    bool waitForExit(int timeoutMs);
    // The exit code of the child that ended last, or -1 when a signal ended it.
    int exitCode() const { return exitCode_; }

private:
    void reaped(int status);

    pid_t pid_ = -1;
    int exitCode_ = -1;
    Clock::time_point startedAt_{};
};

// True when `program` can be found in PATH.
bool inPath(const std::string& program);

// The current environment with `overrides` ("NAME=value") replacing or adding entries.
std::vector<std::string> environmentWith(const std::vector<std::string>& overrides);

}  // namespace harness
