// What a user meets: the real `tolmary` on its own X server and its own PulseAudio server (a
// null sink whose monitor this bench records), measured as a whole process from /proc.
// Prints start to window shown beside a bare Qt window, the cost while the window is open and
// silent, the cost of a held note, the cost while the pointer rests on a string button,
// note-on to first sample in the server (warm stream and after five seconds of silence), the
// dropouts inside a recorded note with and without two busy processes competing for the cores,
// the cost of `tolmary --listen` hearing a guitar and hearing silence, and the closed loop:
// each reference note the window plays, read back by `tolmary --listen` from the sink's
// monitor. Says "skipped: <why>" where a server is missing.
//
// TOLMARY_BINARY=/path/to/tolmary measures another build; TOLMARY_BENCH_NOTES sets the notes per
// latency figure (15); TOLMARY_BENCH_ONLY=NAME runs one measurement alone (to compare two
// builds): start, cost, hover, latency, dropouts, listening, listening-window, closed-loop.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "bench/desktop_measurements.h"
#include "bench/desktop_table.h"

using namespace bench;

namespace {

struct Measurement {
    const char* name;
    std::function<void(Desktop&)> measureAndPrint;
};

}  // namespace

int main() {
    const std::string binary = tolmaryBinary();
    Desktop desktop;
    if (std::string why = startToMeasure(desktop, binary); !why.empty()) {
        std::printf("skipped: %s\n", why.c_str());
        return 0;
    }
    const char* notesSetting = std::getenv("TOLMARY_BENCH_NOTES");
    const int notes = notesSetting ? std::max(1, std::atoi(notesSetting)) : 15;
    const char* onlySetting = std::getenv("TOLMARY_BENCH_ONLY");
    const std::string only = onlySetting ? onlySetting : "";
    std::printf("measuring %s (whole process; private Xvfb and PulseAudio null sink)\n",
                binary.c_str());
    std::fflush(stdout);

    // The listening window alone keeps the one line it has always printed.
    if (only == "listening-window") {
        const std::optional<LoadFigures> w =
            measureListeningWindow(desktop, MicrophoneDevice::speakersMonitor);
        std::printf(
            "listening window, guitar plucks 10 s: %s\n",
            w ? format("%.2f %% / %.2f %% of one core", w->cpuPercent, w->preciseCpuPercent).c_str()
              : "not measured");
        return 0;
    }
    const Measurement measurements[] = {
        {"start", [](Desktop& d) { printStart(measureStart(d)); }},
        {"cost", [](Desktop& d) { printCost(measureCost(d)); }},
        {"hover", [](Desktop& d) { printHover(measureHover(d)); }},
        {"latency", [notes](Desktop& d) { printLatency(measureLatency(d, notes)); }},
        {"dropouts", [](Desktop& d) { printDropouts(measureDropouts(d)); }},
        {"listening",
         [](Desktop& d) {
             printListeningCost(measureListeningCost(d));
             const auto speakers = measureListeningWindow(d, MicrophoneDevice::speakersMonitor);
             printListeningWindow(speakers, measureListeningWindow(d, MicrophoneDevice::own));
         }},
        {"closed-loop", [](Desktop& d) { printClosedLoop(measureClosedLoop(d)); }},
    };
    const bool known =
        only.empty() || std::any_of(std::begin(measurements), std::end(measurements),
                                    [&](const Measurement& m) { return m.name == only; });
    if (!known) {
        std::printf("TOLMARY_BENCH_ONLY=%s: no such measurement\n", only.c_str());
        return 1;
    }
    std::printf("  %-56s %-28s %s\n", "figure", "measured", "goal");
    for (const Measurement& m : measurements) {
        if (!only.empty() && m.name != only)
            continue;
        m.measureAndPrint(desktop);
        std::fflush(stdout);
    }
    if (only.empty())
        std::printf(
            "  (monitor chunks of %d frames; latency is from the click's release to the "
            "first non-zero frame mixed in the sink; the closed loop's figure is the median "
            "reading of each note, cents from its target)\n",
            desktop.recorder().typicalChunkFrames());
    return 0;
}
