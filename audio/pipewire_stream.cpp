#include "audio/pipewire_stream.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "audio/realtime_thread.h"

// PipeWire's method macros (pw_core_sync, pw_loop_signal_event...) expand to GNU statement
// expressions, which clang reports under -Wpedantic at every use.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wgnu-statement-expression"
#endif

namespace audio {
namespace {

constexpr int channels = 2;
constexpr std::uint32_t frameBytes = channels * sizeof(float);

// Holds the loop's lock, unless the caller is the loop's own thread (a callback), which
// holds it already.
class LoopLock {
public:
    explicit LoopLock(pw_thread_loop* loop)
        : loop_(loop && !pw_thread_loop_in_thread(loop) ? loop : nullptr) {
        if (loop_)
            pw_thread_loop_lock(loop_);
    }
    ~LoopLock() {
        if (loop_)
            pw_thread_loop_unlock(loop_);
    }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pw_thread_loop* loop_;
};

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

}  // namespace

struct PipeWireStream::Hooks {
    spa_hook core{};
    spa_hook registry{};
    spa_hook stream{};
    pw_core_events coreEvents{};
    pw_registry_events registryEvents{};
    pw_stream_events streamEvents{};

    Hooks() {
        coreEvents.version = PW_VERSION_CORE_EVENTS;
        coreEvents.error = [](void* self, std::uint32_t id, int, int result, const char* message) {
            static_cast<PipeWireStream*>(self)->coreError(id, result, message);
        };
        coreEvents.done = [](void* self, std::uint32_t id, int seq) {
            static_cast<PipeWireStream*>(self)->coreDone(id, seq);
        };
        registryEvents.version = PW_VERSION_REGISTRY_EVENTS;
        registryEvents.global = [](void* self, std::uint32_t, std::uint32_t, const char* type,
                                   std::uint32_t, const spa_dict* properties) {
            if (std::strcmp(type, PW_TYPE_INTERFACE_Node) != 0 || !properties)
                return;
            const char* mediaClass = spa_dict_lookup(properties, PW_KEY_MEDIA_CLASS);
            const char* name = spa_dict_lookup(properties, PW_KEY_NODE_NAME);
            // Not the stand-in ("Dummy Output") that the PulseAudio service makes when there is
            // no sink at all: that service plays into it as well as this stream would.
            if (mediaClass && std::strcmp(mediaClass, "Audio/Sink") == 0 &&
                !(name && std::strcmp(name, "auto_null") == 0))
                static_cast<PipeWireStream*>(self)->sinkSeen();
        };
        streamEvents.version = PW_VERSION_STREAM_EVENTS;
        streamEvents.state_changed = [](void* self, pw_stream_state, pw_stream_state state,
                                        const char* error) {
            static_cast<PipeWireStream*>(self)->stateChanged(state, error);
        };
        streamEvents.process = [](void* self) { static_cast<PipeWireStream*>(self)->process(); };
    }

    // On the loop's thread, signalled by the data thread.
    static void onDrained(void* self, std::uint64_t) {
        auto* me = static_cast<PipeWireStream*>(self);
        me->drained(me->drainedAtResume_.load());
    }
    // Queued to the data thread once the stream is ready, so that it is real-time before the
    // first note. Should the queue have run it here instead, the first cycle asks.
    static int onDataThread(spa_loop*, bool, std::uint32_t, const void*, std::size_t, void* self) {
        auto* me = static_cast<PipeWireStream*>(self);
        if (pw_data_loop_in_thread(pw_context_get_data_loop(me->context_)))
            me->askRealtime();
        return 0;
    }
};

PipeWireStream::PipeWireStream(AudioSource& source, PipeWireOptions options)
    : source_(source), options_(std::move(options)), hooks_(std::make_unique<Hooks>()) {}

PipeWireStream::~PipeWireStream() {
    // The loop's thread first, so no callback runs while the rest goes; destroying the stream
    // takes it off the data thread.
    if (loop_ && running_)
        pw_thread_loop_stop(loop_);
    // Nothing calls back from here on: a loss reported now would reach a source that may be
    // going away.
    if (core_)
        spa_hook_remove(&hooks_->core);
    if (stream_)
        spa_hook_remove(&hooks_->stream);
    if (registry_)
        pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry_));
    if (stream_)
        pw_stream_destroy(stream_);
    if (drainEvent_)
        pw_loop_destroy_source(pw_thread_loop_get_loop(loop_), drainEvent_);
    if (core_)
        pw_core_disconnect(core_);
    if (context_)
        pw_context_destroy(context_);
    if (loop_)
        pw_thread_loop_destroy(loop_);
}

void PipeWireStream::connect() {
    if (status_ != Status::idle)
        return;
    status_ = Status::connecting;
    initialiseOnce();
    loop_ = pw_thread_loop_new("tolmary-audio", nullptr);
    if (!loop_) {
        fail("cannot start PipeWire's loop");
        return;
    }
    // PipeWire's configuration for clients that render on its data thread: the thread is made
    // real-time at the priority the desktop gives audio clients (as high as the server's own
    // where the system allows it), not left to a low priority asked for afterwards.
    context_ = pw_context_new(pw_thread_loop_get_loop(loop_),
                              pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
    if (!context_) {
        fail("cannot make a PipeWire context");
        return;
    }
    LoopLock lock(loop_);
    // How the data thread asks this loop to make the stream inactive: an event, so that it
    // never waits and never runs the request itself.
    drainEvent_ = pw_loop_add_event(pw_thread_loop_get_loop(loop_), Hooks::onDrained, this);
    running_ = drainEvent_ && pw_thread_loop_start(loop_) == 0;
    if (!running_) {
        fail("cannot start PipeWire's loop");
        return;
    }
    connectLocked();
}

void PipeWireStream::connectLocked() {
    // Fails at once where no PipeWire server listens (a PulseAudio or ALSA desktop).
    core_ = pw_context_connect(context_, nullptr, 0);
    if (!core_) {
        // EHOSTDOWN: no socket answered at all.
        const int error = errno;
        fail(error == EHOSTDOWN ? "no PipeWire server"
                                : std::string("no PipeWire server (") + std::strerror(error) + ")");
        return;
    }
    pw_core_add_listener(core_, &hooks_->core, &hooks_->coreEvents, this);
    // The server's objects as they are now, then a round trip: once it is done, every sink
    // there is has been seen.
    registry_ = pw_core_get_registry(core_, PW_VERSION_REGISTRY, 0);
    if (!registry_) {
        fail("cannot list PipeWire's objects");
        return;
    }
    pw_registry_add_listener(registry_, &hooks_->registry, &hooks_->registryEvents, this);
    listed_ = pw_core_sync(core_, PW_ID_CORE, 0);

    const std::string latency = std::to_string(options_.cycleMs * options_.sampleRate / 1000) +
                                "/" + std::to_string(options_.sampleRate);
    pw_properties* properties = pw_properties_new(
        PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback", PW_KEY_MEDIA_ROLE, "Music",
        PW_KEY_APP_NAME, options_.applicationName.c_str(), PW_KEY_APP_ICON_NAME, "tolmary",
        PW_KEY_NODE_LATENCY, latency.c_str(), nullptr);
    stream_ = pw_stream_new(core_, options_.streamName.c_str(), properties);
    if (!stream_) {
        fail("cannot make a PipeWire stream");
        return;
    }
    pw_stream_add_listener(stream_, &hooks_->stream, &hooks_->streamEvents, this);

    spa_audio_info_raw format{};
    format.format = SPA_AUDIO_FORMAT_F32;
    format.rate = static_cast<std::uint32_t>(options_.sampleRate);
    format.channels = channels;
    format.position[0] = SPA_AUDIO_CHANNEL_FL;
    format.position[1] = SPA_AUDIO_CHANNEL_FR;
    std::uint8_t buffer[1024];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, buffer, sizeof buffer);
    const spa_pod* params[1] = {
        spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &format)};
    // No target: the session manager links the default sink, and moves the stream with it.
    // Inactive until a note wants it; the data thread renders.
    const auto flags =
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_INACTIVE |
                                     PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
    if (pw_stream_connect(stream_, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1) < 0)
        fail("cannot connect a PipeWire stream");
}

bool PipeWireStream::waitConnected(int timeoutMs) {
    if (!loop_)
        return false;
    LoopLock lock(loop_);
    if (status_ == Status::connecting && running_) {
        timespec deadline{};
        pw_thread_loop_get_time(loop_, &deadline, std::int64_t{timeoutMs} * SPA_NSEC_PER_MSEC);
        while (status_ == Status::connecting)
            if (pw_thread_loop_timed_wait_full(loop_, &deadline) != 0)
                break;
        if (status_ == Status::connecting)
            failure_ = "no answer from the PipeWire server";
    }
    return status_ == Status::ready;
}

void PipeWireStream::resume() {
    LoopLock lock(loop_);
    // Counted before anything else: a render that is under way now may already have found
    // silence, and its pause must not undo this resume.
    resumes_.fetch_add(1);
    if (active_)
        return;
    active_ = true;
    if (status_ == Status::ready)
        pw_stream_set_active(stream_, true);
}

std::string PipeWireStream::failure() const {
    LoopLock lock(loop_);
    return failure_;
}

void PipeWireStream::stateChanged(int state, const char* error) {
    switch (state) {
        case PW_STREAM_STATE_PAUSED:
        case PW_STREAM_STATE_STREAMING:
            streamPaused_ = true;
            becomeReady();
            break;
        case PW_STREAM_STATE_ERROR:
            fail(std::string("the PipeWire stream failed") +
                 (error ? std::string(": ") + error : ""));
            break;
        case PW_STREAM_STATE_UNCONNECTED:
            if (status_ == Status::connecting || status_ == Status::ready)
                fail("the PipeWire stream was disconnected");
            break;
        default:
            break;
    }
}

void PipeWireStream::sinkSeen() {
    sinkSeen_ = true;
}

void PipeWireStream::coreDone(std::uint32_t id, int seq) {
    if (id != PW_ID_CORE || seq != listed_ || !registry_)
        return;
    // Listed: the registry would only wake this thread for every change of the graph.
    spa_hook_remove(&hooks_->registry);
    pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry_));
    registry_ = nullptr;
    listedAll_ = true;
    becomeReady();
}

void PipeWireStream::becomeReady() {
    if (status_ != Status::connecting || !listedAll_ || !streamPaused_)
        return;
    // A PipeWire server without a sink (one running beside PulseAudio, which keeps the sound
    // cards) is not the desktop's sound server.
    if (!sinkSeen_) {
        fail("PipeWire has no sink");
        return;
    }
    status_ = Status::ready;
    pw_data_loop_invoke(pw_context_get_data_loop(context_), Hooks::onDataThread, 0, nullptr, 0,
                        false, this);
    if (active_)
        pw_stream_set_active(stream_, true);
    pw_thread_loop_signal(loop_, false);
}

void PipeWireStream::askRealtime() {
    if (!realtimeAsked_.exchange(true))
        makeThisThreadRealtime();
}

void PipeWireStream::coreError(std::uint32_t id, int result, const char* message) {
    // Errors about other objects come with their own ids; one about the core itself means
    // the connection is gone (the server ended: -EPIPE).
    if (id != PW_ID_CORE)
        return;
    fail(std::string("PipeWire: ") + (message && *message ? message : std::strerror(-result)));
}

void PipeWireStream::fail(std::string why) {
    if (status_ == Status::failed)
        return;
    status_ = Status::failed;
    failure_ = std::move(why);
    lost_ = true;
    if (loop_)
        pw_thread_loop_signal(loop_, false);
    source_.streamLost();
}

void PipeWireStream::drained(std::uint32_t resumesSeen) {
    // Only if no note resumed the stream since that render began.
    if (resumes_.load() != resumesSeen || !active_ || status_ != Status::ready)
        return;
    active_ = false;
    pw_stream_set_active(stream_, false);
}

void PipeWireStream::process() {
    if (!realtimeAsked_.load())
        askRealtime();
    pw_buffer* buffer = pw_stream_dequeue_buffer(stream_);
    if (!buffer)
        return;
    spa_data& data = buffer->buffer->datas[0];
    if (!data.data) {
        pw_stream_queue_buffer(stream_, buffer);
        return;
    }
    std::uint32_t frames = data.maxsize / frameBytes;
    if (buffer->requested > 0)
        frames = std::min(frames, static_cast<std::uint32_t>(buffer->requested));
    auto* samples = static_cast<float*>(data.data);
    const std::uint32_t resumes = resumes_.load();
    if (drained_ && resumes != drainedAtResume_.load())
        drained_ = false;
    if (lost_.load() || drained_) {
        std::fill_n(samples, frames * channels, 0.0f);
    } else if (!source_.render(samples, static_cast<int>(frames))) {
        // Silent for a while: this cycle plays, the next ones are silence until the loop's
        // thread has made the stream inactive, unless a note resumed it meanwhile.
        drained_ = true;
        drainedAtResume_.store(resumes);
        pw_loop_signal_event(pw_thread_loop_get_loop(loop_), drainEvent_);
    }
    data.chunk->offset = 0;
    data.chunk->stride = static_cast<std::int32_t>(frameBytes);
    data.chunk->size = frames * frameBytes;
    pw_stream_queue_buffer(stream_, buffer);
}

}  // namespace audio
