#include "midi/fluid_library.h"

#include "audio/shared_library.h"

namespace midi {
namespace {

struct Loaded {
    FluidLibrary functions;
    bool ok = false;
    std::string error;
};

Loaded load() {
    Loaded l;
    audio::SharedLibrary library(TOLMARY_FLUIDSYNTH_SONAME);
    FluidLibrary& f = l.functions;
    l.ok = library.bind(f.newSettings, "new_fluid_settings") &&
           library.bind(f.deleteSettings, "delete_fluid_settings") &&
           library.bind(f.settingsSetNum, "fluid_settings_setnum") &&
           library.bind(f.settingsSetInt, "fluid_settings_setint") &&
           library.bind(f.setLogFunction, "fluid_set_log_function") &&
           library.bind(f.newSynth, "new_fluid_synth") &&
           library.bind(f.deleteSynth, "delete_fluid_synth") &&
           library.bind(f.sfload, "fluid_synth_sfload") &&
           library.bind(f.noteOn, "fluid_synth_noteon") &&
           library.bind(f.noteOff, "fluid_synth_noteoff") &&
           library.bind(f.keyPressure, "fluid_synth_key_pressure") &&
           library.bind(f.controlChange, "fluid_synth_cc") &&
           library.bind(f.programChange, "fluid_synth_program_change") &&
           library.bind(f.channelPressure, "fluid_synth_channel_pressure") &&
           library.bind(f.pitchBend, "fluid_synth_pitch_bend") &&
           library.bind(f.systemReset, "fluid_synth_system_reset") &&
           library.bind(f.writeFloat, "fluid_synth_write_float") &&
           library.bind(f.activeVoiceCount, "fluid_synth_get_active_voice_count") &&
           library.bind(f.allSoundsOff, "fluid_synth_all_sounds_off") &&
           library.bind(f.activateKeyTuning, "fluid_synth_activate_key_tuning") &&
           library.bind(f.activateTuning, "fluid_synth_activate_tuning") &&
           library.bind(f.deactivateTuning, "fluid_synth_deactivate_tuning");
    l.error = library.error();
    return l;
}

}  // namespace

const FluidLibrary* fluidLibrary(std::string& error) {
    static const Loaded loaded = load();
    if (!loaded.ok) {
        error = loaded.error;
        return nullptr;
    }
    return &loaded.functions;
}

}  // namespace midi
