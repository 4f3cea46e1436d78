#pragma once
// A private sound server on a socket in the caller's folder, with null sinks in one fixed
// format: the program under test plays into a sink or records its monitor, and the harness
// records or plays the other side. Its tools (pactl) are run against it alone. The server is
// PulseAudio, or a PipeWire stack (pipewire_stack.h) reached the same way through its
// PulseAudio service.

#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/pipewire_stack.h"

namespace harness {

// The sinks' rate (16-bit stereo): the recorder and the player use it too, so nothing between
// them and a sink is resampled.
constexpr int sinkRate = 44100;

enum class ServerKind { pulseaudio, pipewire };

class PrivateSoundServer {
public:
    // Starts the server with its home and runtime folder in `folder` and one null sink named
    // `sinkName`, and waits until it answers; its messages go to `logFile` (or stay on this
    // process's output when empty). Returns an empty string or why it could not.
    std::string start(const std::string& folder, const std::string& sinkName,
                      const std::string& logFile = {}, ServerKind kind = ServerKind::pulseaudio);
    // Ends the server at once, as a crash does; its socket file stays behind.
    void kill();
    // A new server on the same socket with the same sink, as after a restart of the desktop's
    // sound service; its default source is the sink's monitor again.
    std::string restart();

    // Another null sink in the same format; the index of the module that holds it, or empty.
    std::string addNullSink(const std::string& name);
    // Unloads a module by its index, or every module of a name ("module-null-sink").
    bool unloadModule(const std::string& module);
    bool setDefaultSink(const std::string& sink);
    bool setDefaultSource(const std::string& source);

    ServerKind kind() const { return kind_; }
    // "unix:/path", for PULSE_SERVER and the recorder.
    std::string address() const { return "unix:" + socket_; }
    const std::string& sink() const { return sinkName_; }
    std::string monitor() const { return monitorOf(sinkName_); }
    static std::string monitorOf(const std::string& sink) { return sink + ".monitor"; }

private:
    std::string startServer();
    bool serverRunning();
    // Runs pactl against this server: true when it succeeded, with its output in `output`.
    bool pactl(const std::vector<std::string>& args, std::string* output = nullptr);

    ServerKind kind_ = ServerKind::pulseaudio;
    ChildProcess server_;
    PipeWireStack pipewire_;
    std::string folder_;
    std::string socket_;
    std::string sinkName_;
    std::string logFile_;
};

}  // namespace harness
