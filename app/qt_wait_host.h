#pragma once
// The wait services on Qt's event loop and the system clocks.

#include "midi/wait_host.h"

namespace app {

class QtWaitHost final : public midi::WaitHost {
public:
    std::int64_t wallClockMs() override;
    std::int64_t monotonicMs() override;
    // Sleeps in the event dispatcher until an event or the timeout; never spins.
    void processEvents(std::int64_t maxMs) override;
};

}  // namespace app
