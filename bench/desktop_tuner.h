#pragma once
// The tuner window running on the bench's private desktop, clicked as a user clicks it.

#include <string>
#include <vector>

#include "bench/desktop_session.h"

namespace bench {

constexpr int strings = 6;

class Tuner {
public:
    Tuner(Desktop& desktop, int duration, const std::string& settings = {},
          const std::vector<std::string>& environment = {});
    ~Tuner();
    Tuner(const Tuner&) = delete;
    Tuner& operator=(const Tuner&) = delete;
    bool ok() const { return window_ != 0; }
    pid_t pid() const { return process_.pid(); }

    // Clicks the next string button (they take turns, so two clicks never make a double
    // click) and returns the instant of the release.
    Clock::time_point clickString();
    // Leaves the pointer resting on the first string button, as after a click, without one.
    void parkOnString();
    // Opens the listening window ("Poslušaj", under the defaults button).
    bool openListening();

private:
    Desktop& desktop_;
    ChildProcess process_;
    unsigned long window_ = 0;
    int next_ = 0;
};

}  // namespace bench
