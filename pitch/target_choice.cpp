#include "pitch/target_choice.h"

#include <cmath>

#include "pitch/pitch_estimator.h"

namespace pitch {
namespace {

// How much nearer another target a reading must be before the choice moves to it.
constexpr double hysteresisCents = 20.0;

}  // namespace

TargetChoice::TargetChoice(std::span<const std::int16_t> notes)
    : notes_(notes.begin(), notes.end()) {}

std::optional<TargetReading> TargetChoice::choose(double hz) {
    if (notes_.empty())
        return std::nullopt;
    const auto centsFrom = [&](int i) {
        return centsBetween(hz, noteFrequencyHz(notes_[static_cast<std::size_t>(i)]));
    };
    int nearest = 0;
    for (int i = 1; i < static_cast<int>(notes_.size()); ++i)
        if (std::abs(centsFrom(i)) < std::abs(centsFrom(nearest)))
            nearest = i;
    if (!chosen_ || std::abs(centsFrom(*chosen_)) - std::abs(centsFrom(nearest)) > hysteresisCents)
        chosen_ = nearest;
    return TargetReading{*chosen_, centsFrom(*chosen_)};
}

}  // namespace pitch
