// `tolmary --listen` on a private sound server, hearing the six open strings (each a little off)
// whole, with stretches of 1 to 20 ms cut out, with holes of low noise in their place, and with
// holes of low noise where data came late (tests/support/broken_streams.h): how many readings it
// makes and how many are more than half a cent off the string's true fundamental, and the worst.
// Says "skipped: <why>" without a sound server. TOLMARY_BINARY=/path/to/tolmary measures another
// build.

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/broken_streams.h"
#include "tests/support/child_process.h"
#include "tests/support/private_sound_server.h"
#include "tests/support/sink_player.h"

namespace {

using harness::sinkRate;

std::string tolmaryBinary() {
    const char* override = std::getenv("TOLMARY_BINARY");
    return override && *override ? override : TOLMARY_BINARY;
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The frequencies of the readings `tolmary --listen` wrote: "NOTE HZ CENTS" lines.
std::vector<double> readingsIn(const std::string& file) {
    std::ifstream in(file);
    std::vector<double> hz;
    for (std::string line; std::getline(in, line);) {
        char note[8] = {};
        double value = 0, cents = 0;
        if (std::sscanf(line.c_str(), "%7s %lf %lf", note, &value, &cents) == 3)
            hz.push_back(value);
    }
    return hz;
}

struct Figures {
    std::size_t readings = 0;
    int off = 0;
    double worst = 0;
    bool gaps = false;
};

Figures listenTo(const testing::SixStrings& six, const std::string& folder,
                 const harness::PrivateSoundServer& sound, harness::SinkPlayer& player,
                 const std::string& name) {
    const std::string output = folder + "/" + name + ".txt";
    harness::ChildProcess listener;
    Figures f;
    if (!listener.start({tolmaryBinary(), "--listen"},
                        harness::environmentWith({"XDG_RUNTIME_DIR=" + folder, "HOME=" + folder,
                                                  "PULSE_SERVER=" + sound.address()}),
                        output))
        return f;
    sleepMs(1500);
    const int underruns = player.underruns();
    player.play(six.stream.samples);
    while (player.playing())
        sleepMs(100);
    sleepMs(1500);
    listener.stop(SIGINT);
    f.gaps = player.underruns() != underruns;
    for (double hz : readingsIn(output)) {
        double off = 1e9;
        for (double truth : six.truthHz) {
            const double cents = 1200.0 * std::log2(hz / truth);
            if (std::abs(cents) < std::abs(off))
                off = cents;
        }
        ++f.readings;
        f.off += std::abs(off) > 0.5;
        f.worst = std::max(f.worst, std::abs(off));
    }
    return f;
}

}  // namespace

int main() {
    std::printf("tolmary --listen on the six open strings, broken (%s)\n", tolmaryBinary().c_str());
    if (!harness::inPath("pulseaudio")) {
        std::printf("skipped: pulseaudio is not installed\n");
        return 0;
    }
    char name[] = "/tmp/tolmary-breaks-bench-XXXXXX";
    if (!::mkdtemp(name)) {
        std::printf("skipped: no temporary folder\n");
        return 0;
    }
    const std::string folder = name;
    harness::PrivateSoundServer sound;
    harness::SinkPlayer player;
    std::string why = sound.start(folder, "tolmary_breaks", folder + "/pulse.log");
    if (why.empty())
        why = player.start(sound.address(), "tolmary_breaks");
    if (!why.empty()) {
        std::printf("skipped: %s\n", why.c_str());
        return 0;
    }
    std::printf("%-32s %9s %22s %12s\n", "stream", "readings", "more than 0.5 cent off",
                "worst, cents");
    const struct {
        const char* name;
        const char* file;
        testing::BreakKind kind;
        bool broken;
    } streams[] = {{"whole", "whole", testing::BreakKind::cutOut, false},
                   {"1 to 20 ms cut out, 42 times", "cut-outs", testing::BreakKind::cutOut, true},
                   {"holes of low noise, 42 times", "holes", testing::BreakKind::noiseHole, true},
                   {"late data's noise, 42 times", "late", testing::BreakKind::lateNoise, true}};
    for (const auto& s : streams) {
        const auto six = testing::sixStringsWithBreaks(sinkRate, s.kind, s.broken);
        const Figures f = listenTo(six, folder, sound, player, s.file);
        std::printf("%-32s %9zu %22d %12.2f%s\n", s.name, f.readings, f.off, f.worst,
                    f.gaps ? "  (the player ran dry: gaps of its own)" : "");
    }
    player.stop();
    sound.kill();
    std::filesystem::remove_all(folder);
    return 0;
}
