#pragma once
// How the listening window's strobe moves: a band of stripes that drifts right while the
// string is sharp and left while it is flat, at a speed that grows with the deviation, and
// stands still within the last twentieth of a cent (where the deviation reads "0,0"). Readings
// come about 20 times a second and wobble; the speed follows them with a short lag, so the
// stripes glide instead of jumping, and the offset is the exact integral of that speed, so
// any frame rate shows the same motion. Times come from the caller's monotonic clock: the
// motion is tested over simulated time.

#include <cstdint>
#include <optional>

namespace tuner {

class StrobeMotion {
public:
    // One dark and one light stripe, in pixels.
    static constexpr double periodPixels = 24.0;
    // Closer than this reads as "0,0" and stands still.
    static constexpr double stillCents = 0.05;
    // A tenth of a cent moves half a period in three seconds.
    static constexpr double pixelsPerSecondPerCent = 40.0;
    // From 6 cents on the stripes run no faster, so a frame never moves them far enough to
    // be mistaken for the opposite direction.
    static constexpr double fastestPixelsPerSecond = 240.0;
    // How quickly the speed follows a new reading (time constant).
    static constexpr double followMs = 120.0;

    // A reading of `cents` at `nowMs`, or none: the stripes stop at once.
    void follow(std::optional<double> cents, std::int64_t nowMs);
    // The stripes' offset at `nowMs`, from 0 to periodPixels; time never runs backwards.
    double offsetAt(std::int64_t nowMs);
    // Whether the stripes still move (a frame at a later time would differ).
    bool moving() const { return speed_ != 0.0 || targetSpeed_ != 0.0; }

    // The speed, in pixels a second, the stripes settle at for a deviation.
    static double speedFor(double cents);

private:
    void advance(std::int64_t nowMs);

    double offset_ = 0.0;
    double speed_ = 0.0;
    double targetSpeed_ = 0.0;
    std::optional<std::int64_t> at_;
};

}  // namespace tuner
