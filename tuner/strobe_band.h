#pragma once
// The listening window's strobe: a band of stripes under the meter that StrobeMotion moves.
// It repaints on a frame timer only while the stripes move; standing still, or without a
// reading, nothing repaints. Each frame shows the motion at the clock's present time. A screen
// reader does not see it: the meter already reads as a value.

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "tuner/strobe_motion.h"

namespace tuner {

class StrobeBand : public QWidget {
    Q_OBJECT

public:
    using Clock = std::function<std::int64_t()>;
    // Frames while the stripes move, about 33 a second.
    static constexpr int frameMs = 30;

    StrobeBand(Clock monotonicMs, QWidget* parent = nullptr);

    // A reading's deviation in cents, or none.
    void setCents(std::optional<double> cents);
    // Whether frames are being drawn.
    bool animating() const { return frames_.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void frame();

    Clock monotonicMs_;
    StrobeMotion motion_;
    QTimer frames_;
    std::optional<double> cents_;
};

}  // namespace tuner
