#pragma once
// A sound server the test plays by hand: its streams record what the synth's output asks of
// them, and the test stands in for a stream's thread by pulling frames (pull()) or by taking
// the server away (loseServer()). Nothing waits in real time.

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "audio/audio_stream.h"

namespace testing {

class FakeAudio {
public:
    class Stream final : public audio::AudioStream {
    public:
        Stream(FakeAudio& audio, audio::AudioSource& source) : audio_(audio), source_(source) {
            audio_.streams_.push_back(this);
            ++audio_.made;
        }
        ~Stream() override {
            if (audio_.onStreamClosed)
                audio_.onStreamClosed();
            std::erase(audio_.streams_, this);
        }
        void connect() override {
            connected_ = audio_.serverUp;
            if (!connected_)
                source_.streamLost();
        }
        bool waitConnected(int) override { return connected_; }
        void resume() override {
            ++resumes;
            running_ = true;
            if (audio_.onResume)
                audio_.onResume();
        }

        std::string failure() const override { return connected_ ? "" : "server down"; }

        bool running() const { return connected_ && running_; }
        int resumes = 0;

    private:
        friend class FakeAudio;
        FakeAudio& audio_;
        audio::AudioSource& source_;
        bool connected_ = false;
        bool running_ = false;
    };

    bool serverUp = true;
    int made = 0;
    // Runs as a stream closes, before it is gone.
    std::function<void()> onStreamClosed;
    // Runs as a stream is resumed: where a real stream's thread would soon render.
    std::function<void()> onResume;

    audio::AudioStreamFactory factory() {
        return
            [this](audio::AudioSource& source) { return std::make_unique<Stream>(*this, source); };
    }
    audio::AudioBackend backend(std::string name = "fake") { return {std::move(name), factory()}; }

    // The newest stream, or null.
    Stream* stream() const { return streams_.empty() ? nullptr : streams_.back(); }

    // What the server would play next: `frames` stereo frames pulled from the running stream,
    // or silence when no stream runs. Largest magnitude in them.
    float pull(int frames) {
        Stream* s = stream();
        if (!s || !s->running())
            return 0.0f;
        std::vector<float> buffer(static_cast<std::size_t>(frames) * 2);
        s->running_ = s->source_.render(buffer.data(), frames);
        float peak = 0.0f;
        for (float v : buffer)
            peak = std::max(peak, std::abs(v));
        return peak;
    }

    // The server goes away: every stream hears of it.
    void loseServer() {
        serverUp = false;
        for (Stream* s : streams_) {
            if (s->connected_) {
                s->connected_ = false;
                s->source_.streamLost();
            }
        }
    }

private:
    std::vector<Stream*> streams_;
};

}  // namespace testing
