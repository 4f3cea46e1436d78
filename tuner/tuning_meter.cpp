#include "tuner/tuning_meter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "tuner/listening_layout.h"

namespace tuner {
namespace {

// Space at either end of the scale, so the outermost ticks and the needle stay inside.
constexpr int margin = 8;

}  // namespace

TuningMeter::TuningMeter(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TuningMeter::setCents(std::optional<double> cents) {
    if (cents)
        cents = std::clamp(*cents, -listening::scaleCents, listening::scaleCents);
    if (cents == cents_)
        return;
    cents_ = cents;
    update();
}

bool TuningMeter::inTune() const {
    return cents_ && std::abs(*cents_) <= listening::inTuneCents;
}

int TuningMeter::needleX(double cents) const {
    const double span = width() - 2 * margin - 1;
    const double fraction = (cents + listening::scaleCents) / (2 * listening::scaleCents);
    return margin + static_cast<int>(std::lround(fraction * span));
}

void TuningMeter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    // The scale in the upper part, its numbers under it.
    const int numbersHeight = fontMetrics().height();
    const int h = height() - numbersHeight;
    // The in-tune band, then the scale's line and its ticks, the centre one longest.
    const int bandLeft = needleX(-listening::inTuneCents);
    painter.fillRect(bandLeft, 0, needleX(listening::inTuneCents) - bandLeft + 1, h,
                     listening::bandColour);
    painter.setPen(listening::scaleColour);
    painter.drawLine(needleX(-listening::scaleCents), h / 2, needleX(listening::scaleCents), h / 2);
    for (double c = -listening::scaleCents; c <= listening::scaleCents; c += listening::tickCents) {
        const int tick = c == 0.0 ? h / 2 : h / 4;
        painter.drawLine(needleX(c), h / 2 - tick / 2, needleX(c), h / 2 + tick / 2);
    }
    for (double c : {-listening::scaleCents, 0.0, listening::scaleCents}) {
        const QString number = c > 0 ? QStringLiteral("+%1").arg(c) : QString::number(c);
        const int width = fontMetrics().horizontalAdvance(number);
        const int left = std::clamp(needleX(c) - width / 2, 0, this->width() - width);
        painter.drawText(QRect(left, h, width, numbersHeight), Qt::AlignCenter, number);
    }
    if (!cents_)
        return;
    const QColor colour = inTune() ? listening::inTuneColour : listening::outOfTuneColour;
    painter.fillRect(needleX(*cents_) - 1, 0, 3, h, colour);
}

}  // namespace tuner
