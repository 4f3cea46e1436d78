#pragma once
// Feeding a whole recording to the live estimator in chunks, as a sound server delivers a stream.

#include <algorithm>
#include <cstddef>
#include <span>
#include <vector>

#include "pitch/live_estimator.h"

namespace testing {

inline std::vector<pitch::Reading> pushInChunks(pitch::LiveEstimator& estimator,
                                                const std::vector<float>& signal,
                                                std::size_t chunk) {
    std::vector<pitch::Reading> readings;
    for (std::size_t i = 0; i < signal.size(); i += chunk) {
        const auto got =
            estimator.push(std::span(signal).subspan(i, std::min(chunk, signal.size() - i)));
        readings.insert(readings.end(), got.begin(), got.end());
    }
    return readings;
}

}  // namespace testing
