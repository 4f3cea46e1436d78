#include "midi/fluid_engine.h"

#include "midi/fluid_library.h"

#include <cstdio>
#include <mutex>
#include <thread>

namespace midi {
namespace {

// FluidSynth logs through process-wide functions, installed once. While a thread creates an
// engine its messages go to that creation's own text, so a calibration's errors on the loader
// thread and the live synth's never mix; everything else worth reporting goes to stderr.
thread_local std::string* creationLog = nullptr;

void collectLog(int level, const char* message, void*) {
    if (level > FLUID_WARN || !message)
        return;
    if (!creationLog) {
        if (level <= FLUID_ERR)
            std::fprintf(stderr, "tolmary: synth: %s\n", message);
        return;
    }
    if (!creationLog->empty())
        creationLog->append("; ");
    creationLog->append(message);
}

class LogCapture {
public:
    LogCapture(const FluidLibrary& fluid, std::string& sink) : previous_(creationLog) {
        static std::once_flag installed;
        std::call_once(installed, [&fluid] {
            for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
                fluid.setLogFunction(level, collectLog, nullptr);
        });
        creationLog = &sink;
    }
    ~LogCapture() { creationLog = previous_; }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

private:
    std::string* previous_;
};

}  // namespace

std::unique_ptr<FluidEngine> FluidEngine::create(const EngineOptions& options, std::string& error) {
    const FluidLibrary* fluid = fluidLibrary(error);
    if (!fluid)
        return nullptr;
    std::string log;
    LogCapture capture(*fluid, log);
    std::unique_ptr<FluidEngine> engine(new FluidEngine(*fluid));
    auto fail = [&](const std::string& what) {
        error = log.empty() ? what : what + " (" + log + ")";
        return nullptr;
    };

    engine->settings_ = fluid->newSettings();
    if (!engine->settings_)
        return fail("cannot create synth settings");
    fluid_settings_t* s = engine->settings_;
    fluid->settingsSetNum(s, "synth.sample-rate", options.sampleRate);
    fluid->settingsSetNum(s, "synth.gain", options.gain);
    // A reference note is dry: no room, no detuned copies.
    fluid->settingsSetInt(s, "synth.reverb.active", 0);
    fluid->settingsSetInt(s, "synth.chorus.active", 0);
    // Only the rendering thread calls the synth (post()), so its own lock, which a real-time
    // render would wait on while a preempted window thread holds it, is left out.
    fluid->settingsSetInt(s, "synth.threadsafe-api", 0);
    engine->sampleRate_ = options.sampleRate;

    engine->synth_ = fluid->newSynth(s);
    if (!engine->synth_)
        return fail("cannot create synth");
    if (options.soundFont.empty() ||
        fluid->sfload(engine->synth_, options.soundFont.c_str(), 1) == FLUID_FAILED)
        return fail("cannot load SoundFont '" + options.soundFont + "'");
    return engine;
}

FluidEngine::~FluidEngine() {
    // Reverse order of creation: the synth reads the settings.
    if (synth_)
        fluid_.deleteSynth(synth_);
    if (settings_)
        fluid_.deleteSettings(settings_);
}

bool FluidEngine::post(const SynthEvent& event) {
    std::lock_guard lock(posting_);
    if (events_.push(event))
        return true;
    // Only a render makes room: a paused stream is resumed, a running one drains within a
    // cycle. Dropping would lose a note-off or a program change, so the window waits a little.
    if (waker_)
        waker_();
    const auto deadline = std::chrono::steady_clock::now() + fullWait;
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (events_.push(event))
            return true;
    }
    std::fprintf(stderr, "tolmary: synth: nothing renders, a message was not played\n");
    return false;
}

bool FluidEngine::postKeyTunings(const KeyTunings& tunings) {
    {
        std::lock_guard lock(posting_);
        tunings_.next() = tunings;
        tunings_.publish();
    }
    return post(SynthEvent::installKeyTunings());
}

void FluidEngine::silenceAfterPosted() {
    silenceAfter_ = events_.pushed() + 1;
}

void FluidEngine::setDrainWaker(std::function<void()> waker) {
    std::lock_guard lock(posting_);
    waker_ = std::move(waker);
}

void FluidEngine::applyPosted() {
    const auto silenceDue = [this] {
        std::uint64_t after = silenceAfter_.load();
        if (after == 0 || events_.popped() < after - 1)
            return;
        fluid_.allSoundsOff(synth_, -1);
        // A later request (a loss seen again) stays pending.
        silenceAfter_.compare_exchange_strong(after, 0);
    };
    silenceDue();
    while (const std::optional<SynthEvent> event = events_.pop()) {
        apply(*event);
        silenceDue();
    }
}

void FluidEngine::apply(const SynthEvent& event) {
    // Tuning slots in the synth: bank 0, program number = the General MIDI program it tunes.
    constexpr int tuningBank = 0;
    constexpr std::array<const char*, pitch::guitarProgramCount> names = {
        "Tolmary 24", "Tolmary 25", "Tolmary 26", "Tolmary 27",
        "Tolmary 28", "Tolmary 29", "Tolmary 30"};
    static_assert(pitch::firstGuitarProgram == 24 && pitch::lastGuitarProgram == 30);
    switch (event.kind) {
        case SynthEvent::Kind::message:
            play(event.message);
            break;
        case SynthEvent::Kind::keyTunings:
            // Several posted since the last render: the newest is installed at the first.
            if (const KeyTunings* tunings = tunings_.take())
                for (int i = 0; i < pitch::guitarProgramCount; ++i)
                    fluid_.activateKeyTuning(synth_, tuningBank, pitch::firstGuitarProgram + i,
                                             names[i], (*tunings)[i].data(), 0);
            break;
        case SynthEvent::Kind::selectTuning:
            // Applied at once: a note already sounding moves with it (the next note would
            // anyway).
            if (event.program >= pitch::firstGuitarProgram &&
                event.program <= pitch::lastGuitarProgram)
                fluid_.activateTuning(synth_, event.channel, tuningBank, event.program, 1);
            else
                fluid_.deactivateTuning(synth_, event.channel, 1);
            break;
    }
}

void FluidEngine::play(const ShortMessage& m) {
    // What the synth refuses (a note-off for a note that no longer sounds, a program the
    // SoundFont lacks) changes nothing, and nobody waits for an answer.
    switch (m.kind()) {
        case 0x80:
            fluid_.noteOff(synth_, m.channel(), m.data1());
            break;
        case 0x90:
            fluid_.noteOn(synth_, m.channel(), m.data1(), m.data2());
            break;
        case 0xA0:
            fluid_.keyPressure(synth_, m.channel(), m.data1(), m.data2());
            break;
        case 0xB0:
            fluid_.controlChange(synth_, m.channel(), m.data1(), m.data2());
            break;
        case 0xC0:
            fluid_.programChange(synth_, m.channel(), m.data1());
            break;
        case 0xD0:
            fluid_.channelPressure(synth_, m.channel(), m.data1());
            break;
        case 0xE0:
            fluid_.pitchBend(synth_, m.channel(), m.data1() | (m.data2() << 7));
            break;
        default:
            if (m.status() == 0xFF)
                fluid_.systemReset(synth_);
            break;
    }
}

void FluidEngine::render(float* left, float* right, int frames) {
    applyPosted();
    fluid_.writeFloat(synth_, frames, left, 0, 1, right, 0, 1);
}

void FluidEngine::renderInterleaved(float* frames, int count) {
    applyPosted();
    fluid_.writeFloat(synth_, count, frames, 0, 2, frames, 1, 2);
}

int FluidEngine::activeVoices() const {
    return fluid_.activeVoiceCount(synth_);
}

}  // namespace midi
