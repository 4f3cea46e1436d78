#pragma once
// The ways a Linux desktop reaches its speakers, most likely first: its sound server over the
// PulseAudio protocol (PulseAudio itself, or PipeWire's service), else ALSA's default device.

#include <vector>

#include "midi/audio_stream.h"

namespace midi {

std::vector<AudioBackend> desktopAudioBackends(int sampleRate);

}  // namespace midi
