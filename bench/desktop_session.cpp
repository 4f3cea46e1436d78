#include "bench/desktop_session.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace bench {

using std::chrono::milliseconds;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void sleepMs(int duration) {
    std::this_thread::sleep_for(milliseconds(duration));
}

Spread spreadOf(std::vector<double> values) {
    Spread s;
    s.count = static_cast<int>(values.size());
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    // Nearest rank.
    s.p95 = values[std::min(n - 1, static_cast<std::size_t>((95 * n + 99) / 100) - 1)];
    s.max = values.back();
    return s;
}

std::optional<std::int64_t> firstSound(const MonitorRecorder& r, std::int64_t from, int timeoutMs) {
    const auto end = Clock::now() + milliseconds(timeoutMs);
    std::int64_t searched = from;
    while (Clock::now() < end) {
        const std::vector<int> m = r.magnitudes(searched, r.frames());
        const auto hit = std::find_if(m.begin(), m.end(), [](int v) { return v != 0; });
        if (hit != m.end())
            return searched + (hit - m.begin());
        searched += static_cast<std::int64_t>(m.size());
        sleepMs(5);
    }
    return std::nullopt;
}

std::int64_t soundEnd(const MonitorRecorder& r, std::int64_t from, int quietMs, int timeoutMs) {
    const std::int64_t quietFrames = std::int64_t{quietMs} * sinkRate / 1000;
    const auto end = Clock::now() + milliseconds(timeoutMs);
    std::int64_t lastSound = from;
    std::int64_t searched = from;
    for (;;) {
        const std::int64_t available = r.frames();
        const std::vector<int> m = r.magnitudes(searched, available);
        for (std::size_t i = 0; i < m.size(); ++i)
            if (m[i] != 0)
                lastSound = searched + static_cast<std::int64_t>(i) + 1;
        searched = available;
        if (available - lastSound >= quietFrames || Clock::now() >= end)
            return lastSound;
        sleepMs(20);
    }
}

std::string tolmaryBinary() {
    const char* override = std::getenv("TOLMARY_BINARY");
    return override && *override ? override : TOLMARY_BINARY;
}

std::string startToMeasure(Desktop& desktop, const std::string& binary, harness::ServerKind kind) {
    if (::access(binary.c_str(), X_OK) != 0)
        return binary + " is not built";
    return desktop.start(kind);
}

}  // namespace bench
