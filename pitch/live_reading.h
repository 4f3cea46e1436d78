#pragma once
// One reading of a live stream: the fundamental partial heard, where its window ends, and how
// precise it is.

#include <cstdint>

namespace pitch {

struct Reading {
    // The fundamental partial.
    double hz;
    // Where its window ends: the number of samples of the stream up to its last.
    std::uint64_t atSample;
    // Its precision: the standard deviation the noise heard with it gives, in cents.
    double spreadCents = 0.0;
};

}  // namespace pitch
