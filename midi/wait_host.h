#pragma once
// What a note's wait needs from its host: the time, and a way to keep the user interface alive.

#include <cstdint>

namespace midi {

class WaitHost {
public:
    virtual ~WaitHost() = default;

    // Local wall-clock time in milliseconds; only its position within the second is used, to
    // truncate the start reading to the whole second.
    virtual std::int64_t wallClockMs() = 0;
    // A steady clock in milliseconds that no change of the wall clock moves.
    virtual std::int64_t monotonicMs() = 0;
    // Handles all pending events, then sleeps until the next event arrives or `maxMs` have
    // passed, whichever comes first. Handlers run from here may start waits of their own.
    virtual void processEvents(std::int64_t maxMs) = 0;
};

// Waits the whole seconds of a note while handling events. The end rule reads the wall clock
// in whole seconds: the wait ends when the whole-second reading has moved `seconds` past the
// start reading, so it lasts between seconds - 1 and seconds. Only the start reading comes
// from the wall clock; the time after it is measured on the monotonic clock, so setting the
// clock (or a daylight-saving change) neither stretches nor cuts a note.
void waitSeconds(WaitHost& host, std::int32_t seconds);

}  // namespace midi
