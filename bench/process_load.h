#pragma once
// What a whole process costs, read from /proc as `top` and powertop see it: CPU time of all
// its threads (living and ended) and the context switches of each living thread, which count
// every time a thread was woken or preempted.

#include <sys/types.h>

#include <cstdint>

#include "tests/support/child_process.h"

namespace bench {

using harness::Clock;

struct ProcessLoad {
    Clock::time_point at{};
    // utime + stime of /proc/PID/stat, in clock ticks (10 ms here): all threads, ended ones too.
    long long ticks = 0;
    // Sum of the living threads' run time from /proc/PID/task/*/schedstat, in nanoseconds: the
    // same CPU time without the tick's grain (threads that ended are missing).
    long long runNs = 0;
    // Voluntary + nonvoluntary context switches of the living threads, and of the main thread.
    long long switches = 0;
    long long mainSwitches = 0;
    int threads = 0;
    bool valid = false;
};

ProcessLoad readProcessLoad(pid_t pid);

struct LoadFigures {
    double cpuPercent = 0;         // from the ticks, percent of one core
    double preciseCpuPercent = 0;  // from schedstat
    double wakeupsPerSecond = 0;
    double mainWakeupsPerSecond = 0;
    int threads = 0;
};

LoadFigures loadBetween(const ProcessLoad& from, const ProcessLoad& to);

}  // namespace bench
