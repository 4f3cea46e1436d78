#include "midi/pulse_capture.h"

#include <pulse/pulseaudio.h>

#include <vector>

namespace midi {

PulseCapture::PulseCapture(CaptureSink& sink, CaptureOptions options)
    : sink_(sink), options_(std::move(options)), client_(*this, "tolmary-capture") {}

PulseCapture::~PulseCapture() {
    client_.stop();
    if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
}

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
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_FLOAT32NE;
    spec.rate = static_cast<std::uint32_t>(options_.sampleRate);
    spec.channels = 1;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "production");
    stream_ = pa_stream_new_with_proplist(context, options_.streamName.c_str(), &spec, nullptr,
                                          properties);
    pa_proplist_free(properties);
    if (!stream_) {
        client_.fail();
        return;
    }
    pa_stream_set_state_callback(stream_, onStreamState, this);
    pa_stream_set_read_callback(stream_, onRead, this);
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = static_cast<std::uint32_t>(-1);
    attributes.prebuf = static_cast<std::uint32_t>(-1);
    attributes.minreq = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(
        pa_usec_to_bytes(static_cast<pa_usec_t>(options_.fragmentMs) * PA_USEC_PER_MSEC, &spec));
    // No device named: the default source.
    if (pa_stream_connect_record(stream_, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY) < 0)
        client_.fail();
}

void PulseCapture::onStreamState(pa_stream* stream, void* self) {
    auto* me = static_cast<PulseCapture*>(self);
    switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY:
            me->client_.streamReady();
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            me->client_.fail();
            break;
        default:
            break;
    }
}

void PulseCapture::onRead(pa_stream* stream, std::size_t, void* self) {
    auto* me = static_cast<PulseCapture*>(self);
    const void* data = nullptr;
    std::size_t bytes = 0;
    while (pa_stream_readable_size(stream) > 0) {
        if (pa_stream_peek(stream, &data, &bytes) < 0) {
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
        pa_stream_drop(stream);
    }
}

}  // namespace midi
