#pragma once
// The audio module: the desktop's sound streams out and in. Out, a stream pulls rendered frames
// from an AudioSource on a real-time thread of its own while something sounds (audio_stream.h);
// in, a capture hands the microphone's samples to a CaptureSink (audio_capture.h). It knows
// nothing of MIDI or of what renders the frames.
//
// The desktop's speakers and microphone. The speakers are reached the best way the desktop
// offers: PipeWire's own stream where a PipeWire server answers, else the sound server over
// the PulseAudio protocol, else ALSA's default device. The microphone is the sound server's
// default source, over the PulseAudio protocol.

#include <vector>

#include "audio/audio_capture.h"
#include "audio/audio_stream.h"

namespace audio {

std::vector<AudioBackend> desktopAudioBackends(int sampleRate);

AudioCaptureFactory desktopMicrophone();

}  // namespace audio
