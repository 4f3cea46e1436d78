// The built-in synth's start-up cost for each installed SoundFont: time to load it and the
// memory it takes. What the whole program costs while it runs is bench_desktop's to measure.

#include <chrono>
#include <cstdio>
#include <fstream>

#include <unistd.h>

#include "midi/fluid_engine.h"
#include "midi/soundfonts.h"

namespace {

using Clock = std::chrono::steady_clock;

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

}  // namespace

int main() {
    for (const midi::SoundFontChoice& font : midi::soundFontCandidates) {
        std::ifstream probe(font.path);
        if (!probe)
            continue;
        const double rss0 = residentMiB();
        const auto t0 = Clock::now();
        midi::EngineOptions options;
        options.soundFont = font.path;
        options.gain = font.gain;
        std::string error;
        auto engine = midi::FluidEngine::create(options, error);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        if (!engine) {
            std::printf("start-up %s: failed (%s)\n", font.path, error.c_str());
            continue;
        }
        std::printf("synth start-up with %s: %.1f ms, +%.1f MiB resident\n", font.path, ms,
                    residentMiB() - rss0);
    }
    return 0;
}
