#include "audio/pulse_capture.h"

#include <pulse/pulseaudio.h>

#include <vector>

#include "audio/pulse_library.h"

namespace audio {

PulseCapture::PulseCapture(CaptureSink& sink, CaptureOptions options)
    : sink_(sink), options_(std::move(options)), client_(*this, "tolmary-capture") {}

PulseCapture::~PulseCapture() = default;

void PulseCapture::start() {
    client_.connect(options_.applicationName);
}

std::string PulseCapture::failure() const {
    return client_.failure();
}

void PulseCapture::connectionLost() {
    sink_.captureLost();
}

void PulseCapture::contextReady(pa_context* context) {
    pa_stream* stream =
        client_.createStream(context, options_.streamName, options_.sampleRate, 1, "production");
    if (!stream)
        return;
    pulse().streamSetReadCallback(stream, onRead, this);
    pa_buffer_attr attributes = serverChosenBuffer();
    attributes.fragsize = bufferBytes(options_.fragmentMs, options_.sampleRate, 1);
    // No device named: the default source.
    if (pulse().streamConnectRecord(stream, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY) < 0)
        client_.fail();
}

void PulseCapture::onRead(pa_stream* stream, std::size_t, void* self) {
    auto* me = static_cast<PulseCapture*>(self);
    const void* data = nullptr;
    std::size_t bytes = 0;
    while (pulse().streamReadableSize(stream) > 0) {
        if (pulse().streamPeek(stream, &data, &bytes) < 0) {
            me->client_.fail();
            return;
        }
        if (bytes == 0)
            return;
        const int count = static_cast<int>(bytes / sizeof(float));
        if (data) {
            me->sink_.captured(static_cast<const float*>(data), count);
        } else {
            // A hole in the recording (the server dropped data): silence keeps the time right.
            const std::vector<float> silence(static_cast<std::size_t>(count), 0.0f);
            me->sink_.captured(silence.data(), count);
        }
        pulse().streamDrop(stream);
    }
}

}  // namespace audio
