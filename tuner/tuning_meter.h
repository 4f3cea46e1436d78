#pragma once
// The listening window's meter: a scale from -50 to +50 cents with a needle at the reading,
// green within the in-tune band, red outside it, and no needle without a reading. A screen
// reader reads it as a value from -50 to +50 cents.

#include <QWidget>
#include <optional>

namespace tuner {

class TuningMeter : public QWidget {
    Q_OBJECT

public:
    explicit TuningMeter(QWidget* parent = nullptr);

    // The needle's place in cents (clamped to the scale), or none to hide it.
    void setCents(std::optional<double> cents);
    std::optional<double> cents() const { return cents_; }
    // Whether the needle shows the in-tune colour.
    bool inTune() const;
    // The rules behind both: a reading held to the scale, and whether it counts as in tune.
    static double clamped(double cents);
    static bool inTuneAt(double cents);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The needle's x position in the widget for `cents`.
    int needleX(double cents) const;

    std::optional<double> cents_;
};

}  // namespace tuner
