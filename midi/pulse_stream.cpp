#include "midi/pulse_stream.h"

#include <pulse/pulseaudio.h>

namespace midi {
namespace {

constexpr std::size_t frameBytes = 2 * sizeof(float);

void forget(pa_operation* operation) {
    if (operation)
        pa_operation_unref(operation);
}

}  // namespace

PulseStream::PulseStream(AudioSource& source, PulseOptions options)
    : source_(source), options_(std::move(options)), client_(*this, "tolmary-audio") {}

PulseStream::~PulseStream() {
    client_.stop();
    if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
}

void PulseStream::connect() {
    client_.connect(options_.applicationName);
}

bool PulseStream::waitConnected(int timeoutMs) {
    return client_.waitReady(timeoutMs);
}

std::string PulseStream::failure() const {
    return client_.failure();
}

void PulseStream::resume() {
    PulseClient::Lock lock(client_);
    if (!corked_)
        return;
    corked_ = false;
    if (!client_.ready())
        return;  // uncorked once it is ready
    // What is still queued is the silence played before the pause: dropped, so the note that
    // resumes the stream is not queued behind it.
    forget(pa_stream_flush(stream_, nullptr, nullptr));
    forget(pa_stream_cork(stream_, 0, nullptr, nullptr));
}

void PulseStream::connectionLost() {
    source_.streamLost();
}

void PulseStream::contextReady(pa_context* context) {
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_FLOAT32NE;
    spec.rate = static_cast<std::uint32_t>(options_.sampleRate);
    spec.channels = 2;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "music");
    stream_ = pa_stream_new_with_proplist(context, options_.streamName.c_str(), &spec, nullptr,
                                          properties);
    pa_proplist_free(properties);
    if (!stream_) {
        client_.fail();
        return;
    }
    pa_stream_set_state_callback(stream_, onStreamState, this);
    pa_stream_set_write_callback(stream_, onWrite, this);
    // Only the total latency is asked for; the server splits it between its own buffer and
    // ours and sizes the requests.
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = static_cast<std::uint32_t>(
        pa_usec_to_bytes(static_cast<pa_usec_t>(options_.latencyMs) * PA_USEC_PER_MSEC, &spec));
    attributes.prebuf = static_cast<std::uint32_t>(-1);
    attributes.minreq = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    // No device named: the default output, followed when it changes.
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    if (pa_stream_connect_playback(stream_, nullptr, &attributes, flags, nullptr, nullptr) < 0)
        client_.fail();
}

void PulseStream::onStreamState(pa_stream* stream, void* self) {
    auto* me = static_cast<PulseStream*>(self);
    switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY:
            if (!me->corked_)
                forget(pa_stream_cork(stream, 0, nullptr, nullptr));
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

void PulseStream::onWrite(pa_stream*, std::size_t bytes, void* self) {
    static_cast<PulseStream*>(self)->fill(bytes);
}

void PulseStream::fill(std::size_t bytes) {
    while (bytes >= frameBytes && client_.ready()) {
        void* data = nullptr;
        std::size_t size = bytes;
        if (pa_stream_begin_write(stream_, &data, &size) < 0 || !data || size < frameBytes) {
            client_.fail();
            return;
        }
        const int frames = static_cast<int>(size / frameBytes);
        const bool more = source_.render(static_cast<float*>(data), frames);
        pa_stream_write(stream_, data, static_cast<std::size_t>(frames) * frameBytes, nullptr, 0,
                        PA_SEEK_RELATIVE);
        bytes -= static_cast<std::size_t>(frames) * frameBytes;
        if (!more) {
            cork(true);
            return;
        }
    }
}

void PulseStream::cork(bool paused) {
    corked_ = paused;
    forget(pa_stream_cork(stream_, paused ? 1 : 0, nullptr, nullptr));
}

}  // namespace midi
