// What a user meets: the real `tolmary` on its own X server and its own PulseAudio server (a
// null sink whose monitor this bench records), measured as a whole process from /proc.
// Prints start to window shown beside a bare Qt window, the cost while the window is open and
// silent, the cost of a held note, note-on to first sample in the server (warm stream and
// after five seconds of silence), the dropouts inside a recorded note with and without two
// busy processes competing for the cores, the cost of `tolmary --listen` hearing a guitar and
// hearing silence, and the closed loop: each reference note the window plays, read back by
// `tolmary --listen` from the sink's monitor. Says "skipped: <why>" where a server is missing.
//
// TOLMARY_BINARY=/path/to/tolmary measures another build; TOLMARY_BENCH_NOTES sets the notes per
// latency figure (15).

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "bench/desktop_measurements.h"
#include "bench/desktop_table.h"

using namespace bench;

int main() {
    const std::string binary = tolmaryBinary();
    Desktop desktop;
    if (std::string why = startToMeasure(desktop, binary); !why.empty()) {
        std::printf("skipped: %s\n", why.c_str());
        return 0;
    }
    const char* notesSetting = std::getenv("TOLMARY_BENCH_NOTES");
    const int notes = notesSetting ? std::max(1, std::atoi(notesSetting)) : 15;
    std::printf("measuring %s (whole process; private Xvfb and PulseAudio null sink)\n",
                binary.c_str());
    std::fflush(stdout);

    // TOLMARY_BENCH_ONLY=listening-window measures that alone (to compare two builds).
    if (const char* only = std::getenv("TOLMARY_BENCH_ONLY");
        only && std::string(only) == "listening-window") {
        const std::optional<LoadFigures> w = measureListeningWindow(desktop);
        std::printf(
            "listening window, guitar plucks 10 s: %s\n",
            w ? format("%.2f %% / %.2f %% of one core", w->cpuPercent, w->preciseCpuPercent).c_str()
              : "not measured");
        return 0;
    }
    const StartFigures start = measureStart(desktop);
    const CostFigures cost = measureCost(desktop);
    const LatencyFigures latency = measureLatency(desktop, notes);
    const DropoutFigures dropouts = measureDropouts(desktop);
    const ListeningCost listening = measureListeningCost(desktop);
    const std::optional<LoadFigures> window = measureListeningWindow(desktop);
    const std::vector<LoopRun> loop = measureClosedLoop(desktop);

    std::printf("  %-56s %-28s %s\n", "figure", "measured", "goal");
    printStart(start);
    printCost(cost);
    printLatency(latency);
    printDropouts(dropouts);
    printListeningCost(listening);
    printListeningWindow(window);
    printClosedLoop(loop);
    std::printf(
        "  (monitor chunks of %d frames; latency is from the click's release to the "
        "first non-zero frame mixed in the sink; the closed loop's figure is the median "
        "reading of each note, cents from its target)\n",
        desktop.recorder().typicalChunkFrames());
    return 0;
}
