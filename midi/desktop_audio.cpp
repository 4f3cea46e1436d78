#include "midi/desktop_audio.h"

#include "midi/alsa_stream.h"
#include "midi/pulse_capture.h"
#include "midi/pulse_stream.h"

namespace midi {

std::vector<AudioBackend> desktopAudioBackends(int sampleRate) {
    return {
        {"pulseaudio",
         [sampleRate](AudioSource& source) {
             PulseOptions options;
             options.sampleRate = sampleRate;
             return std::make_unique<PulseStream>(source, options);
         }},
        {"alsa",
         [sampleRate](AudioSource& source) {
             AlsaOptions options;
             options.sampleRate = sampleRate;
             return std::make_unique<AlsaStream>(source, options);
         }},
    };
}

AudioCaptureFactory desktopMicrophone() {
    return [](CaptureSink& sink) { return std::make_unique<PulseCapture>(sink); };
}

}  // namespace midi
