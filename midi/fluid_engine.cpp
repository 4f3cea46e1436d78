#include "midi/fluid_engine.h"

#include <fluidsynth.h>

#include <cstdio>
#include <mutex>

namespace midi {
namespace {

// FluidSynth logs through process-wide functions. While an engine is being created its errors
// are collected here and handed to the caller, instead of going to the terminal.
std::mutex logMutex;
std::string* logSink = nullptr;

void collectLog(int level, const char* message, void*) {
    if (level > FLUID_WARN || !message)
        return;
    std::lock_guard lock(logMutex);
    if (!logSink) {
        // Outside an engine's creation only real errors are worth the terminal.
        if (level <= FLUID_ERR)
            std::fprintf(stderr, "tolmary: synth: %s\n", message);
        return;
    }
    if (!logSink->empty())
        logSink->append("; ");
    logSink->append(message);
}

class LogCapture {
public:
    explicit LogCapture(std::string& sink) {
        std::lock_guard lock(logMutex);
        logSink = &sink;
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, collectLog, nullptr);
    }
    ~LogCapture() {
        std::lock_guard lock(logMutex);
        logSink = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
};

}  // namespace

std::vector<std::string> desktopAudioDrivers() {
    return {"pulseaudio", "alsa"};
}

std::unique_ptr<FluidEngine> FluidEngine::create(const EngineOptions& options, std::string& error) {
    std::string log;
    LogCapture capture(log);
    std::unique_ptr<FluidEngine> engine(new FluidEngine);
    auto fail = [&](const std::string& what) {
        error = log.empty() ? what : what + " (" + log + ")";
        return nullptr;
    };

    engine->settings_ = new_fluid_settings();
    if (!engine->settings_)
        return fail("cannot create synth settings");
    fluid_settings_t* s = engine->settings_;
    fluid_settings_setnum(s, "synth.sample-rate", options.sampleRate);
    fluid_settings_setnum(s, "synth.gain", options.gain);
    // A reference note is dry: no room, no detuned copies.
    fluid_settings_setint(s, "synth.reverb.active", 0);
    fluid_settings_setint(s, "synth.chorus.active", 0);
    fluid_settings_setint(s, "audio.period-size", options.periodSize);
    fluid_settings_setint(s, "audio.periods", options.periods);
    fluid_settings_setint(s, "audio.realtime-prio", 0);
    fluid_settings_setstr(s, "audio.pulseaudio.media-role", "music");
    engine->sampleRate_ = options.sampleRate;

    engine->synth_ = new_fluid_synth(s);
    if (!engine->synth_)
        return fail("cannot create synth");
    if (options.soundFont.empty() ||
        fluid_synth_sfload(engine->synth_, options.soundFont.c_str(), 1) == FLUID_FAILED)
        return fail("cannot load SoundFont '" + options.soundFont + "'");

    if (!options.audioDrivers.empty()) {
        for (const std::string& name : options.audioDrivers) {
            if (name == "file")
                continue;
            fluid_settings_setstr(s, "audio.driver", name.c_str());
            engine->driver_ = new_fluid_audio_driver(s, engine->synth_);
            if (engine->driver_) {
                engine->driverName_ = name;
                break;
            }
        }
        if (!engine->driver_)
            return fail("no audio output could be opened");
    }
    return engine;
}

FluidEngine::~FluidEngine() {
    // Reverse order of creation: the driver's thread pulls from the synth, the synth reads the
    // settings.
    if (driver_)
        delete_fluid_audio_driver(driver_);
    if (synth_)
        delete_fluid_synth(synth_);
    if (settings_)
        delete_fluid_settings(settings_);
}

int FluidEngine::send(const ShortMessage& m) {
    int r = FLUID_FAILED;
    switch (m.kind()) {
        case 0x80:
            // A note-off for a note that no longer sounds is not the sender's error.
            fluid_synth_noteoff(synth_, m.channel(), m.data1());
            return 0;
        case 0x90:
            r = fluid_synth_noteon(synth_, m.channel(), m.data1(), m.data2());
            break;
        case 0xA0:
            r = fluid_synth_key_pressure(synth_, m.channel(), m.data1(), m.data2());
            break;
        case 0xB0:
            r = fluid_synth_cc(synth_, m.channel(), m.data1(), m.data2());
            break;
        case 0xC0:
            r = fluid_synth_program_change(synth_, m.channel(), m.data1());
            break;
        case 0xD0:
            r = fluid_synth_channel_pressure(synth_, m.channel(), m.data1());
            break;
        case 0xE0:
            r = fluid_synth_pitch_bend(synth_, m.channel(), m.data1() | (m.data2() << 7));
            break;
        default:
            if (m.status() == 0xFF)
                r = fluid_synth_system_reset(synth_);
            break;
    }
    return r == FLUID_OK ? 0 : 1;
}

void FluidEngine::render(float* left, float* right, int frames) {
    fluid_synth_write_float(synth_, frames, left, 0, 1, right, 0, 1);
}

}  // namespace midi
