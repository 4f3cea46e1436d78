#include "audio/pulse_client.h"

#include <pulse/pulseaudio.h>

#include "audio/pulse_library.h"

namespace audio {

PulseClient::Lock::Lock(const PulseClient& client)
    : loop_(client.loop_ && !pulse().threadedMainloopInThread(client.loop_) ? client.loop_
                                                                            : nullptr) {
    if (loop_)
        pulse().threadedMainloopLock(loop_);
}

PulseClient::Lock::~Lock() {
    if (loop_)
        pulse().threadedMainloopUnlock(loop_);
}

PulseClient::PulseClient(Owner& owner, std::string threadName)
    : owner_(owner), threadName_(std::move(threadName)) {}

PulseClient::~PulseClient() {
    stop();
    if (stream_) {
        pulse().streamSetStateCallback(stream_, nullptr, nullptr);
        pulse().streamSetWriteCallback(stream_, nullptr, nullptr);
        pulse().streamSetReadCallback(stream_, nullptr, nullptr);
        pulse().streamDisconnect(stream_);
        pulse().streamUnref(stream_);
    }
    if (context_) {
        pulse().contextSetStateCallback(context_, nullptr, nullptr);
        pulse().contextDisconnect(context_);
        pulse().contextUnref(context_);
    }
    if (loop_)
        pulse().threadedMainloopFree(loop_);
}

void PulseClient::stop() {
    if (loop_ && running_) {
        pulse().threadedMainloopStop(loop_);
        running_ = false;
    }
}

void PulseClient::connect(const std::string& applicationName) {
    if (status_ != Status::idle)
        return;
    status_ = Status::connecting;
    std::string why;
    if (!pulseLibrary(why)) {
        failBecause(why);
        return;
    }
    loop_ = pulse().threadedMainloopNew();
    if (!loop_) {
        fail();
        return;
    }
    pulse().threadedMainloopSetName(loop_, threadName_.c_str());
    Lock lock(*this);
    pa_proplist* properties = pulse().proplistNew();
    pulse().proplistSets(properties, PA_PROP_APPLICATION_NAME, applicationName.c_str());
    pulse().proplistSets(properties, PA_PROP_APPLICATION_ICON_NAME, "tolmary");
    context_ = pulse().contextNewWithProplist(pulse().threadedMainloopGetApi(loop_),
                                              applicationName.c_str(), properties);
    pulse().proplistFree(properties);
    if (!context_) {
        fail();
        return;
    }
    pulse().contextSetStateCallback(context_, onContextState, this);
    if (pulse().contextConnect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) {
        fail();
        return;
    }
    running_ = pulse().threadedMainloopStart(loop_) == 0;
    if (!running_)
        fail();
}

bool PulseClient::waitReady(int timeoutMs) {
    if (!loop_)
        return false;
    Lock lock(*this);
    if (status_ == Status::connecting && running_) {
        timedOut_ = false;
        pa_time_event* timer = pulse().contextRttimeNew(
            context_, pulse().rtclockNow() + static_cast<pa_usec_t>(timeoutMs) * PA_USEC_PER_MSEC,
            [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
                auto* me = static_cast<PulseClient*>(self);
                me->timedOut_ = true;
                pulse().threadedMainloopSignal(me->loop_, 0);
            },
            this);
        while (status_ == Status::connecting && !timedOut_)
            pulse().threadedMainloopWait(loop_);
        if (timer)
            pulse().threadedMainloopGetApi(loop_)->time_free(timer);
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
    pa_proplist* properties = pulse().proplistNew();
    pulse().proplistSets(properties, PA_PROP_MEDIA_ROLE, role);
    stream_ =
        pulse().streamNewWithProplist(context, name.c_str(), &sampleFormat, nullptr, properties);
    pulse().proplistFree(properties);
    if (!stream_) {
        fail();
        return nullptr;
    }
    pulse().streamSetStateCallback(stream_, onStreamState, this);
    return stream_;
}

void PulseClient::onStreamState(pa_stream* stream, void* self) {
    auto* me = static_cast<PulseClient*>(self);
    switch (pulse().streamGetState(stream)) {
        case PA_STREAM_READY:
            if (me->status_ != Status::connecting)
                break;
            me->owner_.streamReady(stream);
            me->status_ = Status::ready;
            pulse().threadedMainloopSignal(me->loop_, 0);
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
    failBecause(context_ ? pulse().strerror(pulse().contextErrno(context_)) : "out of memory");
}

void PulseClient::failBecause(const std::string& why) {
    if (status_ == Status::failed)
        return;
    status_ = Status::failed;
    failure_ = why;
    if (loop_)
        pulse().threadedMainloopSignal(loop_, 0);
    owner_.connectionLost();
}

std::string PulseClient::failure() const {
    Lock lock(*this);
    return failure_;
}

void PulseClient::onContextState(pa_context* context, void* self) {
    auto* me = static_cast<PulseClient*>(self);
    switch (pulse().contextGetState(context)) {
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
