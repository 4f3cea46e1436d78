#pragma once
// An audio stream straight to an ALSA device, for machines without a sound server. A thread
// of its own writes one period at a time while the stream runs and waits on a condition
// while it is paused, with the device stopped.

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "audio/audio_stream.h"

namespace audio {

struct AlsaOptions {
    std::string device = "default";
    int sampleRate = 44100;
    // The device's whole buffer; a period is a quarter of it.
    int latencyMs = 40;
};

class AlsaStream final : public AudioStream {
public:
    AlsaStream(AudioSource& source, AlsaOptions options);
    ~AlsaStream() override;
    AlsaStream(const AlsaStream&) = delete;
    AlsaStream& operator=(const AlsaStream&) = delete;

    void connect() override;
    bool waitConnected(int timeoutMs) override;
    void resume() override;
    std::string failure() const override;

private:
    enum class Status { idle, connecting, ready, failed };

    void run();

    AudioSource& source_;
    AlsaOptions options_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Status status_ = Status::idle;
    bool running_ = false;
    bool quit_ = false;
    std::string failure_;
    std::thread thread_;
};

}  // namespace audio
