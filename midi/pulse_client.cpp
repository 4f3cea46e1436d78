#include "midi/pulse_client.h"

#include <pulse/pulseaudio.h>

namespace midi {

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

void PulseClient::streamReady() {
    if (status_ != Status::connecting)
        return;
    status_ = Status::ready;
    pa_threaded_mainloop_signal(loop_, 0);
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

}  // namespace midi
