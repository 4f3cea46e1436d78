// Note-on to the first sample mixed in the server: warm, and after five seconds of silence.

#include "bench/desktop_measurements.h"
#include "bench/desktop_table.h"
#include "bench/desktop_tuner.h"

namespace bench {

using std::chrono::milliseconds;

LatencyFigures measureLatency(Desktop& desktop, int notes) {
    LatencyFigures f;
    Tuner tuner(desktop, 1);
    if (!tuner.ok())
        return f;
    sleepMs(1000);
    MonitorRecorder& r = desktop.recorder();
    std::vector<double> warm, cold;
    // One note more than counted in the warm series: the first follows the start's silence.
    for (int i = 0; i < 2 * notes + 1; ++i) {
        // The previous note ended 300 ms ago (see soundEnd below).
        const bool afterSilence = i > notes;
        if (afterSilence)
            sleepMs(4700);
        const Clock::time_point click = tuner.clickString();
        const auto first = firstSound(r, r.frameAt(click - milliseconds(100)), 5000);
        if (!first) {
            ++f.missed;
            continue;
        }
        const double latency = ms(r.timeOf(*first) - click);
        soundEnd(r, *first, 300, 10000);
        if (afterSilence)
            cold.push_back(latency);
        else if (i > 0)
            warm.push_back(latency);
    }
    f.warm = spreadOf(warm);
    f.afterSilence = spreadOf(cold);
    return f;
}

void printLatency(const LatencyFigures& f) {
    row("note-on to first sample, warm: median / p95", spreadText(f.warm), "<= 40 ms");
    row("  after >= 5 s of silence: median / p95", spreadText(f.afterSilence), "<= 40 ms");
    if (f.missed)
        row("  clicks not heard within 5 s", std::to_string(f.missed), "0");
}

}  // namespace bench
