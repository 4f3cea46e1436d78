#include "tuner/strobe_motion.h"

#include <algorithm>
#include <cmath>

namespace tuner {
namespace {

// Below this the lagging speed has reached a target of zero: nothing visible moves any more.
constexpr double restingPixelsPerSecond = 0.01;

}  // namespace

double StrobeMotion::speedFor(double cents) {
    if (!std::isfinite(cents) || std::abs(cents) < stillCents)
        return 0.0;
    return std::clamp(cents * pixelsPerSecondPerCent, -fastestPixelsPerSecond,
                      fastestPixelsPerSecond);
}

void StrobeMotion::follow(std::optional<double> cents, std::int64_t nowMs) {
    advance(nowMs);
    if (!cents) {
        speed_ = targetSpeed_ = 0.0;
        return;
    }
    targetSpeed_ = speedFor(*cents);
}

double StrobeMotion::offsetAt(std::int64_t nowMs) {
    advance(nowMs);
    return offset_;
}

void StrobeMotion::advance(std::int64_t nowMs) {
    if (!at_ || nowMs <= *at_) {
        at_ = std::max(nowMs, at_.value_or(nowMs));
        return;
    }
    const double seconds = static_cast<double>(nowMs - *at_) / 1000.0;
    at_ = nowMs;
    // The speed approaches its target exponentially; the distance is its exact integral.
    const double tau = followMs / 1000.0;
    const double remaining = std::exp(-seconds / tau);
    const double gap = speed_ - targetSpeed_;
    offset_ += targetSpeed_ * seconds + gap * tau * (1.0 - remaining);
    speed_ = targetSpeed_ + gap * remaining;
    if (targetSpeed_ == 0.0 && std::abs(speed_) < restingPixelsPerSecond)
        speed_ = 0.0;
    offset_ = std::fmod(offset_, periodPixels);
    if (offset_ < 0.0)
        offset_ += periodPixels;
}

}  // namespace tuner
