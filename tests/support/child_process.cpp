#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>
#include <utility>

extern char** environ;

namespace harness {

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      exitCode_(other.exitCode_),
      startedAt_(other.startedAt_) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        stop();
        pid_ = std::exchange(other.pid_, -1);
        exitCode_ = other.exitCode_;
        startedAt_ = other.startedAt_;
    }
    return *this;
}

bool ChildProcess::start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string& logFile, int keepFd) {
    stop();
    exitCode_ = -1;
    // Everything the child needs is prepared before fork: between fork and exec only
    // async-signal-safe calls are allowed (the bench has a sound thread).
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const int log = logFile.empty()
                        ? -1
                        : ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0)
        return false;

    startedAt_ = Clock::now();
    pid_ = ::fork();
    if (pid_ == 0) {
        // Whatever the bench leaves behind when it is killed ends with it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (log >= 0) {
            ::dup2(log, 1);
            ::dup2(log, 2);
        }
        if (keepFd >= 0)
            ::fcntl(keepFd, F_SETFD, 0);
        ::execvpe(args[0], args.data(), envp.data());
        const char failed = 1;
        [[maybe_unused]] auto w = ::write(status[1], &failed, 1);
        ::_exit(127);
    }
    ::close(status[1]);
    if (log >= 0)
        ::close(log);
    if (pid_ < 0) {
        ::close(status[0]);
        return false;
    }
    // The status pipe closes on a successful exec, or carries one byte when exec failed.
    char failed = 0;
    const bool execFailed = ::read(status[0], &failed, 1) == 1;
    ::close(status[0]);
    if (execFailed) {
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return false;
    }
    return true;
}

bool ChildProcess::startBusyLoop() {
    stop();
    startedAt_ = Clock::now();
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The test framework's handlers came with the fork: stopped by SIGTERM, the loop would
        // print a report and run a debugger for a stack trace, seconds of load nobody asked for.
        for (int signal = 1; signal < NSIG; ++signal)
            ::signal(signal, SIG_DFL);
        volatile unsigned long spin = 0;
        for (;;)
            spin = spin + 1;
    }
    return pid_ > 0;
}

bool ChildProcess::running() {
    if (pid_ <= 0)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped(status);
        return false;
    }
    return true;
}

void ChildProcess::reaped(int status) {
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
}

bool ChildProcess::waitForExit(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (running()) {
        if (Clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void ChildProcess::stop(int signal, int graceMs) {
    if (!running())
        return;
    ::kill(pid_, signal);
    if (!waitForExit(graceMs)) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        reaped(status);
    }
}

bool inPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t from = 0;
    while (from <= dirs.size()) {
        const std::size_t to = std::min(dirs.find(':', from), dirs.size());
        const std::string candidate = dirs.substr(from, to - from) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return true;
        from = to + 1;
    }
    return false;
}

std::vector<std::string> environmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& o : overrides)
            replaced = replaced || o.substr(0, o.find('=')) == name;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return env;
}

}  // namespace harness
