// Gaps inside a recorded note, at rest and with two busy processes competing for the cores.

#include "bench/desktop_measurements.h"
#include "bench/desktop_table.h"
#include "bench/desktop_tuner.h"

namespace bench {
namespace {

using harness::countGaps;
using harness::GapCount;
using std::chrono::milliseconds;

std::optional<GapCount> recordedNoteGaps(Desktop& desktop, Tuner& tuner) {
    MonitorRecorder& r = desktop.recorder();
    const Clock::time_point click = tuner.clickString();
    const std::int64_t from = r.frameAt(click - milliseconds(100));
    const auto first = firstSound(r, from, 5000);
    if (!first)
        return std::nullopt;
    const std::int64_t end = soundEnd(r, *first, 500, 20000);
    return countGaps(r.magnitudes(from, end + 1));
}

std::string gapText(const std::optional<GapCount>& g) {
    if (!g || !g->sounded)
        return "not heard";
    return format("%.0f gaps, longest %.0f", g->gaps, g->longest) +
           format(" (%.1f s)", double(g->soundFrames) / sinkRate);
}

}  // namespace

DropoutFigures measureDropouts(Desktop& desktop) {
    DropoutFigures f;
    Tuner tuner(desktop, 6);
    if (!tuner.ok())
        return f;
    sleepMs(1000);
    f.rest = recordedNoteGaps(desktop, tuner);
    sleepMs(500);
    {
        ChildProcess busy[2];
        for (ChildProcess& b : busy)
            b.startBusyLoop();
        sleepMs(1000);
        f.loaded = recordedNoteGaps(desktop, tuner);
    }
    return f;
}

void printDropouts(const DropoutFigures& f) {
    row("dropouts (>= 16 zero frames) in a note, at rest", gapText(f.rest), "0");
    row("  with two busy processes on the cores", gapText(f.loaded), "0");
}

}  // namespace bench
