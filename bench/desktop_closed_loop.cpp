// The closed loop: each reference note the window plays, read back by `tolmary --listen` from
// the sink's monitor, for every sound, two tunings and two other reference pitches.

#include <signal.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "bench/desktop_listening.h"
#include "bench/desktop_measurements.h"
#include "bench/desktop_table.h"
#include "bench/desktop_tuner.h"
#include "pitch/reading_text.h"
#include "tuner/catalogue.h"

namespace bench {
namespace {

using std::chrono::milliseconds;

std::string utf8(std::u16string_view text) {
    return tuner::toQString(text).toStdString();
}

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

std::string signedCents(double cents) {
    return format("%+.2f cent", cents);
}

}  // namespace

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

}  // namespace bench
