#pragma once
// A private X server (Xvfb on a free display) and the bench's own connection to it: it sees
// top-level windows being mapped and first drawn (through the Damage extension) and clicks
// through the XTest extension, so the instant of a click is known to the bench, not guessed
// through a helper program.

#include <string>

#include "tests/support/child_process.h"

struct _XDisplay;

namespace bench {

using harness::ChildProcess;
using harness::Clock;

struct ShownWindow {
    unsigned long window = 0;
    Clock::time_point mappedAt{};
    // When the program first drew into it: what the user sees appear. Equal to mappedAt when
    // no drawing was seen.
    Clock::time_point paintedAt{};
};

class PrivateXServer {
public:
    PrivateXServer() = default;
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // Starts the server and connects; returns an empty string or why it could not.
    std::string start(const std::string& logFile);
    // ":N", for the DISPLAY of the programs started on it.
    const std::string& display() const { return display_; }

    // Waits for a top-level window whose title starts with `titlePrefix` to be mapped and then
    // drawn into; the instants are taken when the server's events reach the bench.
    // window == 0 on timeout.
    ShownWindow waitForWindow(const std::string& titlePrefix, int timeoutMs);
    // Moves the pointer onto the window's client point, as a hand on a mouse does.
    void movePointer(unsigned long window, int x, int y);
    // Moves the pointer onto the window's client point, presses and releases the left button;
    // returns the instant the release had reached the server.
    Clock::time_point click(unsigned long window, int x, int y);
    // Parks the pointer in the screen's corner, off every window, as a hand leaves the mouse.
    void movePointerAway();
    // The close request a window manager sends for its close box.
    void requestClose(unsigned long window);

private:
    std::string title(unsigned long window);

    ChildProcess server_;
    _XDisplay* connection_ = nullptr;
    int damageEvent_ = 0;
    std::string display_;
};

}  // namespace bench
