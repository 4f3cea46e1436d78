#include "app/twips_geometry.h"

#include <QScreen>
#include <QWidget>
#include <cmath>

namespace app {
namespace {

// A coordinate no screen can hold is not applied; the window keeps its place.
bool toPixels(double twips, int& pixels) {
    const double p = std::nearbyint(twips / twipsPerPixel);
    if (!std::isfinite(p) || std::fabs(p) > 1'000'000.0)
        return false;
    pixels = static_cast<int>(p);
    return true;
}

}  // namespace

double WindowTwips::left() const {
    return window_.frameGeometry().x() * double{twipsPerPixel};
}
double WindowTwips::top() const {
    return window_.frameGeometry().y() * double{twipsPerPixel};
}
double WindowTwips::width() const {
    return window_.frameGeometry().width() * double{twipsPerPixel};
}
double WindowTwips::height() const {
    return window_.frameGeometry().height() * double{twipsPerPixel};
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
    return screen_ ? screen_->geometry().width() * double{twipsPerPixel} : 0.0;
}
double ScreenTwips::height() const {
    return screen_ ? screen_->geometry().height() * double{twipsPerPixel} : 0.0;
}

}  // namespace app
