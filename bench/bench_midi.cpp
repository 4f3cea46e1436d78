// Figures for the MIDI output: CPU used while a 9-second note is held, the built-in synth's
// note-on to first sound latency at the chosen period settings, and its start-up cost.

#include <fluidsynth.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include "app/qt_wait_host.h"
#include "midi/fluid_engine.h"
#include "midi/midi_lib.h"
#include "midi/soundfonts.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void heldNoteCpu() {
    midi::NullMidiPort port;
    app::QtWaitHost host;
    midi::MIDILib lib(port, host);
    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    lib.playNote(64, 9);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    std::printf("held 9-second note: %.2f s of wall time, %.4f CPU seconds (%.3f%% of one core)\n",
                wall, cpu, 100.0 * cpu / wall);
}

void startUp() {
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
}

// The audio callback renders the synth into the driver's buffer and notes when the first
// non-silent sample of a new note is handed over.
struct LatencyProbe {
    fluid_synth_t* synth = nullptr;
    std::atomic<bool> armed{false};
    std::atomic<long long> heardAtNs{0};
};

int renderAndWatch(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
    auto* probe = static_cast<LatencyProbe*>(data);
    for (int i = 0; i < nout; ++i)
        std::fill(out[i], out[i] + len, 0.0f);
    for (int i = 0; i < nfx; ++i)
        std::fill(fx[i], fx[i] + len, 0.0f);
    const int r = fluid_synth_process(probe->synth, len, nfx, fx, nout, out);
    if (probe->armed.load()) {
        for (int c = 0; c < nout; ++c)
            if (std::any_of(out[c], out[c] + len, [](float v) { return std::fabs(v) > 1e-6f; })) {
                probe->heardAtNs = Clock::now().time_since_epoch().count();
                probe->armed = false;
                break;
            }
    }
    return r;
}

void noteOnLatency() {
    const midi::SoundFontChoice font = midi::installedSoundFont();
    midi::EngineOptions options;  // the period settings the tuner uses
    options.soundFont = font.path;
    options.gain = font.gain;
    std::string error;
    auto engine = midi::FluidEngine::create(options, error);
    if (!engine) {
        std::printf("note-on latency: no synth (%s)\n", error.c_str());
        return;
    }
    const double bufferMs = 1000.0 * options.periodSize * options.periods / options.sampleRate;
    for (const std::string& driverName : midi::desktopAudioDrivers()) {
        fluid_settings_t* settings = new_fluid_settings();
        fluid_settings_setstr(settings, "audio.driver", driverName.c_str());
        fluid_settings_setint(settings, "audio.period-size", options.periodSize);
        fluid_settings_setint(settings, "audio.periods", options.periods);
        fluid_settings_setnum(settings, "synth.sample-rate", options.sampleRate);
        LatencyProbe probe;
        probe.synth = engine->synth();
        fluid_audio_driver_t* driver = new_fluid_audio_driver2(settings, renderAndWatch, &probe);
        if (!driver) {
            std::printf("note-on latency via %s: no audio output here\n", driverName.c_str());
            delete_fluid_settings(settings);
            continue;
        }
        // The stream takes a moment to start; the tuner opens it at start-up, long before the
        // first note, so the start is not part of a note's latency.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        std::vector<double> ms;
        for (int i = 0; i < 20; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            probe.heardAtNs = 0;
            probe.armed = true;
            const auto t0 = Clock::now();
            fluid_synth_noteon(engine->synth(), 1, 64, 127);
            while (probe.heardAtNs == 0 && Clock::now() - t0 < std::chrono::seconds(1))
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            fluid_synth_noteoff(engine->synth(), 1, 64);
            if (probe.heardAtNs != 0)
                ms.push_back(double(probe.heardAtNs - t0.time_since_epoch().count()) / 1e6);
        }
        delete_fluid_audio_driver(driver);
        delete_fluid_settings(settings);
        if (ms.empty())
            continue;
        if (std::getenv("TOLMARY_BENCH_VERBOSE"))
            for (double v : ms)
                std::printf("  %.2f\n", v);
        std::sort(ms.begin(), ms.end());
        const double median = ms[ms.size() / 2];
        const double p95 = ms[(ms.size() * 95) / 100 - (ms.size() >= 20 ? 1 : 0)];
        std::printf(
            "note-on to first sound via %s (%d x %d frames): into the driver's buffer median "
            "%.2f ms, 95th percentile %.2f ms, worst %.2f ms; plus %.2f ms of buffering = %.2f ms "
            "at the 95th percentile\n",
            driverName.c_str(), options.periods, options.periodSize, median, p95, ms.back(),
            bufferMs, p95 + bufferMs);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    startUp();
    noteOnLatency();
    heldNoteCpu();
    return 0;
}
