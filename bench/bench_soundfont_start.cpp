// Start-up with each General MIDI SoundFont Debian offers, the largest included: the real
// `tolmary` on its own X and sound servers, told which SoundFont to play. Per SoundFont it
// prints start to window mapped beside a bare Qt window, how long a string clicked the moment
// the window appears waits for its sound (the SoundFont's load), note-on to first sample once
// loaded, and the process's resident memory; then what FluidSynth's engine alone holds of each
// SoundFont, with and without synth.dynamic-sample-loading. A SoundFont without a shipped
// correction table is calibrated on its first start, which is timed and left out of the rest.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "bench/desktop_session.h"
#include "pitch/pitch_correction_loader.h"

namespace {

using namespace bench;
using std::chrono::milliseconds;

struct Font {
    const char* name;
    const char* path;
};

// Debian's packages timgm6mb-soundfont, musescore-general-soundfont-small (the sf3 many
// desktops name default-GM.sf3) and fluid-soundfont-gm, smallest first.
constexpr Font fonts[] = {
    {"TimGM6mb", "/usr/share/sounds/sf2/TimGM6mb.sf2"},
    {"MuseScore General Lite", "/usr/share/sounds/sf3/MuseScore_General_Lite.sf3"},
    {"FluidR3_GM", "/usr/share/sounds/sf2/FluidR3_GM.sf2"},
};
constexpr int startRounds = 3;
constexpr int latencyNotes = 5;

long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::atol(line.c_str() + 6);
    return -1;
}

struct FontFigures {
    bool installed = false;
    double megabytes = 0;
    double calibrationSeconds = 0;  // 0: a shipped table, nothing calibrated
    Spread mapped;
    Spread waitedAtMapping;  // click at the window's mapping to its first sample
    Spread latency;          // after loading
    Spread residentMb;
    int stillSounding = 0;  // a note that never rang out; note-on to sound not measured after it
};

std::vector<std::string> fontEnvironment(const Desktop& desktop, const Font& font) {
    return {"TOLMARY_SOUNDFONT=" + std::string(font.path),
            "XDG_CACHE_HOME=" + desktop.folder() + "/cache"};
}

bool shipped(const Font& font) {
    const auto hash = pitch::soundFontHash(font.path);
    return hash && pitch::shippedCorrectionsFor(*hash);
}

// The first start of a SoundFont without a shipped table calibrates it in the background;
// waits for the cache that calibration writes and returns the seconds since the window.
double calibrate(Desktop& desktop, const Font& font) {
    const auto hash = pitch::soundFontHash(font.path);
    if (!hash)
        return 0;
    const std::string cache =
        pitch::pitchCorrectionCacheFile(desktop.folder() + "/cache/Tolmary", *hash);
    ChildProcess p;
    if (!desktop.launch(p, tolmaryBinary(), 1, {}, fontEnvironment(desktop, font)))
        return 0;
    const ShownWindow w = desktop.x().waitForWindow(tunerTitle, 60000);
    std::error_code ec;
    while (w.window && !std::filesystem::exists(cache, ec) &&
           Clock::now() - w.mappedAt < std::chrono::minutes(10))
        sleepMs(200);
    const double seconds = std::chrono::duration<double>(Clock::now() - w.mappedAt).count();
    desktop.close(p, w.window);
    return seconds;
}

FontFigures measureFont(Desktop& desktop, const Font& font) {
    FontFigures f;
    std::error_code ec;
    f.installed = std::filesystem::is_regular_file(font.path, ec);
    if (!f.installed)
        return f;
    f.megabytes = static_cast<double>(std::filesystem::file_size(font.path, ec)) / 1e6;
    if (!shipped(font))
        f.calibrationSeconds = calibrate(desktop, font);
    MonitorRecorder& r = desktop.recorder();
    std::vector<double> mapped, waited, latency, resident;
    // One uncounted start first, so the SoundFont is in the page cache as on a second start.
    for (int round = 0; round <= startRounds; ++round) {
        ChildProcess p;
        if (!desktop.launch(p, tolmaryBinary(), 1, {}, fontEnvironment(desktop, font)))
            continue;
        const ShownWindow w = desktop.x().waitForWindow(tunerTitle, 60000);
        if (!w.window)
            continue;
        Clock::time_point click = desktop.x().click(w.window, stringX, firstStringY);
        auto first = firstSound(r, r.frameAt(click - milliseconds(100)), 60000);
        if (round > 0) {
            mapped.push_back(ms(w.mappedAt - p.startedAt()));
            if (first)
                waited.push_back(ms(r.timeOf(*first) - click));
        }
        // Note-on to sound in the last round only: each note is let ring out first (a low
        // string of FluidR3 rings for over 10 s), so that its tail is not taken for the next.
        for (int note = 0; first && round == startRounds && note < latencyNotes; ++note) {
            const std::int64_t end = soundEnd(r, *first, 300, 30000);
            if (r.frames() - end < sinkRate * 3 / 10) {
                ++f.stillSounding;
                break;
            }
            click = desktop.x().click(w.window, stringX, firstStringY);
            first = firstSound(r, r.frameAt(click - milliseconds(100)), 5000);
            if (first)
                latency.push_back(ms(r.timeOf(*first) - click));
        }
        if (first)
            soundEnd(r, *first, 300, 30000);
        if (round > 0)
            resident.push_back(static_cast<double>(residentKb(p.pid())) / 1024.0);
        desktop.close(p, w.window);
    }
    f.mapped = spreadOf(mapped);
    f.waitedAtMapping = spreadOf(waited);
    f.latency = spreadOf(latency);
    f.residentMb = spreadOf(resident);
    return f;
}

Spread bareWindowMapped(Desktop& desktop) {
    std::vector<double> mapped;
    for (int round = 0; round <= startRounds; ++round) {
        ChildProcess p;
        if (!desktop.launch(p, TOLMARY_BARE_WINDOW, 1))
            continue;
        const ShownWindow w = desktop.x().waitForWindow(bareTitle, 20000);
        if (w.window && round > 0)
            mapped.push_back(ms(w.mappedAt - p.startedAt()));
        desktop.close(p, w.window);
    }
    return spreadOf(mapped);
}

struct EngineFigures {
    bool ok = false;
    double loadedMb = 0;  // over the process before loading
    double playedMb = 0;
    double loadMs = 0;
    double programMs = 0;
};

EngineFigures engineMemory(const Desktop& desktop, const Font& font, bool dynamic) {
    EngineFigures e;
    const std::string output = desktop.folder() + "/engine.txt";
    std::filesystem::remove(output);
    ChildProcess p;
    if (!p.start({TOLMARY_ENGINE_MEMORY, font.path, dynamic ? "1" : "0"}, environmentWith({}),
                 output) ||
        !p.waitForExit(120000) || p.exitCode() != 0)
        return e;
    std::ifstream in(output);
    long before = 0, loaded = 0, played = 0;
    if (!(in >> before >> loaded >> played >> e.loadMs >> e.programMs))
        return e;
    e.loadedMb = static_cast<double>(loaded - before) / 1024.0;
    e.playedMb = static_cast<double>(played - before) / 1024.0;
    e.ok = true;
    return e;
}

std::string format(const char* pattern, double a, double b = 0, double c = 0) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

void row(const std::string& what, const std::string& figure, const std::string& goal) {
    std::printf("  %-58s %-30s %s\n", what.c_str(), figure.c_str(), goal.c_str());
}

std::string spreadText(const Spread& s, const char* unit) {
    if (s.count == 0)
        return "not measured";
    return format("%.0f / %.0f ", s.median, s.max) + unit + " (n=" + std::to_string(s.count) + ")";
}

}  // namespace

int main() {
    const std::string binary = tolmaryBinary();
    Desktop desktop;
    if (std::string why = startToMeasure(desktop, binary); !why.empty()) {
        std::printf("skipped: %s\n", why.c_str());
        return 0;
    }
    std::printf("measuring %s with each SoundFont (median / worst; private Xvfb and PulseAudio)\n",
                binary.c_str());
    std::fflush(stdout);
    const Spread bare = bareWindowMapped(desktop);
    row("bare Qt window: start to window mapped", spreadText(bare, "ms"), "");
    for (const Font& font : fonts) {
        const FontFigures f = measureFont(desktop, font);
        if (!f.installed) {
            row(std::string(font.name) + ": not installed", "", "");
            continue;
        }
        row(std::string(font.name) + format(" (%.0f MB): start to window mapped", f.megabytes),
            spreadText(f.mapped, "ms") +
                (bare.count ? format(", %.1fx bare", f.mapped.median / bare.median) : ""),
            "<= 2x bare");
        if (f.calibrationSeconds > 0)
            row("  first start: calibrated in the background, window to cache",
                format("%.0f s", f.calibrationSeconds), "");
        row("  click at the window's mapping to first sample (the load)",
            spreadText(f.waitedAtMapping, "ms"), "");
        row("  note-on to first sample after loading", spreadText(f.latency, "ms"), "<= 40 ms");
        if (f.stillSounding)
            row("  a note never rang out: note-on to sound cut short", "", "");
        row("  resident memory after the notes", spreadText(f.residentMb, "MB"), "");
        std::fflush(stdout);
    }
    row("FluidSynth alone, over an empty process: loaded / after a note", "MB, load ms", "");
    for (const Font& font : fonts) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(font.path, ec))
            continue;
        for (const bool dynamic : {false, true}) {
            const EngineFigures e = engineMemory(desktop, font, dynamic);
            const std::string what = std::string("  ") + font.name +
                                     (dynamic ? ", dynamic-sample-loading" : ", samples loaded");
            row(what,
                e.ok ? format("%.0f / %.0f MB, %.0f ms", e.loadedMb, e.playedMb, e.loadMs) +
                           format(" (+%.0f ms program)", e.programMs)
                     : std::string("did not run"),
                "");
        }
    }
    std::printf(
        "  (latency is from the click's release to the first non-zero frame mixed in the "
        "sink; resident memory is VmRSS of the whole process)\n");
    return 0;
}
