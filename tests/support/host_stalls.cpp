#include "tests/support/host_stalls.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>

namespace harness {
namespace {

using Clock = std::chrono::steady_clock;

// Above the real-time threads of the sound servers and of the program.
constexpr int watchPriority = 95;
constexpr auto nap = std::chrono::milliseconds(1);

// The time the host has taken all the processors away and counted as stolen, in seconds.
double stolenSeconds() {
    std::ifstream stat("/proc/stat");
    std::string cpu;
    stat >> cpu;
    long long value = 0, steal = 0;
    for (int field = 1; field <= 8 && stat >> value; ++field)
        steal = value;
    return static_cast<double>(steal) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

}  // namespace

struct HostStalls::Watcher {
    std::atomic<bool> realtime{false};
    // The longest oversleep since the last restart, in nanoseconds.
    std::atomic<std::int64_t> longestNs{0};
};

HostStalls::HostStalls() {
    const long processors = std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN));
    for (long cpu = 0; cpu < processors; ++cpu) {
        watchers_.push_back(std::make_unique<Watcher>());
        Watcher& watcher = *watchers_.back();
        threads_.emplace_back([this, &watcher, cpu] {
            cpu_set_t set;
            CPU_ZERO(&set);
            CPU_SET(static_cast<int>(cpu), &set);
            const bool pinned = pthread_setaffinity_np(pthread_self(), sizeof set, &set) == 0;
            sched_param parameters{};
            parameters.sched_priority = watchPriority;
            watcher.realtime =
                pinned && pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameters) == 0;
            if (!watcher.realtime)
                return;
            auto last = Clock::now();
            while (!stop_) {
                std::this_thread::sleep_for(nap);
                const auto now = Clock::now();
                const auto overslept =
                    std::chrono::duration_cast<std::chrono::nanoseconds>(now - last - nap).count();
                std::int64_t longest = watcher.longestNs;
                while (overslept > longest &&
                       !watcher.longestNs.compare_exchange_weak(longest, overslept)) {
                }
                last = now;
            }
        });
    }
    restart();
}

HostStalls::~HostStalls() {
    stop_ = true;
    for (std::thread& thread : threads_)
        thread.join();
}

void HostStalls::restart() {
    stolenAtStart_ = stolenSeconds();
    for (const auto& watcher : watchers_)
        watcher->longestNs = 0;
}

double HostStalls::longestSeconds() const {
    double longest = stolenSeconds() - stolenAtStart_;
    for (const auto& watcher : watchers_)
        if (watcher->realtime)
            longest = std::max(longest, static_cast<double>(watcher->longestNs) * 1e-9);
    return longest;
}

}  // namespace harness
