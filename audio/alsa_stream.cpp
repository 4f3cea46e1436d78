#include "audio/alsa_stream.h"

#include <alsa/asoundlib.h>

#include "audio/realtime_thread.h"

#include <chrono>
#include <vector>

namespace audio {
namespace {

// ALSA prints its own complaints to stderr; the stream reports its failure once, its way.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

class Pcm {
public:
    ~Pcm() {
        if (pcm_)
            snd_pcm_close(pcm_);
    }
    // Opens `device` for float stereo at `rate` with about `latencyMs` of buffer. Never waits
    // for a device another program holds.
    // Returns 0 or ALSA's error code.
    int open(const std::string& device, int rate, int latencyMs) {
        static std::once_flag quiet;
        std::call_once(quiet, [] { snd_lib_error_set_handler(quietAlsa); });
        int r = snd_pcm_open(&pcm_, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
        if (r < 0) {
            pcm_ = nullptr;
            return r;
        }
        snd_pcm_nonblock(pcm_, 0);
        return snd_pcm_set_params(pcm_, SND_PCM_FORMAT_FLOAT, SND_PCM_ACCESS_RW_INTERLEAVED, 2,
                                  static_cast<unsigned>(rate), 1,
                                  static_cast<unsigned>(latencyMs) * 1000);
    }
    snd_pcm_uframes_t periodFrames() const {
        snd_pcm_uframes_t buffer = 0, period = 0;
        if (snd_pcm_get_params(pcm_, &buffer, &period) < 0 || period == 0)
            return 512;
        return period;
    }
    snd_pcm_t* get() const { return pcm_; }

private:
    snd_pcm_t* pcm_ = nullptr;
};

}  // namespace

AlsaStream::AlsaStream(AudioSource& source, AlsaOptions options)
    : source_(source), options_(std::move(options)) {}

AlsaStream::~AlsaStream() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void AlsaStream::connect() {
    std::lock_guard lock(mutex_);
    if (status_ != Status::idle)
        return;
    status_ = Status::connecting;
    thread_ = std::thread([this] { run(); });
}

bool AlsaStream::waitConnected(int timeoutMs) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [this] { return status_ != Status::connecting; });
    if (status_ == Status::connecting)
        failure_ = options_.device + ": no answer";
    return status_ == Status::ready;
}

void AlsaStream::resume() {
    {
        std::lock_guard lock(mutex_);
        running_ = true;
    }
    changed_.notify_all();
}

std::string AlsaStream::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void AlsaStream::run() {
    Pcm pcm;
    const int openResult = pcm.open(options_.device, options_.sampleRate, options_.latencyMs);
    const bool opened = openResult == 0;
    {
        std::lock_guard lock(mutex_);
        status_ = opened ? Status::ready : Status::failed;
        if (!opened)
            failure_ = options_.device + ": " + snd_strerror(openResult);
    }
    changed_.notify_all();
    if (!opened) {
        source_.streamLost();
        return;
    }
    makeThisThreadRealtime();
    const snd_pcm_uframes_t period = pcm.periodFrames();
    std::vector<float> buffer(period * 2);
    bool stopped = true;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            if (!running_ && !stopped) {
                // Only silence is queued: stop the device at once instead of playing it out.
                snd_pcm_drop(pcm.get());
                stopped = true;
            }
            changed_.wait(lock, [this] { return quit_ || running_; });
            if (quit_)
                return;
            if (stopped) {
                snd_pcm_prepare(pcm.get());
                stopped = false;
            }
            // Rendered under the lock, so a resume() cannot slip between the last silent
            // render and the pause it asks for.
            running_ = source_.render(buffer.data(), static_cast<int>(period));
        }
        snd_pcm_sframes_t written =
            snd_pcm_writei(pcm.get(), buffer.data(), static_cast<snd_pcm_uframes_t>(period));
        if (written < 0)
            written = snd_pcm_recover(pcm.get(), static_cast<int>(written), 1);
        if (written < 0) {
            // The device is gone (unplugged, or taken away): what comes next is a new stream.
            {
                std::lock_guard lock(mutex_);
                status_ = Status::failed;
                failure_ = options_.device + ": " + snd_strerror(static_cast<int>(written));
            }
            source_.streamLost();
            return;
        }
    }
}

}  // namespace audio
