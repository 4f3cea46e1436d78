#include "bench/monitor_recorder.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace bench {
namespace {

constexpr int channels = 2;
constexpr std::size_t frameBytes = channels * sizeof(std::int16_t);
// A 5.8 ms fragment: the server hands data over often enough to stamp it finely.
constexpr std::uint32_t fragmentBytes = 256 * frameBytes;
// Chunks within this many frames of the frame asked about set its clock offset.
constexpr std::int64_t offsetWindow = 2 * recordRate;

struct Chunk {
    std::int64_t endFrame;
    Clock::time_point arrivedAt;
};

}  // namespace

struct MonitorRecorder::State {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    std::string source;

    mutable std::mutex mutex;
    std::vector<std::int16_t> samples;
    std::vector<Chunk> chunks;

    static void contextChanged(pa_context*, void* self) {
        pa_threaded_mainloop_signal(static_cast<State*>(self)->loop, 0);
    }
    static void streamChanged(pa_stream*, void* self) {
        pa_threaded_mainloop_signal(static_cast<State*>(self)->loop, 0);
    }
    static void readable(pa_stream* s, std::size_t, void* self) {
        auto* state = static_cast<State*>(self);
        const void* data = nullptr;
        std::size_t bytes = 0;
        while (pa_stream_readable_size(s) > 0 && pa_stream_peek(s, &data, &bytes) == 0 &&
               bytes > 0) {
            const auto at = Clock::now();
            const std::size_t count = bytes / sizeof(std::int16_t);
            {
                std::lock_guard lock(state->mutex);
                if (data) {
                    const auto* in = static_cast<const std::int16_t*>(data);
                    state->samples.insert(state->samples.end(), in, in + count);
                } else {
                    // A hole: the server dropped data for this stream; count it as silence.
                    state->samples.insert(state->samples.end(), count, 0);
                }
                state->chunks.push_back(
                    {static_cast<std::int64_t>(state->samples.size() / channels), at});
            }
            pa_stream_drop(s);
        }
    }

    // The clock offset near `frame`, in nanoseconds of the steady clock at frame 0.
    double offsetNs(std::int64_t frame) const {
        double best = 0.0;
        bool found = false;
        const auto first =
            std::lower_bound(chunks.begin(), chunks.end(), frame - offsetWindow,
                             [](const Chunk& c, std::int64_t f) { return c.endFrame < f; });
        for (auto c = first; c != chunks.end() && c->endFrame <= frame + offsetWindow; ++c) {
            const double ns = double(c->arrivedAt.time_since_epoch().count()) -
                              double(c->endFrame) * 1e9 / recordRate;
            if (!found || ns < best)
                best = ns;
            found = true;
        }
        if (!found && !chunks.empty()) {
            const Chunk& c = chunks.back();
            best = double(c.arrivedAt.time_since_epoch().count()) -
                   double(c.endFrame) * 1e9 / recordRate;
        }
        return best;
    }
};

MonitorRecorder::MonitorRecorder() : state_(std::make_unique<State>()) {}

MonitorRecorder::~MonitorRecorder() {
    stop();
}

std::string MonitorRecorder::start(const std::string& server, const std::string& source) {
    State& s = *state_;
    s.source = source;
    s.loop = pa_threaded_mainloop_new();
    if (!s.loop || pa_threaded_mainloop_start(s.loop) < 0)
        return "cannot start the recorder's main loop";
    pa_threaded_mainloop_lock(s.loop);
    std::string error;
    s.context = pa_context_new(pa_threaded_mainloop_get_api(s.loop), "tolmary-bench-recorder");
    pa_context_set_state_callback(s.context, &State::contextChanged, &s);
    if (pa_context_connect(s.context, server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        error = "cannot connect to the sound server";
    } else {
        pa_context_state_t cs;
        while ((cs = pa_context_get_state(s.context)) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(cs))
            pa_threaded_mainloop_wait(s.loop);
        if (cs != PA_CONTEXT_READY)
            error = "cannot connect to the sound server";
    }
    if (error.empty()) {
        const pa_sample_spec spec{PA_SAMPLE_S16LE, recordRate, channels};
        s.stream = pa_stream_new(s.context, "monitor", &spec, nullptr);
        pa_stream_set_state_callback(s.stream, &State::streamChanged, &s);
        pa_stream_set_read_callback(s.stream, &State::readable, &s);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = fragmentBytes;
        pa_stream_connect_record(s.stream, source.c_str(), &attr, PA_STREAM_ADJUST_LATENCY);
        pa_stream_state_t ss;
        while ((ss = pa_stream_get_state(s.stream)) != PA_STREAM_READY && PA_STREAM_IS_GOOD(ss))
            pa_threaded_mainloop_wait(s.loop);
        if (ss != PA_STREAM_READY)
            error = "cannot record " + source;
    }
    pa_threaded_mainloop_unlock(s.loop);
    return error;
}

void MonitorRecorder::stop() {
    State& s = *state_;
    if (!s.loop)
        return;
    pa_threaded_mainloop_stop(s.loop);
    if (s.stream) {
        pa_stream_disconnect(s.stream);
        pa_stream_unref(s.stream);
        s.stream = nullptr;
    }
    if (s.context) {
        pa_context_disconnect(s.context);
        pa_context_unref(s.context);
        s.context = nullptr;
    }
    pa_threaded_mainloop_free(s.loop);
    s.loop = nullptr;
}

std::int64_t MonitorRecorder::frames() const {
    std::lock_guard lock(state_->mutex);
    return static_cast<std::int64_t>(state_->samples.size() / channels);
}

std::vector<int> MonitorRecorder::magnitudes(std::int64_t from, std::int64_t to) const {
    std::lock_guard lock(state_->mutex);
    const auto count = static_cast<std::int64_t>(state_->samples.size() / channels);
    from = std::clamp<std::int64_t>(from, 0, count);
    to = std::clamp<std::int64_t>(to, from, count);
    std::vector<int> out;
    out.reserve(static_cast<std::size_t>(to - from));
    for (std::int64_t f = from; f < to; ++f) {
        const auto i = static_cast<std::size_t>(f * channels);
        out.push_back(
            std::max(std::abs(int{state_->samples[i]}), std::abs(int{state_->samples[i + 1]})));
    }
    return out;
}

Clock::time_point MonitorRecorder::timeOf(std::int64_t frame) const {
    std::lock_guard lock(state_->mutex);
    const double ns = state_->offsetNs(frame) + double(frame) * 1e9 / recordRate;
    return Clock::time_point(Clock::duration(static_cast<Clock::rep>(ns)));
}

std::int64_t MonitorRecorder::frameAt(Clock::time_point at) const {
    const auto count = frames();
    std::lock_guard lock(state_->mutex);
    const double offset = state_->offsetNs(count);
    const double ns = double(at.time_since_epoch().count()) - offset;
    return static_cast<std::int64_t>(ns * recordRate / 1e9);
}

int MonitorRecorder::typicalChunkFrames() const {
    std::lock_guard lock(state_->mutex);
    std::vector<std::int64_t> sizes;
    for (std::size_t i = 1; i < state_->chunks.size(); ++i)
        sizes.push_back(state_->chunks[i].endFrame - state_->chunks[i - 1].endFrame);
    if (sizes.empty())
        return 0;
    std::nth_element(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2),
                     sizes.end());
    return static_cast<int>(sizes[sizes.size() / 2]);
}

GapCount countGaps(const std::vector<int>& magnitudes, int threshold, int minimumRun) {
    GapCount result;
    const auto loud = [threshold](int m) { return m > threshold; };
    const auto first = std::find_if(magnitudes.begin(), magnitudes.end(), loud);
    if (first == magnitudes.end())
        return result;
    const auto last = std::find_if(magnitudes.rbegin(), magnitudes.rend(), loud).base();
    result.sounded = true;
    result.soundFrames = last - first;
    int run = 0;
    for (auto m = first; m != last; ++m) {
        if (*m == 0) {
            ++run;
            continue;
        }
        if (run >= minimumRun) {
            ++result.gaps;
            result.longest = std::max(result.longest, run);
        }
        run = 0;
    }
    return result;
}

}  // namespace bench
