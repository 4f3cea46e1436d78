// Start to window shown: mapped and first drawn, tolmary beside a bare Qt window.

#include "bench/desktop_measurements.h"
#include "bench/desktop_table.h"

namespace bench {
namespace {

constexpr int startRounds = 10;

struct StartSeries {
    std::vector<double> mapped;
    std::vector<double> painted;
};

void startOnce(Desktop& desktop, const std::string& program, const std::string& title,
               StartSeries& series) {
    ChildProcess p;
    if (!desktop.launch(p, program, 1))
        return;
    const ShownWindow w = desktop.x().waitForWindow(title, 20000);
    desktop.close(p, w.window);
    if (!w.window)
        return;
    series.mapped.push_back(ms(w.mappedAt - p.startedAt()));
    series.painted.push_back(ms(w.paintedAt - p.startedAt()));
}

std::string startText(const Spread& mapped, const Spread& painted) {
    return mapped.count ? format("%.0f / %.0f ms", mapped.median, painted.median)
                        : std::string("no window");
}

}  // namespace

StartFigures measureStart(Desktop& desktop) {
    // One start of each first, uncounted, so both find their libraries in the page cache.
    StartSeries warmUp, tolmary, bare;
    startOnce(desktop, tolmaryBinary(), tunerTitle, warmUp);
    startOnce(desktop, TOLMARY_BARE_WINDOW, bareTitle, warmUp);
    for (int round = 0; round < startRounds; ++round) {
        startOnce(desktop, tolmaryBinary(), tunerTitle, tolmary);
        startOnce(desktop, TOLMARY_BARE_WINDOW, bareTitle, bare);
    }
    return {spreadOf(tolmary.mapped), spreadOf(tolmary.painted), spreadOf(bare.mapped),
            spreadOf(bare.painted)};
}

void printStart(const StartFigures& f) {
    row("start to window mapped / drawn, tolmary (median of 10)",
        startText(f.tolmaryMapped, f.tolmaryPainted), "near the bare window");
    row("  the same for a bare Qt window", startText(f.bareMapped, f.barePainted), "");
}

}  // namespace bench
