#include "tuner/tuning_meter.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "tuner/listening_layout.h"

namespace tuner {
namespace {

// Space at either end of the scale, so the outermost ticks and the needle stay inside.
constexpr int margin = 8;

constexpr std::u16string_view readerName = u"Odstopanje v centih";

// The needle as a read-only value; without a reading it stands at the centre, and the
// description says so.
class MeterAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit MeterAccessible(TuningMeter* meter) : QAccessibleWidget(meter, QAccessible::Slider) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QString::fromStdU16String(std::u16string(readerName));
        if (t == QAccessible::Value && meter()->cents())
            return QString::number(*meter()->cents(), 'f', 1);
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override { return meter()->cents().value_or(0.0); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return listening::scaleCents; }
    QVariant minimumValue() const override { return -listening::scaleCents; }
    QVariant minimumStepSize() const override { return 0.1; }

private:
    const TuningMeter* meter() const { return static_cast<const TuningMeter*>(widget()); }
};

QAccessibleInterface* meterFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(TuningMeter::staticMetaObject.className()) && object)
        return new MeterAccessible(static_cast<TuningMeter*>(object));
    return nullptr;
}

}  // namespace

TuningMeter::TuningMeter(QWidget* parent) : QWidget(parent) {
    static const bool installed = (QAccessible::installFactory(meterFactory), true);
    (void)installed;
    setAttribute(Qt::WA_OpaquePaintEvent);
}

double TuningMeter::clamped(double cents) {
    return std::clamp(cents, -listening::scaleCents, listening::scaleCents);
}

bool TuningMeter::inTuneAt(double cents) {
    return std::abs(cents) <= listening::inTuneCents;
}

void TuningMeter::setCents(std::optional<double> cents) {
    if (cents)
        cents = clamped(*cents);
    if (cents == cents_)
        return;
    cents_ = cents;
    update();
}

bool TuningMeter::inTune() const {
    return cents_ && inTuneAt(*cents_);
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
