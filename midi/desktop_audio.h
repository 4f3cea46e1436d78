#pragma once
// The desktop's speakers and microphone. The speakers are reached the most likely way first:
// the sound server over the PulseAudio protocol (PulseAudio itself, or PipeWire's service),
// else ALSA's default device. The microphone is the sound server's default source.

#include <vector>

#include "midi/audio_capture.h"
#include "midi/audio_stream.h"

namespace midi {

std::vector<AudioBackend> desktopAudioBackends(int sampleRate);

AudioCaptureFactory desktopMicrophone();

}  // namespace midi
