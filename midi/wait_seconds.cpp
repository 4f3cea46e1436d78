#include "midi/wait_host.h"

#include <algorithm>

namespace midi {

void waitSeconds(WaitHost& host, std::int32_t seconds) {
    if (seconds <= 0)
        return;
    const std::int64_t wall = host.wallClockMs();
    // Milliseconds already gone in the start reading's second (floor, also before 1970).
    const std::int64_t intoSecond = ((wall % 1000) + 1000) % 1000;
    const std::int64_t start = host.monotonicMs();
    const std::int64_t end = start + std::int64_t{seconds} * 1000 - intoSecond;
    for (;;) {
        const std::int64_t now = host.monotonicMs();
        if (now >= end)
            return;
        host.processEvents(std::min<std::int64_t>(end - now, 1000));
    }
}

}  // namespace midi
