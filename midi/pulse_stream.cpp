#include "midi/pulse_stream.h"

#include <pulse/pulseaudio.h>

namespace midi {
namespace {

constexpr std::size_t frameBytes = 2 * sizeof(float);

// Holds the main loop's lock, unless the caller runs on the loop's own thread (a callback),
// which holds it already.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop)
        : loop_(loop && !pa_threaded_mainloop_in_thread(loop) ? loop : nullptr) {
        if (loop_)
            pa_threaded_mainloop_lock(loop_);
    }
    ~LoopLock() {
        if (loop_)
            pa_threaded_mainloop_unlock(loop_);
    }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

void forget(pa_operation* operation) {
    if (operation)
        pa_operation_unref(operation);
}

}  // namespace

PulseStream::PulseStream(AudioSource& source, PulseOptions options)
    : source_(source), options_(std::move(options)) {}

PulseStream::~PulseStream() {
    if (!loop_)
        return;
    // Stopping joins the loop's thread: after it no callback runs.
    pa_threaded_mainloop_stop(loop_);
    if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    pa_threaded_mainloop_free(loop_);
}

void PulseStream::connect() {
    if (loop_)
        return;
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) {
        status_ = Status::failed;
        source_.streamLost();
        return;
    }
    pa_threaded_mainloop_set_name(loop_, "tolmary-audio");
    LoopLock lock(loop_);
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, options_.applicationName.c_str());
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "tolmary");
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_),
                                            options_.applicationName.c_str(), properties);
    pa_proplist_free(properties);
    status_ = Status::connecting;
    if (!context_) {
        fail();
        return;
    }
    pa_context_set_state_callback(context_, onContextState, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_) < 0)
        fail();
}

bool PulseStream::waitConnected(int timeoutMs) {
    if (!loop_)
        return false;
    LoopLock lock(loop_);
    if (status_ == Status::connecting) {
        timedOut_ = false;
        pa_time_event* timer = pa_context_rttime_new(
            context_, pa_rtclock_now() + static_cast<pa_usec_t>(timeoutMs) * PA_USEC_PER_MSEC,
            [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
                auto* me = static_cast<PulseStream*>(self);
                me->timedOut_ = true;
                pa_threaded_mainloop_signal(me->loop_, 0);
            },
            this);
        while (status_ == Status::connecting && !timedOut_)
            pa_threaded_mainloop_wait(loop_);
        if (timedOut_ && status_ == Status::connecting)
            failure_ = "no answer from the sound server";
        if (timer)
            pa_threaded_mainloop_get_api(loop_)->time_free(timer);
    }
    return status_ == Status::ready;
}

void PulseStream::resume() {
    if (!loop_)
        return;
    LoopLock lock(loop_);
    if (!corked_)
        return;
    corked_ = false;
    if (status_ != Status::ready)
        return;  // uncorked once it is ready
    // What is still queued is the silence played before the pause: dropped, so the note that
    // resumes the stream is not queued behind it.
    forget(pa_stream_flush(stream_, nullptr, nullptr));
    forget(pa_stream_cork(stream_, 0, nullptr, nullptr));
}

std::string PulseStream::failure() const {
    LoopLock lock(loop_);
    return failure_;
}

void PulseStream::onContextState(pa_context* context, void* self) {
    auto* me = static_cast<PulseStream*>(self);
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            me->openStream();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            me->fail();
            break;
        default:
            break;
    }
}

void PulseStream::openStream() {
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_FLOAT32NE;
    spec.rate = static_cast<std::uint32_t>(options_.sampleRate);
    spec.channels = 2;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "music");
    stream_ = pa_stream_new_with_proplist(context_, options_.streamName.c_str(), &spec, nullptr,
                                          properties);
    pa_proplist_free(properties);
    if (!stream_) {
        fail();
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
        fail();
}

void PulseStream::onStreamState(pa_stream* stream, void* self) {
    auto* me = static_cast<PulseStream*>(self);
    switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY:
            me->status_ = Status::ready;
            if (!me->corked_)
                forget(pa_stream_cork(stream, 0, nullptr, nullptr));
            pa_threaded_mainloop_signal(me->loop_, 0);
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            me->fail();
            break;
        default:
            break;
    }
}

void PulseStream::onWrite(pa_stream*, std::size_t bytes, void* self) {
    static_cast<PulseStream*>(self)->fill(bytes);
}

void PulseStream::fill(std::size_t bytes) {
    while (bytes >= frameBytes && status_ == Status::ready) {
        void* data = nullptr;
        std::size_t size = bytes;
        if (pa_stream_begin_write(stream_, &data, &size) < 0 || !data || size < frameBytes) {
            fail();
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

void PulseStream::fail() {
    const bool first = status_ != Status::failed;
    status_ = Status::failed;
    if (first)
        failure_ = context_ ? pa_strerror(pa_context_errno(context_)) : "out of memory";
    pa_threaded_mainloop_signal(loop_, 0);
    if (first)
        source_.streamLost();
}

}  // namespace midi
