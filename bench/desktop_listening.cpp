// The cost of listening: `tolmary --listen` hearing a guitar, silence, and an empty room as a
// laptop's and a phone's microphone deliver it (noise and mains hum, nothing to read), and the
// listening window hearing the same guitar. The tuner records the sink's monitor alone, as it
// records a microphone, but for one more figure: the laptop's room with another client
// recording the same source in small fragments, which wakes the tuner as often. The window
// hears the guitar through a microphone of its own, as on a desktop, and once more through the
// monitor of the sink its synth plays on: the synth's stream, corked but there, holds that sink
// at its own short latency, and the monitor then hands over the sound every 10 ms.

#include "bench/desktop_listening.h"

#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "bench/desktop_measurements.h"
#include "bench/desktop_table.h"
#include "bench/desktop_tuner.h"
#include "pitch/pitch_estimator.h"
#include "tests/support/microphone_model.h"
#include "tests/support/sink_player.h"
#include "tests/support/synthetic_notes.h"
#include "tuner/catalogue.h"

namespace bench {

using harness::SinkPlayer;

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

namespace {

// The sink's monitor recorded by the tuner alone, as a microphone mostly is: a source hands
// each client its data as often as the most eager one asks, and the bench's own recorder asks
// every 5.8 ms, which would wake the tuner several times as often as its own 20 ms.
class RecorderPaused {
public:
    explicit RecorderPaused(Desktop& desktop) : desktop_(desktop) { desktop_.pauseRecording(); }
    ~RecorderPaused() { desktop_.resumeRecording(); }
    RecorderPaused(const RecorderPaused&) = delete;
    RecorderPaused& operator=(const RecorderPaused&) = delete;

private:
    Desktop& desktop_;
};

// CPU from the ticks and from the threads' run times, and how often the process was woken.
std::string load(const LoadFigures& f) {
    return format("%.2f %% / %.2f %%, %.0f wake-ups/s", f.cpuPercent, f.preciseCpuPercent,
                  f.wakeupsPerSecond);
}

// An empty room as `microphone` hears it, 12 s.
std::vector<float> emptyRoom(const testing::Microphone& microphone) {
    const std::vector<float> nothing(static_cast<std::size_t>(12 * sinkRate), 0.0f);
    return testing::throughMicrophone(nothing, sinkRate, microphone);
}

}  // namespace

ListeningCost measureListeningCost(Desktop& desktop) {
    ListeningCost f;
    std::optional<RecorderPaused> alone(desktop);
    SinkPlayer player;
    if (!player.start(desktop.sound().address(), desktop.sound().sink()).empty())
        return f;
    ChildProcess listener;
    const std::string output = desktop.folder() + "/listen-cost.txt";
    if (!desktop.listen(listener, tolmaryBinary(), output))
        return f;
    // What the listener costs over the next 10 s.
    const auto nextTenSeconds = [&] {
        const ProcessLoad from = readProcessLoad(listener.pid());
        sleepMs(10000);
        return loadBetween(from, readProcessLoad(listener.pid()));
    };
    sleepMs(2000);
    f.silence = nextTenSeconds();

    // An empty room: the tuner's idle state where a player sets it listening.
    const std::pair<testing::Microphone, LoadFigures*> rooms[] = {
        {testing::laptopMicrophone(), &f.laptopRoom},
        {testing::phoneAcrossTheRoom(), &f.phoneRoom}};
    for (const auto& [microphone, figures] : rooms) {
        player.play(emptyRoom(microphone));
        sleepMs(1000);
        const std::size_t before = readingsIn(output, 0).size();
        *figures = nextTenSeconds();
        const auto heard = readingsIn(output, 0);
        for (std::size_t i = before; i < heard.size(); ++i)
            f.roomReadings.push_back(heard[i]);
        sleepMs(1500);
    }

    player.play(guitarPlucks(12));
    sleepMs(1000);
    const std::size_t readingsBefore = readingsIn(output, 0).size();
    const ProcessLoad playFrom = readProcessLoad(listener.pid());
    sleepMs(10000);
    const ProcessLoad playTo = readProcessLoad(listener.pid());
    f.plucks = loadBetween(playFrom, playTo);
    f.readingsPerSecond = double(readingsIn(output, 0).size() - readingsBefore) /
                          std::chrono::duration<double>(playTo.at - playFrom.at).count();
    sleepMs(1500);

    alone.reset();
    player.play(emptyRoom(testing::laptopMicrophone()));
    sleepMs(1000);
    f.laptopRoomBesideRecorder = nextTenSeconds();
    f.ok = listener.running() && f.plucks.threads > 0 && f.silence.threads > 0;
    listener.stop(SIGINT);
    return f;
}

void printListeningCost(const ListeningCost& f) {
    if (!f.ok) {
        row("tolmary --listen", "not measured (it did not run)", "");
        return;
    }
    row("tolmary --listen, guitar plucks 10 s: CPU, % of one core", load(f.plucks), "<= 5 %");
    row("  readings per second meanwhile (plucks fading in 2 s)",
        format("%.1f", f.readingsPerSecond), "");
    row("tolmary --listen, silence 10 s: CPU, % of one core", load(f.silence), "<= 5 %");
    row("tolmary --listen, empty room, laptop 10 s: CPU", load(f.laptopRoom), "<= 5 %");
    row("tolmary --listen, empty room, phone 10 s: CPU", load(f.phoneRoom), "<= 5 %");
    row("  laptop's room, another client recording every 5.8 ms", load(f.laptopRoomBesideRecorder),
        "");
    // Each names a note nobody played.
    std::string heard = format("%.0f", static_cast<double>(f.roomReadings.size()));
    for (std::size_t i = 0; i < f.roomReadings.size() && i < 4; ++i)
        heard +=
            (i ? ", " : " (") + f.roomReadings[i].note + format(" %.1f Hz", f.roomReadings[i].hz);
    row("  readings in the empty rooms", heard + (f.roomReadings.empty() ? "" : ")"), "0");
}

namespace {

// A microphone of its own for the length of a measurement: a second null sink, whose monitor is
// the default source, for the guitar to be played into.
class OwnMicrophone {
public:
    explicit OwnMicrophone(harness::PrivateSoundServer& sound) : sound_(sound) {
        module_ = sound_.addNullSink(name);
        if (!module_.empty() &&
            !sound_.setDefaultSource(harness::PrivateSoundServer::monitorOf(name)))
            release();
    }
    ~OwnMicrophone() { release(); }
    OwnMicrophone(const OwnMicrophone&) = delete;
    OwnMicrophone& operator=(const OwnMicrophone&) = delete;

    bool ok() const { return !module_.empty(); }
    static constexpr const char* name = "microphone";

private:
    void release() {
        if (module_.empty())
            return;
        sound_.setDefaultSource(sound_.monitor());
        sound_.unloadModule(module_);
        module_.clear();
    }

    harness::PrivateSoundServer& sound_;
    std::string module_;
};

}  // namespace

std::optional<LoadFigures> measureListeningWindow(Desktop& desktop, MicrophoneDevice device) {
    const RecorderPaused alone(desktop);
    std::optional<OwnMicrophone> microphone;
    if (device == MicrophoneDevice::own && !microphone.emplace(desktop.sound()).ok())
        return std::nullopt;
    SinkPlayer player;
    const std::string into = microphone ? OwnMicrophone::name : desktop.sound().sink();
    if (!player.start(desktop.sound().address(), into).empty())
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

void printListeningWindow(const std::optional<LoadFigures>& speakersMonitor,
                          const std::optional<LoadFigures>& ownMicrophone) {
    const std::string notMeasured = "not measured (no window or no sound)";
    row("listening window, guitar plucks 10 s: CPU, % of one core",
        ownMicrophone ? load(*ownMicrophone) : notMeasured, "");
    row("  recording the monitor of the sink it plays on",
        speakersMonitor ? load(*speakersMonitor) : notMeasured, "");
}

}  // namespace bench
