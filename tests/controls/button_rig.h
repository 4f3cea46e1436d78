#pragma once
// A button on a window of its own, with a scripted host: the pointer is placed by the test and
// the hover poll ticks when the test says so. Pictures are read by rendering the window.

#include "controls/scripted_button_host.h"
#include "controls/xp_button.h"

#include <QImage>
#include <QWidget>

namespace testing {

// The window's background; pixels outside the button's shape show it.
inline const QColor windowColor(10, 200, 20);
inline const QPoint buttonOffset(20, 10);

class ButtonRig {
public:
    explicit ButtonRig(QSize size = QSize(177, 33));

    controls::XPButton& button() { return *button_; }
    controls::ScriptedButtonHost& host() { return host_; }
    QWidget& window() { return window_; }
    // Loads every property at its default (which lets the hover poll wake) and sets the style.
    controls::XPButton& load(int colorStyle = 1);

    // Shows the window and waits until it is active, for focus and real input delivery.
    bool showActive();
    // The button as the window shows it, in button coordinates.
    QImage picture();
    // Moves the pointer to a point given in button coordinates, or onto the window beside the
    // button, with the enter and leave events the window system sends.
    void pointAt(QPoint local);
    void pointAway();
    void tick() { host_.elapse(); }
    void hover() {
        pointAt(QPoint(button_->width() / 2, button_->height() / 2));
        tick();
    }

private:
    controls::ScriptedButtonHost host_;
    QWidget window_;
    controls::XPButton* button_;
};

// A 16 x 16 icon of one colour, and a mask that is black (opaque) on `opaque` and white
// elsewhere.
QImage solidIcon(QRgb color, QSize size = QSize(16, 16));
QImage maskWithOpaqueRect(QRect opaque, QSize size = QSize(16, 16));

bool near(QRgb actual, QRgb expected, int tolerance);
QString rgbText(QRgb color);

}  // namespace testing

// Compares two colours within a tolerance, naming both on failure.
#define COMPARE_RGB(actual, expected, tolerance)                                  \
    QVERIFY2(testing::near((actual), (expected), (tolerance)),                    \
             qPrintable(testing::rgbText(actual) + QStringLiteral(" expected ") + \
                        testing::rgbText(expected)))
