#include "tuner/strobe_band.h"

#include <QPainter>
#include <cmath>

#include "tuner/listening_layout.h"
#include "tuner/tuning_meter.h"

namespace tuner {

StrobeBand::StrobeBand(Clock monotonicMs, QWidget* parent)
    : QWidget(parent), monotonicMs_(std::move(monotonicMs)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    frames_.setInterval(frameMs);
    connect(&frames_, &QTimer::timeout, this, [this] { frame(); });
}

void StrobeBand::setCents(std::optional<double> cents) {
    const bool wasInTune = cents_ && TuningMeter::inTuneAt(*cents_);
    const bool hadReading = cents_.has_value();
    cents_ = cents;
    motion_.follow(cents, monotonicMs_());
    // The colours change with the in-tune band and with a reading coming or going; the motion
    // repaints on its own frames.
    if (hadReading != cents.has_value() || wasInTune != (cents && TuningMeter::inTuneAt(*cents)))
        update();
    if (!motion_.moving())
        frames_.stop();
    else if (!frames_.isActive())
        frames_.start();
}

void StrobeBand::frame() {
    motion_.offsetAt(monotonicMs_());
    update();
    if (!motion_.moving())
        frames_.stop();
}

void StrobeBand::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool inTune = cents_ && TuningMeter::inTuneAt(*cents_);
    const QColor light = inTune ? listening::bandColour : listening::strobeLightColour;
    const QColor dark = !cents_  ? listening::strobeIdleColour
                        : inTune ? listening::inTuneColour
                                 : listening::scaleColour;
    painter.fillRect(rect(), light);
    painter.setRenderHint(QPainter::Antialiasing);
    const double period = StrobeMotion::periodPixels;
    const double offset = motion_.offsetAt(monotonicMs_());
    for (double x = offset - period; x < width(); x += period)
        painter.fillRect(QRectF(x, 0, period / 2, height()), dark);
}

}  // namespace tuner
