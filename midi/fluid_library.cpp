#include "midi/fluid_library.h"

#include <dlfcn.h>

#include <cstring>
#include <mutex>

namespace midi {
namespace {

// POSIX hands functions out as data pointers; copying the bits is the portable way back.
template <typename Function>
bool bind(void* library, Function& slot, const char* name, std::string& error) {
    void* symbol = ::dlsym(library, name);
    if (!symbol) {
        error = std::string(TOLMARY_FLUIDSYNTH_SONAME " has no ") + name;
        return false;
    }
    static_assert(sizeof slot == sizeof symbol);
    std::memcpy(&slot, &symbol, sizeof slot);
    return true;
}

struct Loaded {
    FluidLibrary functions;
    bool ok = false;
    std::string error;
};

Loaded load() {
    Loaded l;
    // Kept for the life of the process: engines may be made and dropped at any time.
    void* library = ::dlopen(TOLMARY_FLUIDSYNTH_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = ::dlerror();
        l.error = why ? why : "cannot load " TOLMARY_FLUIDSYNTH_SONAME;
        return l;
    }
    FluidLibrary& f = l.functions;
    l.ok = bind(library, f.newSettings, "new_fluid_settings", l.error) &&
           bind(library, f.deleteSettings, "delete_fluid_settings", l.error) &&
           bind(library, f.settingsSetNum, "fluid_settings_setnum", l.error) &&
           bind(library, f.settingsSetInt, "fluid_settings_setint", l.error) &&
           bind(library, f.setLogFunction, "fluid_set_log_function", l.error) &&
           bind(library, f.newSynth, "new_fluid_synth", l.error) &&
           bind(library, f.deleteSynth, "delete_fluid_synth", l.error) &&
           bind(library, f.sfload, "fluid_synth_sfload", l.error) &&
           bind(library, f.noteOn, "fluid_synth_noteon", l.error) &&
           bind(library, f.noteOff, "fluid_synth_noteoff", l.error) &&
           bind(library, f.keyPressure, "fluid_synth_key_pressure", l.error) &&
           bind(library, f.controlChange, "fluid_synth_cc", l.error) &&
           bind(library, f.programChange, "fluid_synth_program_change", l.error) &&
           bind(library, f.channelPressure, "fluid_synth_channel_pressure", l.error) &&
           bind(library, f.pitchBend, "fluid_synth_pitch_bend", l.error) &&
           bind(library, f.systemReset, "fluid_synth_system_reset", l.error) &&
           bind(library, f.writeFloat, "fluid_synth_write_float", l.error) &&
           bind(library, f.activeVoiceCount, "fluid_synth_get_active_voice_count", l.error) &&
           bind(library, f.allSoundsOff, "fluid_synth_all_sounds_off", l.error) &&
           bind(library, f.activateKeyTuning, "fluid_synth_activate_key_tuning", l.error) &&
           bind(library, f.activateTuning, "fluid_synth_activate_tuning", l.error) &&
           bind(library, f.deactivateTuning, "fluid_synth_deactivate_tuning", l.error);
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
