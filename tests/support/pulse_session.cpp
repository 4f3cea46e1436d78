#include "tests/support/pulse_session.h"

namespace harness {
namespace {

void wakeContext(pa_context*, void* loop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

void wakeStream(pa_stream*, void* loop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

}  // namespace

std::string PulseSession::open(const std::string& server, const std::string& name,
                               const pa_sample_spec& sampleFormat,
                               const std::function<int(pa_stream*)>& attach) {
    close();
    loop_ = pa_threaded_mainloop_new();
    if (!loop_ || pa_threaded_mainloop_start(loop_) < 0)
        return "cannot start a sound thread";
    pa_threaded_mainloop_lock(loop_);
    const std::string why = connectLocked(server, name, sampleFormat, attach);
    pa_threaded_mainloop_unlock(loop_);
    return why;
}

std::string PulseSession::connectLocked(const std::string& server, const std::string& name,
                                        const pa_sample_spec& sampleFormat,
                                        const std::function<int(pa_stream*)>& attach) {
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), name.c_str());
    pa_context_set_state_callback(context_, wakeContext, loop_);
    if (pa_context_connect(context_, server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return "cannot connect to the sound server";
    pa_context_state_t cs;
    while ((cs = pa_context_get_state(context_)) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(cs))
        pa_threaded_mainloop_wait(loop_);
    if (cs != PA_CONTEXT_READY)
        return "cannot connect to the sound server";
    stream_ = pa_stream_new(context_, name.c_str(), &sampleFormat, nullptr);
    if (!stream_)
        return "cannot make a stream";
    pa_stream_set_state_callback(stream_, wakeStream, loop_);
    if (attach(stream_) < 0)
        return "cannot connect the stream " + name;
    pa_stream_state_t ss;
    while ((ss = pa_stream_get_state(stream_)) != PA_STREAM_READY && PA_STREAM_IS_GOOD(ss))
        pa_threaded_mainloop_wait(loop_);
    return ss == PA_STREAM_READY ? std::string() : "the stream " + name + " failed";
}

void PulseSession::close() {
    if (!loop_)
        return;
    pa_threaded_mainloop_stop(loop_);
    if (stream_) {
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
}

}  // namespace harness
