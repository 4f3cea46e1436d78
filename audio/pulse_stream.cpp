#include "audio/pulse_stream.h"

#include <pulse/pulseaudio.h>

#include "audio/pulse_library.h"
#include "audio/realtime_thread.h"

namespace audio {
namespace {

constexpr int channels = 2;
constexpr std::size_t frameBytes = channels * sizeof(float);

void forget(pa_operation* operation) {
    if (operation)
        pulse().operationUnref(operation);
}

}  // namespace

PulseStream::PulseStream(AudioSource& source, PulseOptions options)
    : source_(source), options_(std::move(options)), client_(*this, "tolmary-audio") {}

PulseStream::~PulseStream() = default;

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
    forget(pulse().streamFlush(client_.stream(), nullptr, nullptr));
    forget(pulse().streamCork(client_.stream(), 0, nullptr, nullptr));
}

void PulseStream::connectionLost() {
    source_.streamLost();
}

void PulseStream::contextReady(pa_context* context) {
    // This is the thread that renders: before its first request.
    makeThisThreadRealtime();
    pa_stream* stream =
        client_.createStream(context, options_.streamName, options_.sampleRate, channels, "music");
    if (!stream)
        return;
    pulse().streamSetWriteCallback(stream, onWrite, this);
    // Only the total latency is asked for; the server splits it between its own buffer and
    // ours and sizes the requests.
    pa_buffer_attr attributes = serverChosenBuffer();
    attributes.tlength = bufferBytes(options_.latencyMs, options_.sampleRate, channels);
    // No device named: the default output, followed when it changes.
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    if (pulse().streamConnectPlayback(stream, nullptr, &attributes, flags, nullptr, nullptr) < 0)
        client_.fail();
}

void PulseStream::streamReady(pa_stream* stream) {
    if (!corked_)
        forget(pulse().streamCork(stream, 0, nullptr, nullptr));
}

void PulseStream::onWrite(pa_stream* stream, std::size_t bytes, void* self) {
    static_cast<PulseStream*>(self)->fill(stream, bytes);
}

void PulseStream::fill(pa_stream* stream, std::size_t bytes) {
    while (bytes >= frameBytes && client_.ready()) {
        void* data = nullptr;
        std::size_t size = bytes;
        if (pulse().streamBeginWrite(stream, &data, &size) < 0 || !data || size < frameBytes) {
            client_.fail();
            return;
        }
        const int frames = static_cast<int>(size / frameBytes);
        const bool more = source_.render(static_cast<float*>(data), frames);
        pulse().streamWrite(stream, data, static_cast<std::size_t>(frames) * frameBytes, nullptr, 0,
                            PA_SEEK_RELATIVE);
        bytes -= static_cast<std::size_t>(frames) * frameBytes;
        if (!more) {
            // Silent for a while: stop asking for more until a note resumes the stream.
            corked_ = true;
            forget(pulse().streamCork(stream, 1, nullptr, nullptr));
            return;
        }
    }
}

}  // namespace audio
