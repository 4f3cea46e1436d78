#pragma once
// One stream on a PulseAudio server with a thread of its own (a threaded main loop), for the
// harness's recorder and player. The stream's callbacks run on that thread.

#include <pulse/pulseaudio.h>

#include <functional>
#include <string>

namespace harness {

class PulseSession {
public:
    PulseSession() = default;
    ~PulseSession() { close(); }
    PulseSession(const PulseSession&) = delete;
    PulseSession& operator=(const PulseSession&) = delete;

    // Connects to `server` ("unix:/path") and makes a stream named `name` in `sampleFormat`;
    // `attach`, called with the loop locked, sets the stream's callbacks and connects it to its
    // device (a pa_stream_connect_* result). Returns an empty string once the stream is ready, or
    // why it is not.
    std::string open(const std::string& server, const std::string& name,
                     const pa_sample_spec& sampleFormat,
                     const std::function<int(pa_stream*)>& attach);
    // Ends the stream and the connection; no callback runs once it returns.
    void close();

private:
    std::string connectLocked(const std::string& server, const std::string& name,
                              const pa_sample_spec& sampleFormat,
                              const std::function<int(pa_stream*)>& attach);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
};

}  // namespace harness
