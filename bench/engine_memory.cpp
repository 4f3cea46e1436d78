// What FluidSynth's engine alone holds of a SoundFont, without a window or a sound server:
// `engine_memory FONT DYNAMIC` loads FONT (with synth.dynamic-sample-loading set to DYNAMIC,
// 0 or 1), then plays a guitar note the way the tuner does, and prints one line of figures:
// resident kB before loading, after loading and after the note, and the milliseconds of the
// load and of the program change.

#include <fluidsynth.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

long residentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::atol(line.c_str() + 6);
    return -1;
}

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: engine_memory FONT DYNAMIC\n", stderr);
        return 2;
    }
    const long before = residentKb();
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", 44100.0);
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", std::atoi(argv[2]));
    fluid_synth_t* synth = new_fluid_synth(settings);
    auto start = std::chrono::steady_clock::now();
    if (fluid_synth_sfload(synth, argv[1], 1) == FLUID_FAILED) {
        std::fprintf(stderr, "cannot load %s\n", argv[1]);
        return 1;
    }
    const double loadMs = msSince(start);
    const long loaded = residentKb();
    // Channel index 1 and a steel-string guitar, as the tuner's default sound plays.
    start = std::chrono::steady_clock::now();
    fluid_synth_program_change(synth, 1, 25);
    const double programMs = msSince(start);
    fluid_synth_noteon(synth, 1, 40, 127);
    std::vector<float> left(44100), right(44100);
    fluid_synth_write_float(synth, 44100, left.data(), 0, 1, right.data(), 0, 1);
    fluid_synth_noteoff(synth, 1, 40);
    const long played = residentKb();
    std::printf("%ld %ld %ld %.1f %.1f\n", before, loaded, played, loadMs, programMs);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return 0;
}
