#include "tests/support/monitor_recorder.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "tests/support/pulse_session.h"

namespace harness {
namespace {

constexpr int channels = 2;
constexpr std::size_t frameBytes = channels * sizeof(std::int16_t);
// A 5.8 ms fragment: the server hands data over often enough to stamp it finely.
constexpr std::uint32_t fragmentBytes = 256 * frameBytes;
// Chunks within this many frames of the frame asked about set its clock offset.
constexpr std::int64_t offsetWindow = 2 * sinkRate;

struct Chunk {
    std::int64_t endFrame;
    Clock::time_point arrivedAt;
};

}  // namespace

struct MonitorRecorder::State {
    PulseSession session;

    mutable std::mutex mutex;
    std::vector<std::int16_t> samples;
    std::vector<Chunk> chunks;

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
                              double(c->endFrame) * 1e9 / sinkRate;
            if (!found || ns < best)
                best = ns;
            found = true;
        }
        if (!found && !chunks.empty()) {
            const Chunk& c = chunks.back();
            best = double(c.arrivedAt.time_since_epoch().count()) -
                   double(c.endFrame) * 1e9 / sinkRate;
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
    const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, sinkRate, channels};
    return s.session.open(server, "tolmary-harness-recorder", sampleFormat, [&](pa_stream* stream) {
        pa_stream_set_read_callback(stream, &State::readable, &s);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = fragmentBytes;
        return pa_stream_connect_record(stream, source.c_str(), &attr, PA_STREAM_ADJUST_LATENCY);
    });
}

void MonitorRecorder::stop() {
    state_->session.close();
}

std::int64_t MonitorRecorder::frames() const {
    std::lock_guard lock(state_->mutex);
    return static_cast<std::int64_t>(state_->samples.size() / channels);
}

int MonitorRecorder::peakSince(std::int64_t from) const {
    const std::vector<int> m = magnitudes(from, frames());
    return m.empty() ? 0 : *std::max_element(m.begin(), m.end());
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

std::vector<float> MonitorRecorder::samples(std::int64_t from, std::int64_t to) const {
    std::lock_guard lock(state_->mutex);
    const auto count = static_cast<std::int64_t>(state_->samples.size() / channels);
    from = std::clamp<std::int64_t>(from, 0, count);
    to = std::clamp<std::int64_t>(to, from, count);
    std::vector<float> out;
    out.reserve(static_cast<std::size_t>(to - from));
    for (std::int64_t f = from; f < to; ++f)
        out.push_back(state_->samples[static_cast<std::size_t>(f * channels)] / 32768.0F);
    return out;
}

Clock::time_point MonitorRecorder::timeOf(std::int64_t frame) const {
    std::lock_guard lock(state_->mutex);
    const double ns = state_->offsetNs(frame) + double(frame) * 1e9 / sinkRate;
    return Clock::time_point(Clock::duration(static_cast<Clock::rep>(ns)));
}

Clock::time_point MonitorRecorder::arrivalOf(std::int64_t frame) const {
    std::lock_guard lock(state_->mutex);
    const auto& chunks = state_->chunks;
    const auto chunk =
        std::upper_bound(chunks.begin(), chunks.end(), frame,
                         [](std::int64_t f, const Chunk& c) { return f < c.endFrame; });
    return chunk == chunks.end() ? Clock::time_point::max() : chunk->arrivedAt;
}

std::int64_t MonitorRecorder::frameAt(Clock::time_point at) const {
    const auto count = frames();
    std::lock_guard lock(state_->mutex);
    const double offset = state_->offsetNs(count);
    const double ns = double(at.time_since_epoch().count()) - offset;
    return static_cast<std::int64_t>(ns * sinkRate / 1e9);
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

}  // namespace harness
