#pragma once
// Plays sound into a sink of the private sound server as a live source would, a fifth of a
// second ahead: enough that a busy machine does not starve it (an underrun cuts a gap into a
// tone, which then no longer reads as a steady tone), while the sink itself mixes at the
// latency its monitor's reader asks for. Silence while nothing is queued.

#include <memory>
#include <string>
#include <vector>

namespace harness {

class SinkPlayer {
public:
    SinkPlayer();
    ~SinkPlayer();
    SinkPlayer(const SinkPlayer&) = delete;
    SinkPlayer& operator=(const SinkPlayer&) = delete;

    // Connects to `server` and plays into `sink`; returns an empty string or why not.
    std::string start(const std::string& server, const std::string& sink);
    void stop();

    // Queues `samples` (mono at sinkRate, full scale at 1) after what is still queued.
    void play(const std::vector<float>& samples);
    // Drops what is queued: silence from the next fragment on.
    void silence();
    // True while queued sound has not yet been handed to the server (it sounds in the sink up
    // to a fifth of a second later).
    bool playing() const;
    // How often the server ran out of sound to play: each time a gap in what was queued.
    int underruns() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace harness
