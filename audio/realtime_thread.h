#pragma once
// The audio threads ask for real-time scheduling, as a desktop's audio clients do: a thread
// that renders a few milliseconds of sound at a time must run when its buffer runs low, not
// when busy programs on the same cores let it. Directly where the system allows it (root, or
// a real-time limit), else through the desktop's RealtimeKit service. Best effort: a thread
// that cannot have it runs on as before.

namespace audio {

// Gives the calling thread a low real-time priority unless it is real-time already; true when
// it is.
bool makeThisThreadRealtime();

}  // namespace audio
