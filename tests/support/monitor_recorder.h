#pragma once
// Records a sink's monitor in this process (16-bit stereo at the sink's own rate, so nothing
// is resampled and a gap of zeros stays exactly zero) and places every recorded frame on the
// steady clock. Started again after a restart of the server, it goes on counting frames where
// it stopped (the clock is then off for the frames within two seconds of the restart).
//
// Each chunk is stamped when it arrives. A chunk arrives some time after the server mixed it,
// and that delay varies, but the sink mixes at a fixed rate on the same monotonic clock: frame
// n was mixed at offset + n / rate. The offset is taken from the earliest arrivals, the minimum
// of (arrival - end frame / rate) over the chunks near the frame asked about, so a late
// delivery does not make a sample look late. What remains is the sink mixing a block at once:
// a frame may have been in the server up to one block (about the record fragment, 5 ms here)
// before the clock says.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/private_sound_server.h"

namespace harness {

class MonitorRecorder {
public:
    MonitorRecorder();
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    // Connects to `server` ("unix:/path") and records `source`; returns an empty string or why
    // not.
    std::string start(const std::string& server, const std::string& source);
    void stop();

    // Frames recorded so far.
    std::int64_t frames() const;
    // The larger magnitude of the two channels of frames [from, to), clipped to what exists.
    std::vector<int> magnitudes(std::int64_t from, std::int64_t to) const;
    // The left channel of frames [from, to) as -1 to 1, clipped to what exists.
    std::vector<float> samples(std::int64_t from, std::int64_t to) const;
    // The largest magnitude recorded from frame `from` on.
    int peakSince(std::int64_t from) const;
    // When frame `frame` was mixed in the server (see above).
    Clock::time_point timeOf(std::int64_t frame) const;
    // When the chunk holding frame `frame` reached this process: later than timeOf() by the
    // delivery, but without its model of the server's clock.
    Clock::time_point arrivalOf(std::int64_t frame) const;
    // The frame mixed at `at` (rounded down), by the same clock.
    std::int64_t frameAt(Clock::time_point at) const;
    // The median number of frames a chunk brought: the grain of the arrival stamps.
    int typicalChunkFrames() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A recorded frame above this is sound; silence from a null sink is exactly zero.
constexpr int soundThreshold = 64;
// The shortest run of zero frames inside a sound that counts as a dropout (0.36 ms), which the
// ear hears as a click.
constexpr int dropoutFrames = 16;

// Gaps inside a sound: the sound runs from the first to the last frame louder than
// `threshold`; a gap is a run of at least `minimumRun` frames that are exactly zero.
struct GapCount {
    bool sounded = false;
    int gaps = 0;
    int longest = 0;
    std::int64_t soundFrames = 0;
};
GapCount countGaps(const std::vector<int>& magnitudes, int threshold = soundThreshold,
                   int minimumRun = dropoutFrames);

}  // namespace harness
