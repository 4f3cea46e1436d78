#pragma once
// Window and screen geometry in twips, for the placement routines.

class QWidget;
class QScreen;

namespace app {

// The outer left (top) edge of a window's frame, in twips.
double frameLeftTwips(const QWidget& window);
double frameTopTwips(const QWidget& window);

// A top-level window's outer frame, in twips. Setting a coordinate moves the window to the
// nearest whole pixel; a coordinate no screen can hold is refused (false, nothing moves).
class WindowTwips {
public:
    explicit WindowTwips(QWidget& window) : window_(window) {}
    double left() const;
    double top() const;
    double width() const;
    double height() const;
    bool setLeft(double twips);
    bool setTop(double twips);

private:
    QWidget& window_;
};

// The whole screen the window is on (the primary screen before it is placed), in twips.
class ScreenTwips {
public:
    explicit ScreenTwips(const QScreen* screen) : screen_(screen) {}
    double width() const;
    double height() const;

private:
    const QScreen* screen_;
};

}  // namespace app
