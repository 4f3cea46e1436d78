#pragma once
// How long the host took the processors away while a sound was measured. A virtual machine's
// host may pause a virtual processor for longer than the sound server's cycle, and the server
// then leaves part of a sound silent whatever the program does. Some hosts count that as stolen
// time in /proc/stat; others count nothing, so one real-time thread per processor also sleeps a
// millisecond at a time and notes how long it overslept: at a priority above every thread of
// the sound path, only the host or the kernel can hold it back.

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace harness {

class HostStalls {
public:
    HostStalls();
    ~HostStalls();
    HostStalls(const HostStalls&) = delete;
    HostStalls& operator=(const HostStalls&) = delete;

    // Starts a new measurement.
    void restart();
    // The longest stall since the last restart, in seconds: the larger of the time stolen in
    // all and the longest any watching thread overslept (none where the threads could not be
    // made real-time, so that a busy processor's queue is not taken for the host).
    double longestSeconds() const;

private:
    struct Watcher;

    std::atomic<bool> stop_{false};
    double stolenAtStart_ = 0.0;
    std::vector<std::unique_ptr<Watcher>> watchers_;
    std::vector<std::thread> threads_;
};

}  // namespace harness
