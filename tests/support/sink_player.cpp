#include "tests/support/sink_player.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "tests/support/private_sound_server.h"
#include "tests/support/pulse_session.h"

namespace harness {
namespace {

constexpr pa_usec_t aheadUsec = 200 * PA_USEC_PER_MSEC;

}  // namespace

struct SinkPlayer::State {
    PulseSession session;

    mutable std::mutex mutex;
    std::vector<float> queued;
    std::size_t next = 0;
    std::atomic<int> underruns = 0;

    // Fills all the server asks for: a buffer from pa_stream_begin_write() may hold less.
    static void writable(pa_stream* stream, std::size_t bytes, void* self) {
        auto* state = static_cast<State*>(self);
        while (bytes >= sizeof(float)) {
            void* data = nullptr;
            std::size_t size = bytes;
            if (pa_stream_begin_write(stream, &data, &size) < 0 || !data || size < sizeof(float))
                return;
            auto* out = static_cast<float*>(data);
            const std::size_t count = size / sizeof(float);
            std::size_t taken = 0;
            {
                std::lock_guard lock(state->mutex);
                taken = std::min(count, state->queued.size() - state->next);
                std::copy_n(state->queued.begin() + static_cast<std::ptrdiff_t>(state->next), taken,
                            out);
                state->next += taken;
            }
            std::fill(out + taken, out + count, 0.0f);
            pa_stream_write(stream, data, count * sizeof(float), nullptr, 0, PA_SEEK_RELATIVE);
            bytes -= count * sizeof(float);
        }
    }
};

SinkPlayer::SinkPlayer() : state_(std::make_unique<State>()) {}

SinkPlayer::~SinkPlayer() {
    stop();
}

std::string SinkPlayer::start(const std::string& server, const std::string& sink) {
    State& s = *state_;
    const pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32NE, sinkRate, 1};
    return s.session.open(server, "tolmary-harness-player", sampleFormat, [&](pa_stream* stream) {
        pa_stream_set_write_callback(stream, &State::writable, &s);
        pa_stream_set_underflow_callback(
            stream, [](pa_stream*, void* self) { ++static_cast<State*>(self)->underruns; }, &s);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(aheadUsec, &sampleFormat));
        attr.prebuf = static_cast<std::uint32_t>(-1);
        attr.minreq = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(-1);
        return pa_stream_connect_playback(stream, sink.c_str(), &attr, PA_STREAM_NOFLAGS, nullptr,
                                          nullptr);
    });
}

void SinkPlayer::stop() {
    state_->session.close();
    silence();
}

void SinkPlayer::play(const std::vector<float>& samples) {
    std::lock_guard lock(state_->mutex);
    state_->queued.erase(state_->queued.begin(),
                         state_->queued.begin() + static_cast<std::ptrdiff_t>(state_->next));
    state_->next = 0;
    state_->queued.insert(state_->queued.end(), samples.begin(), samples.end());
}

void SinkPlayer::silence() {
    std::lock_guard lock(state_->mutex);
    state_->queued.clear();
    state_->next = 0;
}

int SinkPlayer::underruns() const {
    return state_->underruns;
}

bool SinkPlayer::playing() const {
    std::lock_guard lock(state_->mutex);
    return state_->next < state_->queued.size();
}

}  // namespace harness
