#include "midi/fluid_engine.h"

#include "midi/fluid_library.h"

#include <cstdio>
#include <mutex>

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

int FluidEngine::send(const ShortMessage& m) {
    int r = FLUID_FAILED;
    switch (m.kind()) {
        case 0x80:
            // A note-off for a note that no longer sounds is not the sender's error.
            fluid_.noteOff(synth_, m.channel(), m.data1());
            return 0;
        case 0x90:
            r = fluid_.noteOn(synth_, m.channel(), m.data1(), m.data2());
            break;
        case 0xA0:
            r = fluid_.keyPressure(synth_, m.channel(), m.data1(), m.data2());
            break;
        case 0xB0:
            r = fluid_.controlChange(synth_, m.channel(), m.data1(), m.data2());
            break;
        case 0xC0:
            r = fluid_.programChange(synth_, m.channel(), m.data1());
            break;
        case 0xD0:
            r = fluid_.channelPressure(synth_, m.channel(), m.data1());
            break;
        case 0xE0:
            r = fluid_.pitchBend(synth_, m.channel(), m.data1() | (m.data2() << 7));
            break;
        default:
            if (m.status() == 0xFF)
                r = fluid_.systemReset(synth_);
            break;
    }
    return r == FLUID_OK ? 0 : 1;
}

void FluidEngine::render(float* left, float* right, int frames) {
    fluid_.writeFloat(synth_, frames, left, 0, 1, right, 0, 1);
}

void FluidEngine::renderInterleaved(float* frames, int count) {
    fluid_.writeFloat(synth_, count, frames, 0, 2, frames, 1, 2);
}

int FluidEngine::activeVoices() const {
    return fluid_.activeVoiceCount(synth_);
}

void FluidEngine::silence() {
    fluid_.allSoundsOff(synth_, -1);
}

}  // namespace midi
