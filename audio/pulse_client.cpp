#include "audio/pulse_client.h"

#include <pulse/pulseaudio.h>

namespace audio {

PulseClient::Lock::Lock(const PulseClient& client)
    : loop_(client.loop_ && !pa_threaded_mainloop_in_thread(client.loop_) ? client.loop_
                                                                          : nullptr) {
    if (loop_)
        pa_threaded_mainloop_lock(loop_);
}

PulseClient::Lock::~Lock() {
    if (loop_)
        pa_threaded_mainloop_unlock(loop_);
}

PulseClient::PulseClient(Owner& owner, std::string threadName)
    : owner_(owner), threadName_(std::move(threadName)) {}

PulseClient::~PulseClient() {
    stop();
    if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (loop_)
        pa_threaded_mainloop_free(loop_);
}

void PulseClient::stop() {
    if (loop_ && running_) {
        pa_threaded_mainloop_stop(loop_);
        running_ = false;
    }
}

void PulseClient::connect(const std::string& applicationName) {
    if (status_ != Status::idle)
        return;
    status_ = Status::connecting;
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) {
        fail();
        return;
    }
    pa_threaded_mainloop_set_name(loop_, threadName_.c_str());
    Lock lock(*this);
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, applicationName.c_str());
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "tolmary");
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_),
                                            applicationName.c_str(), properties);
    pa_proplist_free(properties);
    if (!context_) {
        fail();
        return;
    }
    pa_context_set_state_callback(context_, onContextState, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) {
        fail();
        return;
    }
    running_ = pa_threaded_mainloop_start(loop_) == 0;
    if (!running_)
        fail();
}

bool PulseClient::waitReady(int timeoutMs) {
    if (!loop_)
        return false;
    Lock lock(*this);
    if (status_ == Status::connecting && running_) {
        timedOut_ = false;
        pa_time_event* timer = pa_context_rttime_new(
            context_, pa_rtclock_now() + static_cast<pa_usec_t>(timeoutMs) * PA_USEC_PER_MSEC,
            [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
                auto* me = static_cast<PulseClient*>(self);
                me->timedOut_ = true;
                pa_threaded_mainloop_signal(me->loop_, 0);
            },
            this);
        while (status_ == Status::connecting && !timedOut_)
            pa_threaded_mainloop_wait(loop_);
        if (timer)
            pa_threaded_mainloop_get_api(loop_)->time_free(timer);
        if (status_ == Status::connecting)
            failure_ = "no answer from the sound server";
    }
    return status_ == Status::ready;
}

pa_stream* PulseClient::createStream(pa_context* context, const std::string& name, int sampleRate,
                                     int channels, const char* role) {
    pa_sample_spec sampleFormat{};
    sampleFormat.format = PA_SAMPLE_FLOAT32NE;
    sampleFormat.rate = static_cast<std::uint32_t>(sampleRate);
    sampleFormat.channels = static_cast<std::uint8_t>(channels);
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, role);
    stream_ =
        pa_stream_new_with_proplist(context, name.c_str(), &sampleFormat, nullptr, properties);
    pa_proplist_free(properties);
    if (!stream_) {
        fail();
        return nullptr;
    }
    pa_stream_set_state_callback(stream_, onStreamState, this);
    return stream_;
}

void PulseClient::onStreamState(pa_stream* stream, void* self) {
    auto* me = static_cast<PulseClient*>(self);
    switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY:
            if (me->status_ != Status::connecting)
                break;
            me->owner_.streamReady(stream);
            me->status_ = Status::ready;
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

void PulseClient::fail() {
    if (status_ == Status::failed)
        return;
    status_ = Status::failed;
    failure_ = context_ ? pa_strerror(pa_context_errno(context_)) : "out of memory";
    if (loop_)
        pa_threaded_mainloop_signal(loop_, 0);
    owner_.connectionLost();
}

std::string PulseClient::failure() const {
    Lock lock(*this);
    return failure_;
}

void PulseClient::onContextState(pa_context* context, void* self) {
    auto* me = static_cast<PulseClient*>(self);
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            me->owner_.contextReady(context);
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            me->fail();
            break;
        default:
            break;
    }
}

pa_buffer_attr serverChosenBuffer() {
    pa_buffer_attr attributes;
    attributes.maxlength = attributes.tlength = attributes.prebuf = attributes.minreq =
        attributes.fragsize = static_cast<std::uint32_t>(-1);
    return attributes;
}

std::uint32_t bufferBytes(int milliseconds, int sampleRate, int channels) {
    return static_cast<std::uint32_t>(static_cast<long long>(milliseconds) * sampleRate * channels *
                                      static_cast<int>(sizeof(float)) / 1000);
}

}  // namespace audio
