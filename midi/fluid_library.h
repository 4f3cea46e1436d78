#pragma once
// FluidSynth's functions, taken from the library when the first engine is made instead of when
// the program starts: the library and the forty others it needs (SDL, JACK, libsndfile and its
// codecs, GLib...) would otherwise be mapped and linked before the window's first frame, which
// needs none of them.

#include <fluidsynth.h>

#include <string>

namespace midi {

struct FluidLibrary {
    decltype(&::new_fluid_settings) newSettings = nullptr;
    decltype(&::delete_fluid_settings) deleteSettings = nullptr;
    decltype(&::fluid_settings_setnum) settingsSetNum = nullptr;
    decltype(&::fluid_settings_setint) settingsSetInt = nullptr;
    decltype(&::fluid_set_log_function) setLogFunction = nullptr;
    decltype(&::new_fluid_synth) newSynth = nullptr;
    decltype(&::delete_fluid_synth) deleteSynth = nullptr;
    decltype(&::fluid_synth_sfload) sfload = nullptr;
    decltype(&::fluid_synth_noteon) noteOn = nullptr;
    decltype(&::fluid_synth_noteoff) noteOff = nullptr;
    decltype(&::fluid_synth_key_pressure) keyPressure = nullptr;
    decltype(&::fluid_synth_cc) controlChange = nullptr;
    decltype(&::fluid_synth_program_change) programChange = nullptr;
    decltype(&::fluid_synth_channel_pressure) channelPressure = nullptr;
    decltype(&::fluid_synth_pitch_bend) pitchBend = nullptr;
    decltype(&::fluid_synth_system_reset) systemReset = nullptr;
    decltype(&::fluid_synth_write_float) writeFloat = nullptr;
    decltype(&::fluid_synth_get_active_voice_count) activeVoiceCount = nullptr;
    decltype(&::fluid_synth_all_sounds_off) allSoundsOff = nullptr;
    decltype(&::fluid_synth_activate_key_tuning) activateKeyTuning = nullptr;
    decltype(&::fluid_synth_activate_tuning) activateTuning = nullptr;
    decltype(&::fluid_synth_deactivate_tuning) deactivateTuning = nullptr;
};

// The library's functions, loaded on the first call (from any thread); null when the library
// or one of its functions cannot be found, and why in `error`.
const FluidLibrary* fluidLibrary(std::string& error);

}  // namespace midi
