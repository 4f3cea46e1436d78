// What the window costs while the pointer rests on a string button, as it does after every
// click: the button's hover poll and whatever else wakes meanwhile.

#include "bench/desktop_measurements.h"
#include "bench/desktop_table.h"
#include "bench/desktop_tuner.h"

namespace bench {

HoverFigures measureHover(Desktop& desktop) {
    HoverFigures f;
    Tuner tuner(desktop, 1);
    if (!tuner.ok())
        return f;
    sleepMs(3000);
    tuner.parkOnString();
    sleepMs(1000);
    const ProcessLoad from = readProcessLoad(tuner.pid());
    sleepMs(10000);
    f.parked = loadBetween(from, readProcessLoad(tuner.pid()));
    f.ok = f.parked.threads > 0;
    return f;
}

void printHover(const HoverFigures& f) {
    if (!f.ok) {
        row("pointer on a string button", "not measured (no window)", "");
        return;
    }
    row("pointer on a string button 10 s: wake-ups/s (main)",
        format("%.0f (%.0f)", f.parked.wakeupsPerSecond, f.parked.mainWakeupsPerSecond),
        "<= 20, the hover poll");
    row("  CPU, % of one core (ticks / schedstat)",
        format("%.2f %% / %.2f %%", f.parked.cpuPercent, f.parked.preciseCpuPercent), "");
}

}  // namespace bench
