// What the open window costs the whole process: silent, then holding a note.

#include <thread>

#include "bench/desktop_measurements.h"
#include "bench/desktop_table.h"
#include "bench/desktop_tuner.h"

namespace bench {

using std::chrono::milliseconds;

CostFigures measureCost(Desktop& desktop) {
    CostFigures f;
    Tuner tuner(desktop, 9);
    if (!tuner.ok())
        return f;
    // Start-up work (fonts, the synth's first buffers) settles first.
    sleepMs(3000);
    const ProcessLoad idleFrom = readProcessLoad(tuner.pid());
    sleepMs(10000);
    const ProcessLoad idleTo = readProcessLoad(tuner.pid());
    f.idle = loadBetween(idleFrom, idleTo);

    // The note is held until its whole-second end: the program counts from the wall clock's
    // second at note-on, so the note-off comes 9 s after the click less the milliseconds that
    // second had already run. The sound itself may fade before that.
    MonitorRecorder& r = desktop.recorder();
    const auto wall = std::chrono::system_clock::now().time_since_epoch();
    const Clock::time_point click = tuner.clickString();
    const ProcessLoad noteFrom = readProcessLoad(tuner.pid());
    if (!firstSound(r, r.frameAt(click - milliseconds(100)), 5000))
        return f;
    const auto intoSecond = std::chrono::duration_cast<milliseconds>(wall) % 1000;
    std::this_thread::sleep_until(click + std::chrono::seconds(9) - intoSecond);
    const ProcessLoad noteTo = readProcessLoad(tuner.pid());
    f.note = loadBetween(noteFrom, noteTo);
    f.noteSeconds = std::chrono::duration<double>(noteTo.at - noteFrom.at).count();
    soundEnd(r, r.frames(), 300, 10000);
    f.ok = true;
    return f;
}

void printCost(const CostFigures& f) {
    if (!f.ok) {
        row("idle and held note", "not measured (no window or no sound)", "");
        return;
    }
    row("idle 10 s: CPU, % of one core (ticks / schedstat)",
        format("%.2f %% / %.2f %%", f.idle.cpuPercent, f.idle.preciseCpuPercent), "<= 0.5 %");
    row("idle 10 s: wake-ups/s, all threads (main thread)",
        format("%.0f (%.0f)", f.idle.wakeupsPerSecond, f.idle.mainWakeupsPerSecond), "<= 10");
    row("idle: threads", format("%.0f", f.idle.threads), "");
    row("held note (Dur=9): CPU, % of one core",
        format("%.2f %% / %.2f %%", f.note.cpuPercent, f.note.preciseCpuPercent) +
            format(" over %.1f s", f.noteSeconds),
        "<= 2 %");
    row("held note: wake-ups/s (main thread)",
        format("%.0f (%.0f)", f.note.wakeupsPerSecond, f.note.mainWakeupsPerSecond), "");
}

}  // namespace bench
