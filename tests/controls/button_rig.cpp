#include "tests/controls/button_rig.h"

#include <QPainter>
#include <QTest>
#include <cstdlib>

namespace testing {

ButtonRig::ButtonRig(QSize size) {
    window_.setGeometry(100, 100, size.width() + 60, size.height() + 40);
    QPalette windowPalette = window_.palette();
    windowPalette.setColor(QPalette::Window, windowColor);
    window_.setPalette(windowPalette);
    window_.setAutoFillBackground(true);
    button_ = new controls::XPButton(&window_, &host_);
    button_->setGeometry(QRect(buttonOffset, size));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8.25);
    host_.setAmbientFont(font);
    host_.setDisplayName(QStringLiteral("cmdProbe"));
}

controls::XPButton& ButtonRig::load(int colorStyle) {
    button_->readProperties(controls::PropertyBag());
    button_->setColorStyle(colorStyle);
    return *button_;
}

bool ButtonRig::showActive() {
    window_.show();
    window_.activateWindow();
    return QTest::qWaitForWindowActive(&window_);
}

QImage ButtonRig::picture() {
    QImage whole(window_.size(), QImage::Format_RGB32);
    whole.fill(Qt::black);
    window_.render(&whole);
    return whole.copy(button_->geometry());
}

void ButtonRig::pointAt(QPoint local) {
    host_.movePointer(window_, button_->mapToGlobal(local));
}

void ButtonRig::pointAway() {
    host_.movePointer(window_, window_.mapToGlobal(QPoint(1, 1)));
}

QImage solidIcon(QRgb color, QSize size) {
    QImage icon(size, QImage::Format_RGB32);
    icon.fill(color);
    return icon;
}

QImage maskWithOpaqueRect(QRect opaque, QSize size) {
    QImage mask(size, QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter painter(&mask);
    painter.fillRect(opaque, Qt::black);
    return mask;
}

bool near(QRgb actual, QRgb expected, int tolerance) {
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

QString rgbText(QRgb color) {
    return QStringLiteral("(%1,%2,%3)").arg(qRed(color)).arg(qGreen(color)).arg(qBlue(color));
}

}  // namespace testing
