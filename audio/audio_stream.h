#pragma once
// The seam between the built-in synth and the desktop's audio: a stream that pulls rendered
// frames from a source on a thread of its own and can be paused, so that nothing runs while
// nothing sounds. One implementation per sound system (pulse_stream.h, alsa_stream.h); tests
// use a fake that they drive by hand.

#include <functional>
#include <memory>
#include <string>

namespace audio {

// Where a stream's frames come from. Both calls run on the stream's thread.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Fills `frames` interleaved stereo float frames. Returns false when nothing sounds any
    // more: the stream then plays these frames and pauses until resume().
    virtual bool render(float* interleaved, int frames) = 0;
    // The connection is gone (the server ended, the device vanished) or could not be made.
    // No render() follows on this stream.
    virtual void streamLost() = 0;
};

class AudioStream {
public:
    // Disconnects; once it returns, no call into the source runs or will run.
    virtual ~AudioStream() = default;

    // Starts connecting, paused. The outcome shows as waitConnected() or as streamLost().
    virtual void connect() = 0;
    // Waits until the stream is connected (true), or failed or `timeoutMs` passed (false).
    virtual bool waitConnected(int timeoutMs) = 0;
    // Starts pulling frames, now or as soon as the stream is connected. Callable from any
    // thread; never waits for the server. It never runs at the same time as render(), so a
    // resume() after a note-on overrides a pause that a render() before it asked for.
    virtual void resume() = 0;
    // Why the stream could not connect or was lost, once it was; for the error report.
    virtual std::string failure() const = 0;
};

// Makes an unconnected stream that will pull from `source`.
using AudioStreamFactory = std::function<std::unique_ptr<AudioStream>(AudioSource& source)>;

// A way to reach the speakers, tried in order until one connects.
struct AudioBackend {
    std::string name;
    AudioStreamFactory make;
};

}  // namespace audio
