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

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "bench/desktop_session.h"
#include "bench/process_load.h"
#include "pitch/pitch_estimator.h"
#include "pitch/reading_text.h"
#include "tests/support/child_process.h"
#include "tests/support/monitor_recorder.h"
#include "tests/support/private_sound_server.h"
#include "tests/support/sink_player.h"
#include "tests/support/synthetic_notes.h"
#include "tuner/catalogue.h"

namespace {

using namespace bench;
using namespace harness;
using std::chrono::milliseconds;

constexpr int strings = 6;
constexpr int startRounds = 5;

// ---- a) start to window shown ------------------------------------------------------------

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

struct StartFigures {
    Spread tolmaryMapped, tolmaryPainted;
    Spread bareMapped, barePainted;
};

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

// ---- the running program --------------------------------------------------------------------

class Tuner {
public:
    Tuner(Desktop& desktop, int duration, const std::string& settings = {}) : desktop_(desktop) {
        if (desktop.launch(process_, tolmaryBinary(), duration, settings))
            window_ = desktop.x().waitForWindow(tunerTitle, 20000).window;
    }
    ~Tuner() { desktop_.close(process_, window_); }
    bool ok() const { return window_ != 0; }
    pid_t pid() const { return process_.pid(); }

    // Clicks the next string button (they take turns, so two clicks never make a double
    // click) and returns the instant of the release.
    Clock::time_point clickString() {
        const int y = firstStringY + stringStep * (next_++ % strings);
        return desktop_.x().click(window_, stringX, y);
    }

    // Opens the listening window ("Poslušaj", under the defaults button).
    bool openListening() {
        desktop_.x().click(window_, listenX, listenY);
        return desktop_.x().waitForWindow(listeningTitle, 10000).window != 0;
    }

private:
    Desktop& desktop_;
    ChildProcess process_;
    unsigned long window_ = 0;
    int next_ = 0;
};

// ---- b) and c) idle and held note -------------------------------------------------------------

struct CostFigures {
    bool ok = false;
    LoadFigures idle;
    LoadFigures note;
    double noteSeconds = 0;
};

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

// ---- d) note-on to first sample ------------------------------------------------------------

struct LatencyFigures {
    Spread warm;
    Spread afterSilence;
    int missed = 0;
};

LatencyFigures measureLatency(Desktop& desktop, int notes) {
    LatencyFigures f;
    Tuner tuner(desktop, 1);
    if (!tuner.ok())
        return f;
    sleepMs(1000);
    MonitorRecorder& r = desktop.recorder();
    std::vector<double> warm, cold;
    // One note more than counted in the warm series: the first follows the start's silence.
    for (int i = 0; i < 2 * notes + 1; ++i) {
        // The previous note ended 300 ms ago (see soundEnd below).
        const bool afterSilence = i > notes;
        if (afterSilence)
            sleepMs(4700);
        const Clock::time_point click = tuner.clickString();
        const auto first = firstSound(r, r.frameAt(click - milliseconds(100)), 5000);
        if (!first) {
            ++f.missed;
            continue;
        }
        const double latency = ms(r.timeOf(*first) - click);
        soundEnd(r, *first, 300, 10000);
        if (afterSilence)
            cold.push_back(latency);
        else if (i > 0)
            warm.push_back(latency);
    }
    f.warm = spreadOf(warm);
    f.afterSilence = spreadOf(cold);
    return f;
}

// ---- e) dropouts --------------------------------------------------------------------------

std::optional<GapCount> recordedNoteGaps(Desktop& desktop, Tuner& tuner) {
    MonitorRecorder& r = desktop.recorder();
    const Clock::time_point click = tuner.clickString();
    const std::int64_t from = r.frameAt(click - milliseconds(100));
    const auto first = firstSound(r, from, 5000);
    if (!first)
        return std::nullopt;
    const std::int64_t end = soundEnd(r, *first, 500, 20000);
    return countGaps(r.magnitudes(from, end + 1));
}

struct DropoutFigures {
    std::optional<GapCount> rest;
    std::optional<GapCount> loaded;
};

DropoutFigures measureDropouts(Desktop& desktop) {
    DropoutFigures f;
    Tuner tuner(desktop, 6);
    if (!tuner.ok())
        return f;
    sleepMs(1000);
    f.rest = recordedNoteGaps(desktop, tuner);
    sleepMs(500);
    {
        ChildProcess busy[2];
        for (ChildProcess& b : busy)
            b.startBusyLoop();
        sleepMs(1000);
        f.loaded = recordedNoteGaps(desktop, tuner);
    }
    return f;
}

// ---- f) listening: cost and the closed loop --------------------------------------------------

struct Heard {
    std::string note;
    double hz = 0;
    double cents = 0;
};

// The readings `tolmary --listen` wrote to `file` from byte `from` on: whole lines only.
std::vector<Heard> readingsIn(const std::string& file, std::streamoff from) {
    std::ifstream in(file);
    in.seekg(from);
    std::vector<Heard> readings;
    for (std::string line; std::getline(in, line) && !in.eof();) {
        char note[8] = {};
        Heard h;
        if (std::sscanf(line.c_str(), "%7s %lf %lf", note, &h.hz, &h.cents) == 3) {
            h.note = note;
            readings.push_back(h);
        }
    }
    return readings;
}

std::streamoff sizeOf(const std::string& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    return error ? 0 : static_cast<std::streamoff>(size);
}

std::string utf8(std::u16string_view text) {
    return tuner::toQString(text).toStdString();
}

// A guitar played slowly: the open strings of standard tuning plucked in turn, one every two
// seconds, stiff strings that fade as real ones do.
std::vector<float> guitarPlucks(double seconds) {
    const tuner::StringNotes& open = tuner::tuningRows[tuner::defaultTuningIndex].notes;
    std::vector<float> out;
    for (unsigned i = 0; double(out.size()) < seconds * sinkRate; ++i) {
        const double f0 = pitch::noteFrequencyHz(open[i % open.size()]);
        const std::vector<float> pluck =
            testing::render(testing::pluckedString(f0, 1e-4, 1.5, sinkRate, i), 2.0, sinkRate);
        out.insert(out.end(), pluck.begin(), pluck.end());
    }
    return out;
}

struct ListeningCost {
    bool ok = false;
    LoadFigures plucks;
    LoadFigures silence;
    double readingsPerSecond = 0;
};

ListeningCost measureListeningCost(Desktop& desktop) {
    ListeningCost f;
    SinkPlayer player;
    if (!player.start(desktop.sound().address(), desktop.sound().sink()).empty())
        return f;
    ChildProcess listener;
    const std::string output = desktop.folder() + "/listen-cost.txt";
    if (!desktop.listen(listener, tolmaryBinary(), output))
        return f;
    sleepMs(2000);
    const ProcessLoad quietFrom = readProcessLoad(listener.pid());
    sleepMs(10000);
    f.silence = loadBetween(quietFrom, readProcessLoad(listener.pid()));

    player.play(guitarPlucks(12));
    sleepMs(1000);
    const std::size_t readingsBefore = readingsIn(output, 0).size();
    const ProcessLoad playFrom = readProcessLoad(listener.pid());
    sleepMs(10000);
    const ProcessLoad playTo = readProcessLoad(listener.pid());
    f.plucks = loadBetween(playFrom, playTo);
    f.readingsPerSecond = double(readingsIn(output, 0).size() - readingsBefore) /
                          std::chrono::duration<double>(playTo.at - playFrom.at).count();
    f.ok = listener.running() && f.plucks.threads > 0 && f.silence.threads > 0;
    listener.stop(SIGINT);
    return f;
}

struct LoopNote {
    int note = 0;
    int readings = 0;
    // The median reading's deviation from the note.
    double cents = 0;
};

struct LoopRun {
    std::string tuning;
    std::string sound;
    int a4 = 440;
    std::vector<LoopNote> notes;
    // The window showed the tuning and sound asked for (it stores them back on closing).
    bool settingsTaken = false;
};

// The window plays each string of `tuning` with `sound` (3 s notes, the buttons in turn, so no
// two clicks make a double click) while `tolmary --listen` reads the sink's monitor.
// Both the window and --listen take the reference `a4`.
LoopRun closedLoop(Desktop& desktop, const tuner::TuningRow& tuning, const tuner::SoundRow& sound,
                   int a4 = 440) {
    LoopRun run{utf8(tuning.name), utf8(sound.listText), a4, {}, false};
    ChildProcess listener;
    const std::string output = desktop.folder() + "/listen-loop.txt";
    std::filesystem::remove(output);
    if (!desktop.listen(listener, tolmaryBinary(), output, a4))
        return run;
    {
        Tuner tuner(desktop, 3,
                    "Tuning=" + run.tuning + "\nInstrument=" + run.sound +
                        "\nA4=" + std::to_string(a4) + "\n");
        if (!tuner.ok())
            return run;
        sleepMs(1000);
        MonitorRecorder& r = desktop.recorder();
        for (int i = 0; i < strings; ++i) {
            LoopNote n{tuning.notes[static_cast<std::size_t>(i)]};
            const std::streamoff from = sizeOf(output);
            const Clock::time_point click = tuner.clickString();
            if (const auto first = firstSound(r, r.frameAt(click - milliseconds(100)), 5000)) {
                soundEnd(r, *first, 300, 15000);
                // The last readings come while the end passes through the analysis window.
                sleepMs(500);
                std::vector<double> cents;
                for (const Heard& h : readingsIn(output, from))
                    if (h.note == pitch::noteName(n.note))
                        cents.push_back(h.cents);
                n.readings = static_cast<int>(cents.size());
                n.cents = spreadOf(cents).median;
            }
            run.notes.push_back(n);
        }
    }
    run.settingsTaken = desktop.storedSetting("A4") == std::to_string(a4) &&
                        desktop.storedSetting("Tuning") == run.tuning &&
                        desktop.storedSetting("Instrument") == run.sound;
    listener.stop(SIGINT);
    return run;
}

std::vector<LoopRun> measureClosedLoop(Desktop& desktop) {
    const auto tuningNamed = [](std::u16string_view name) {
        return *std::find_if(tuner::tuningRows.begin(), tuner::tuningRows.end(),
                             [name](const tuner::TuningRow& t) { return t.name == name; });
    };
    const tuner::TuningRow& standard = tuner::tuningRows[tuner::defaultTuningIndex];
    const tuner::SoundRow& steel = tuner::soundRows[tuner::defaultSoundIndex];
    std::vector<LoopRun> runs{closedLoop(desktop, standard, steel),
                              closedLoop(desktop, tuningNamed(u"Dropped-D"), steel)};
    for (const tuner::SoundRow& sound : tuner::soundRows)
        if (&sound != &steel)
            runs.push_back(closedLoop(desktop, standard, sound));
    for (const int a4 : {432, 446})
        runs.push_back(closedLoop(desktop, standard, steel, a4));
    return runs;
}

// The listening window hearing the same plucks: the whole tuner process, meter and strobe.
std::optional<LoadFigures> measureListeningWindow(Desktop& desktop) {
    SinkPlayer player;
    if (!player.start(desktop.sound().address(), desktop.sound().sink()).empty())
        return std::nullopt;
    Tuner tuner(desktop, 2);
    if (!tuner.ok() || !tuner.openListening())
        return std::nullopt;
    sleepMs(2000);
    player.play(guitarPlucks(12));
    sleepMs(1000);
    const ProcessLoad from = readProcessLoad(tuner.pid());
    sleepMs(10000);
    return loadBetween(from, readProcessLoad(tuner.pid()));
}

// ---- the table ----------------------------------------------------------------------------

// `text` padded to `width` characters as a terminal shows them (a UTF-8 letter such as "č"
// is two bytes but one character).
std::string padded(const std::string& text, std::size_t width) {
    const auto shown = static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
    return text + std::string(width > shown ? width - shown : 0, ' ');
}

void row(const std::string& what, const std::string& figure, const std::string& goal) {
    std::printf("  %s %s %s\n", padded(what, 56).c_str(), padded(figure, 28).c_str(), goal.c_str());
}

std::string format(const char* pattern, double a, double b = 0, double c = 0) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

std::string spreadText(const Spread& s) {
    if (s.count == 0)
        return "not heard";
    return format("%.1f / %.1f ms", s.median, s.p95) + " (n=" + std::to_string(s.count) + ")";
}

std::string gapText(const std::optional<GapCount>& g) {
    if (!g || !g->sounded)
        return "not heard";
    return format("%.0f gaps, longest %.0f", g->gaps, g->longest) +
           format(" (%.1f s)", double(g->soundFrames) / sinkRate);
}

std::string signedCents(double cents) {
    return format("%+.2f cent", cents);
}

// Each run as its worst note (the first run note by note too), then the worst of all.
void printClosedLoop(const std::vector<LoopRun>& runs) {
    row("closed loop: the notes played, read back by --listen", "median reading", "");
    double worstOfAll = 0;
    int notesRead = 0;
    int notesPlayed = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const LoopRun& run = runs[i];
        const LoopNote* worst = nullptr;
        int read = 0;
        for (const LoopNote& n : run.notes) {
            if (n.readings == 0)
                continue;
            ++read;
            if (!worst || std::abs(n.cents) > std::abs(worst->cents))
                worst = &n;
        }
        notesRead += read;
        notesPlayed += strings;
        std::string figure = "no note read";
        if (worst) {
            worstOfAll = std::max(worstOfAll, std::abs(worst->cents));
            figure = signedCents(worst->cents) + " at " + pitch::noteName(worst->note);
            if (read < strings)
                figure += format(", %.0f of 6 read", read);
        }
        if (!run.settingsTaken)
            figure += " (settings not taken)";
        const std::string reference = run.a4 == 440 ? "" : ", A4 " + std::to_string(run.a4);
        row("  " + run.tuning + ", " + run.sound + reference + ": worst", figure, "<= 0.7 cent");
        if (i != 0)
            continue;
        for (std::size_t s = 0; s < run.notes.size(); ++s) {
            const LoopNote& n = run.notes[s];
            const std::string what = "    " + pitch::noteName(n.note) + " (string " +
                                     std::to_string(s + 1) + "), median of " +
                                     std::to_string(n.readings) + " readings";
            row(what, n.readings ? signedCents(n.cents) : "not read", "");
        }
    }
    row("  the worst of all notes read",
        format("%.2f cent", worstOfAll) +
            format(" (%.0f of %.0f notes read)", notesRead, notesPlayed),
        "<= 0.7 cent");
}

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
    const auto startText = [](const Spread& mapped, const Spread& painted) {
        return mapped.count ? format("%.0f / %.0f ms", mapped.median, painted.median)
                            : std::string("no window");
    };
    row("start to window mapped / drawn, tolmary (median of 5)",
        startText(start.tolmaryMapped, start.tolmaryPainted), "near the bare window");
    row("  the same for a bare Qt window", startText(start.bareMapped, start.barePainted), "");
    if (cost.ok) {
        row("idle 10 s: CPU, % of one core (ticks / schedstat)",
            format("%.2f %% / %.2f %%", cost.idle.cpuPercent, cost.idle.preciseCpuPercent),
            "<= 0.5 %");
        row("idle 10 s: wake-ups/s, all threads (main thread)",
            format("%.0f (%.0f)", cost.idle.wakeupsPerSecond, cost.idle.mainWakeupsPerSecond),
            "<= 10");
        row("idle: threads", format("%.0f", cost.idle.threads), "");
        row("held note (Dur=9): CPU, % of one core",
            format("%.2f %% / %.2f %%", cost.note.cpuPercent, cost.note.preciseCpuPercent) +
                format(" over %.1f s", cost.noteSeconds),
            "<= 2 %");
        row("held note: wake-ups/s (main thread)",
            format("%.0f (%.0f)", cost.note.wakeupsPerSecond, cost.note.mainWakeupsPerSecond), "");
    } else {
        row("idle and held note", "not measured (no window or no sound)", "");
    }
    row("note-on to first sample, warm: median / p95", spreadText(latency.warm), "<= 40 ms");
    row("  after >= 5 s of silence: median / p95", spreadText(latency.afterSilence), "<= 40 ms");
    if (latency.missed)
        row("  clicks not heard within 5 s", std::to_string(latency.missed), "0");
    row("dropouts (>= 16 zero frames) in a note, at rest", gapText(dropouts.rest), "0");
    row("  with two busy processes on the cores", gapText(dropouts.loaded), "0");
    if (listening.ok) {
        row("tolmary --listen, guitar plucks 10 s: CPU, % of one core",
            format("%.2f %% / %.2f %%", listening.plucks.cpuPercent,
                   listening.plucks.preciseCpuPercent),
            "<= 5 %");
        row("  readings per second meanwhile (plucks fading in 2 s)",
            format("%.1f", listening.readingsPerSecond), "");
        row("tolmary --listen, silence 10 s: CPU, % of one core",
            format("%.2f %% / %.2f %%", listening.silence.cpuPercent,
                   listening.silence.preciseCpuPercent),
            "<= 5 %");
    } else {
        row("tolmary --listen", "not measured (it did not run)", "");
    }
    row("listening window, guitar plucks 10 s: CPU, % of one core",
        window ? format("%.2f %% / %.2f %%", window->cpuPercent, window->preciseCpuPercent)
               : std::string("not measured (no window or no sound)"),
        "");
    printClosedLoop(loop);
    std::printf(
        "  (monitor chunks of %d frames; latency is from the click's release to the "
        "first non-zero frame mixed in the sink; the closed loop's figure is the median "
        "reading of each note, cents from its target)\n",
        desktop.recorder().typicalChunkFrames());
    return 0;
}
