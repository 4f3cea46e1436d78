#pragma once
// The FluidSynth engine: owns the settings and synth handles and frees them in reverse order.
// It only renders on request; who asks (an audio output, a calibration) is the caller's affair.
// Only the rendering thread touches the synth: every other thread posts its changes, which the
// next render applies in order before it renders. So a real-time render never waits for a
// lock that a busy window thread holds.

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "midi/latest_value.h"
#include "midi/short_message.h"
#include "midi/spsc_queue.h"
#include "pitch/pitch_corrections.h"

extern "C" {
typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
}

namespace midi {

struct FluidLibrary;

struct EngineOptions {
    std::string soundFont;
    double sampleRate = 44100.0;
    // Output level; soundfonts.h has the gain that suits each installed SoundFont.
    double gain = 1.0;
};

// A change to the synth, posted by any thread and applied by the rendering one.
struct SynthEvent {
    enum class Kind : std::uint8_t {
        message,       // a short message, played as it is
        keyTunings,    // the newest key tunings posted (postKeyTunings) go into the synth
        selectTuning,  // `channel` plays `program`'s key tuning, or equal temperament if none
    };
    Kind kind = Kind::message;
    ShortMessage message;
    std::uint8_t channel = 0;
    std::int16_t program = -1;

    static SynthEvent play(const ShortMessage& m) { return {Kind::message, m, 0, -1}; }
    static SynthEvent installKeyTunings() { return {Kind::keyTunings, {}, 0, -1}; }
    static SynthEvent select(int channel, int program) {
        return {Kind::selectTuning,
                {},
                static_cast<std::uint8_t>(channel),
                static_cast<std::int16_t>(program)};
    }
};

// Each guitar program's key tuning: every key's pitch in cents.
using KeyTunings = std::array<std::array<double, 128>, pitch::guitarProgramCount>;

class FluidEngine {
public:
    // Events the synth holds for its next render; far more than can come between two
    // renders of a running stream.
    static constexpr std::size_t queueCapacity = 1024;
    // How long a post waits for a full queue to drain before it gives up.
    static constexpr std::chrono::milliseconds fullWait{200};

    // Creates the engine, or returns null and the reason in `error` (FluidSynth's own log
    // messages of the attempt included).
    static std::unique_ptr<FluidEngine> create(const EngineOptions& options, std::string& error);
    ~FluidEngine();
    FluidEngine(const FluidEngine&) = delete;
    FluidEngine& operator=(const FluidEngine&) = delete;

    // Any thread but the rendering one. Queues `event` for the next render. When the queue is
    // full, wakes the renderer (setDrainWaker) and waits up to fullWait for room; false, and a
    // line on stderr, when the event could not be queued.
    bool post(const SynthEvent& event);
    // Any thread but the rendering one: makes `tunings` the newest and posts their install.
    bool postKeyTunings(const KeyTunings& tunings);
    // Any thread, never waits: every voice is cut at once, without a release, after the
    // events posted so far; programs and tunings stay.
    void silenceAfterPosted();
    // What makes a render happen soon (a paused stream resumed), for a full queue.
    void setDrainWaker(std::function<void()> waker);

    // The rendering thread, one at a time: applies what was posted, then renders `frames`
    // stereo frames into separate left and right buffers.
    void render(float* left, float* right, int frames);
    // The same, interleaved (left, right, left, ...).
    void renderInterleaved(float* frames, int count);
    // The rendering thread: voices still sounding, releasing ones included.
    int activeVoices() const;

    double sampleRate() const { return sampleRate_; }

private:
    explicit FluidEngine(const FluidLibrary& fluid) : fluid_(fluid) {}
    void applyPosted();
    void apply(const SynthEvent& event);
    void play(const ShortMessage& message);

    const FluidLibrary& fluid_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    double sampleRate_ = 44100.0;

    std::mutex posting_;  // one producer at a time; never taken by the rendering thread
    std::function<void()> waker_;
    SpscQueue<SynthEvent, queueCapacity> events_;
    LatestValue<KeyTunings> tunings_;
    // 1 + the number of events posted before a pending silence; 0 when none is pending.
    std::atomic<std::uint64_t> silenceAfter_{0};
};

}  // namespace midi
