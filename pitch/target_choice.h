#pragma once
// Which string a reading belongs to: of the target notes (the six strings of the selected
// tuning), the nearest in cents. The choice holds until a reading is nearer another target by
// more than 20 cents, so that a string tuned near the midpoint between two targets does not
// flicker between them (the closest distinct targets of any tuning are a whole tone apart, so
// the other one is always reached before its own note). Of equal targets (two strings tuned
// alike), the first is chosen.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pitch {

struct TargetReading {
    // Index of the target.
    int target;
    // The reading's distance from the target's note.
    double cents;
};

class TargetChoice {
public:
    // MIDI note numbers of the targets, in the tuning's order.
    explicit TargetChoice(std::span<const std::int16_t> notes);

    // The target of a reading of `hz`; none without targets.
    std::optional<TargetReading> choose(double hz);

private:
    std::vector<std::int16_t> notes_;
    std::optional<int> chosen_;
};

}  // namespace pitch
