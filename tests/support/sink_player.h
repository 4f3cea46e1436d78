#pragma once
// Plays sound into a sink of the private sound server the way a live source does: about 20 ms
// ahead of the sink, so that the sink mixes it as it comes and its monitor carries it at once.
// A player with the default buffer (two seconds) lets the null sink mix in large blocks, and
// the monitor then delivers late, in bursts. Silence while nothing is queued.

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
    // True while queued sound has not yet been handed to the server.
    bool playing() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace harness
