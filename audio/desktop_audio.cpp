#include "audio/desktop_audio.h"

#include "audio/alsa_stream.h"
#include "audio/pipewire_stream.h"
#include "audio/pulse_capture.h"
#include "audio/pulse_stream.h"

namespace audio {

std::vector<AudioBackend> desktopAudioBackends(int sampleRate) {
    return {
        {"pipewire",
         [sampleRate](AudioSource& source) {
             PipeWireOptions options;
             options.sampleRate = sampleRate;
             return std::make_unique<PipeWireStream>(source, options);
         }},
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

}  // namespace audio
