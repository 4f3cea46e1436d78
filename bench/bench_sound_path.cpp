// The synth's way to the speakers on the two sound servers a desktop runs, each a private one
// started here with a null sink whose monitor is recorded: PulseAudio, and a PipeWire stack
// (pipewire, wireplumber, pipewire-pulse), which the program reaches through PipeWire's own API
// (the PulseAudio protocol is closed to it there). For each: the whole process's wake-ups
// while it is silent after a note, note-on to first sample (warm, and after 5 s of silence),
// notes under two busy processes, each followed by the same second of tone from `pacat` with
// the PulseAudio stream's settings (float32 stereo, 44100 Hz, 40 ms) as the control in the same
// run, and recovery after the server's processes are killed and started again: whether the
// first note after the restart is heard, and how long after its click.
//
// TOLMARY_BENCH_ONLY=pipewire or =pulseaudio measures one server; TOLMARY_BENCH_NOTES sets the
// notes under load (50); TOLMARY_BINARY=/path/to/tolmary measures another build.

#include <signal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "bench/desktop_session.h"
#include "bench/desktop_tuner.h"
#include "bench/process_load.h"
#include "tests/support/child_process.h"
#include "tests/support/monitor_recorder.h"
#include "tests/support/private_sound_server.h"
#include "tests/support/wav_file.h"

namespace {

using namespace bench;
using namespace harness;
using std::chrono::milliseconds;

constexpr int warmNotes = 10;
constexpr int coldNotes = 5;
constexpr int restarts = 3;

struct Heard {
    Clock::time_point click;
    std::optional<std::int64_t> first;
    std::int64_t from = 0;
};

// The first frame louder than the threshold at or after `from`: a restarted stream may bring
// a sample or two of rounding noise before the note.
std::optional<std::int64_t> firstLoud(const MonitorRecorder& r, std::int64_t from, int timeoutMs) {
    const auto end = Clock::now() + milliseconds(timeoutMs);
    for (std::int64_t searched = from; Clock::now() < end; sleepMs(5)) {
        const std::vector<int> m = r.magnitudes(searched, r.frames());
        const auto hit = std::find_if(m.begin(), m.end(), [](int v) { return v > soundThreshold; });
        if (hit != m.end())
            return searched + (hit - m.begin());
        searched += static_cast<std::int64_t>(m.size());
    }
    return std::nullopt;
}

Heard playNote(Desktop& desktop, Tuner& tuner) {
    MonitorRecorder& r = desktop.recorder();
    Heard h;
    // Counted frames, not the recorder's clock: that is off for a while after a restart.
    h.from = r.frames();
    h.click = tuner.clickString();
    h.first = firstLoud(r, h.from, 5000);
    return h;
}

double clickToArrivalMs(const MonitorRecorder& r, const Heard& h) {
    return ms(r.arrivalOf(*h.first) - h.click);
}

// The gaps in the sound that began at `from`, once it has ended.
GapCount gapsOfSound(MonitorRecorder& r, std::int64_t from, std::int64_t first) {
    const std::int64_t end = soundEnd(r, first, 300, 20000);
    return countGaps(r.magnitudes(from, end + 1));
}

// A second of a 330 Hz tone at the settings the synth's PulseAudio stream uses.
std::string writeControlTone(const std::string& folder) {
    const std::string file = folder + "/control.f32";
    std::ofstream out(file, std::ios::binary);
    for (int i = 0; i < sinkRate; ++i) {
        const float v = 0.3f * float(std::sin(2 * M_PI * 330.0 * i / sinkRate));
        const float frame[2] = {v, v};
        out.write(reinterpret_cast<const char*>(frame), sizeof frame);
    }
    return file;
}

std::optional<GapCount> controlNote(Desktop& desktop, const std::string& tone) {
    MonitorRecorder& r = desktop.recorder();
    const std::int64_t from = r.frames();
    ChildProcess pacat;
    if (!pacat.start(
            {"pacat", "--server=" + desktop.sound().address(), "--device=" + desktop.sound().sink(),
             "--format=float32le", "--rate=" + std::to_string(sinkRate), "--channels=2",
             "--latency-msec=40", tone},
            environmentWith({}), desktop.folder() + "/pacat.log"))
        return std::nullopt;
    const auto first = firstSound(r, from, 5000);
    pacat.waitForExit(10000);
    if (!first)
        return std::nullopt;
    return gapsOfSound(r, from, *first);
}

struct NoteCount {
    int played = 0;
    int heard = 0;
    int withGaps = 0;
    int longest = 0;
    void add(const std::optional<GapCount>& g) {
        ++played;
        if (!g || !g->sounded)
            return;
        ++heard;
        withGaps += g->gaps > 0;
        longest = std::max(longest, g->longest);
    }
};

// On PipeWire, the sink's monitor recorded through PipeWire's own API as well (pw-record, on
// its real-time data thread): the monitor recorder's way through the PulseAudio service is not
// real-time and may itself lose data under load. Each sound between silences is a note.
class NativeRecorder {
public:
    NativeRecorder(Desktop& desktop, ServerKind kind, const std::string& name)
        : file_(desktop.folder() + "/" + name + ".wav") {
        if (kind != ServerKind::pipewire)
            return;
        started_ = process_.start(
            {"pw-record", "--target", desktop.sound().sink(), "-P", "stream.capture.sink=true",
             "--rate", std::to_string(sinkRate), "--channels", "1", "--format", "s16", file_},
            environmentWith({"PIPEWIRE_RUNTIME_DIR=" + desktop.folder(),
                             "XDG_RUNTIME_DIR=" + desktop.folder()}),
            desktop.folder() + "/pw-record.log");
        sleepMs(500);
    }

    std::optional<NoteCount> notes() {
        if (!started_)
            return std::nullopt;
        process_.stop(SIGINT);
        const auto recording = testing::readWav(file_);
        if (!recording)
            return std::nullopt;
        std::vector<int> magnitudes;
        magnitudes.reserve(recording->samples.size());
        for (const float v : recording->samples)
            magnitudes.push_back(int(std::lround(std::abs(v) * 32768.0f)));
        NoteCount count;
        // Notes are apart by at least 300 ms of exact silence; gaps inside one are far shorter.
        const std::size_t apart = sinkRate / 5;
        std::size_t begin = 0, zeros = 0;
        bool inSound = false;
        for (std::size_t i = 0; i <= magnitudes.size(); ++i) {
            const bool end = i == magnitudes.size();
            if (!end && magnitudes[i] > soundThreshold && !inSound) {
                inSound = true;
                begin = i;
            }
            zeros = !end && magnitudes[i] == 0 ? zeros + 1 : 0;
            if (inSound && (zeros >= apart || end)) {
                inSound = false;
                count.add(countGaps(std::vector<int>(magnitudes.begin() + std::ptrdiff_t(begin),
                                                     magnitudes.begin() + std::ptrdiff_t(i))));
            }
        }
        return count;
    }

private:
    std::string file_;
    ChildProcess process_;
    bool started_ = false;
};

struct Figures {
    bool ok = false;
    LoadFigures idle;
    Spread warm, cold;
    NoteCount tolmary, control;
    std::optional<NoteCount> tolmaryNative, controlNative;
    int recovered = 0;
    Spread recovery;
};

Figures measure(ServerKind kind, int notes) {
    Figures f;
    Desktop desktop;
    if (std::string why = startToMeasure(desktop, tolmaryBinary(), kind); !why.empty()) {
        std::printf("  skipped: %s\n", why.c_str());
        return f;
    }
    // On PipeWire the program is heard through PipeWire's own stream or not at all.
    std::vector<std::string> environment;
    if (kind == ServerKind::pipewire)
        environment.push_back("PULSE_SERVER=unix:" + desktop.folder() + "/no-pulseaudio-here");
    Tuner tuner(desktop, 1, {}, environment);
    if (!tuner.ok()) {
        std::printf("  skipped: no window\n");
        return f;
    }
    MonitorRecorder& r = desktop.recorder();
    sleepMs(1000);

    // Silent after a note: the stream paused once the hold is over.
    if (const Heard h = playNote(desktop, tuner); h.first)
        soundEnd(r, *h.first, 300, 10000);
    // Off the button, whose hover is no part of the sound's cost.
    desktop.x().movePointerAway();
    sleepMs(3000);
    const ProcessLoad idleFrom = readProcessLoad(tuner.pid());
    sleepMs(10000);
    f.idle = loadBetween(idleFrom, readProcessLoad(tuner.pid()));

    std::vector<double> warm, cold;
    for (int i = 0; i < warmNotes + coldNotes; ++i) {
        if (i >= warmNotes)
            sleepMs(4700);
        const Heard h = playNote(desktop, tuner);
        if (!h.first)
            continue;
        (i >= warmNotes ? cold : warm).push_back(clickToArrivalMs(r, h));
        soundEnd(r, *h.first, 300, 10000);
    }
    f.warm = spreadOf(warm);
    f.cold = spreadOf(cold);

    const std::string tone = writeControlTone(desktop.folder());
    {
        ChildProcess busy[2];
        for (ChildProcess& b : busy)
            b.startBusyLoop();
        sleepMs(1000);
        NativeRecorder native(desktop, kind, "tolmary");
        for (int i = 0; i < notes; ++i) {
            const Heard h = playNote(desktop, tuner);
            f.tolmary.add(h.first ? std::optional(gapsOfSound(r, h.from, *h.first)) : std::nullopt);
        }
        f.tolmaryNative = native.notes();
        NativeRecorder nativeControl(desktop, kind, "pacat");
        for (int i = 0; i < notes; ++i)
            f.control.add(controlNote(desktop, tone));
        f.controlNative = nativeControl.notes();
    }

    std::vector<double> recovery;
    for (int i = 0; i < restarts; ++i) {
        desktop.sound().kill();
        r.stop();
        sleepMs(500);
        tuner.clickString();  // into the void: the loss shows
        sleepMs(1500);
        if (!desktop.sound().restart().empty() ||
            !r.start(desktop.sound().address(), desktop.sound().monitor()).empty())
            break;
        sleepMs(1000);
        const Heard h = playNote(desktop, tuner);
        if (!h.first)
            continue;
        ++f.recovered;
        recovery.push_back(clickToArrivalMs(r, h));
        soundEnd(r, *h.first, 300, 10000);
    }
    f.recovery = spreadOf(recovery);
    f.ok = true;
    return f;
}

std::string text(const char* pattern, double a, double b = 0, double c = 0) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
    return buffer;
}

std::string notesText(const NoteCount& n) {
    return text("%.0f of %.0f heard notes, longest gap %.0f frames", n.withGaps, n.heard,
                n.longest) +
           (n.heard < n.played ? text(" (%.0f not heard)", n.played - n.heard) : "");
}

void print(const char* server, const Figures& f) {
    if (!f.ok)
        return;
    const auto row = [](const std::string& what, const std::string& figure) {
        std::printf("  %-52s %s\n", what.c_str(), figure.c_str());
    };
    const auto spread = [](const Spread& s) {
        return s.count ? text("%.1f / %.1f ms (n=%.0f)", s.median, s.p95, s.count)
                       : std::string("not heard");
    };
    std::printf("%s\n", server);
    row("silent after a note, 10 s: wake-ups/s (main thread)",
        text("%.1f (%.1f), CPU %.2f %%", f.idle.wakeupsPerSecond, f.idle.mainWakeupsPerSecond,
             f.idle.preciseCpuPercent));
    row("click to first sound at the recorder, warm: median / p95", spread(f.warm));
    row("  after 5 s of silence", spread(f.cold));
    row("notes with gaps, two busy processes: tolmary", notesText(f.tolmary));
    row("  pacat, same settings, same run", notesText(f.control));
    if (f.tolmaryNative)
        row("  the same recorded natively: tolmary", notesText(*f.tolmaryNative));
    if (f.controlNative)
        row("    pacat", notesText(*f.controlNative));
    row("server killed and restarted: next note heard",
        text("%.0f of %.0f, ", f.recovered, restarts) + spread(f.recovery));
}

}  // namespace

int main() {
    const char* notesSetting = std::getenv("TOLMARY_BENCH_NOTES");
    const int notes = notesSetting ? std::max(1, std::atoi(notesSetting)) : 50;
    const char* only = std::getenv("TOLMARY_BENCH_ONLY");
    const std::string selected = only ? only : "";
    std::printf("measuring %s on private sound servers (gaps: runs of >= %d zero frames)\n",
                tolmaryBinary().c_str(), dropoutFrames);
    std::fflush(stdout);
    if (selected.empty() || selected == "pipewire")
        print("PipeWire (the program through PipeWire's own stream)",
              measure(ServerKind::pipewire, notes));
    std::fflush(stdout);
    if (selected.empty() || selected == "pulseaudio")
        print("PulseAudio", measure(ServerKind::pulseaudio, notes));
    return 0;
}
