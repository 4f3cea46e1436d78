#include "app/twips_geometry.h"

#include <QScreen>
#include <QWidget>
#include <cmath>

#include "controls/twips.h"

namespace app {
namespace {

using controls::twipsPerPixel;

// A coordinate no screen can hold is not applied; the window keeps its place.
bool toPixels(double twips, int& pixels) {
    const double p = std::nearbyint(twips / twipsPerPixel);
    if (!std::isfinite(p) || std::fabs(p) > 1'000'000.0)
        return false;
    pixels = static_cast<int>(p);
    return true;
}

double toTwips(int pixels) {
    return pixels * double{twipsPerPixel};
}

}  // namespace

double frameLeftTwips(const QWidget& window) {
    return toTwips(window.frameGeometry().x());
}
double frameTopTwips(const QWidget& window) {
    return toTwips(window.frameGeometry().y());
}

double WindowTwips::left() const {
    return frameLeftTwips(window_);
}
double WindowTwips::top() const {
    return frameTopTwips(window_);
}
double WindowTwips::width() const {
    return toTwips(window_.frameGeometry().width());
}
double WindowTwips::height() const {
    return toTwips(window_.frameGeometry().height());
}

bool WindowTwips::setLeft(double twips) {
    int x = 0;
    if (!toPixels(twips, x))
        return false;
    window_.move(x, window_.frameGeometry().y());
    return true;
}

bool WindowTwips::setTop(double twips) {
    int y = 0;
    if (!toPixels(twips, y))
        return false;
    window_.move(window_.frameGeometry().x(), y);
    return true;
}

double ScreenTwips::width() const {
    return screen_ ? toTwips(screen_->geometry().width()) : 0.0;
}
double ScreenTwips::height() const {
    return screen_ ? toTwips(screen_->geometry().height()) : 0.0;
}

}  // namespace app
