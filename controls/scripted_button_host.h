#pragma once
// A button host driven by its caller instead of the window system: the pointer is where the
// caller puts it, and timers tick when the caller says a period has passed. For tools that
// render buttons off screen and for tests.

#include "controls/button_host.h"

#include <QPointer>
#include <QWidget>
#include <vector>

namespace controls {

class ScriptedButtonHost : public ButtonHost {
public:
    ScriptedButtonHost();
    ~ScriptedButtonHost() override;

    void setRunning(bool running) { running_ = running; }
    // Puts the pointer somewhere without telling any widget, as when a popup or a window moved
    // over it keeps the window system from reporting the crossing.
    void setPointer(QPoint globalPos) { pointer_ = globalPos; }
    // Moves the pointer to a global point and sends the leave and enter events the window system
    // sends for a move within `window`: Leave to each widget the pointer is no longer over
    // (innermost first), Enter to each it is now over (outermost first). Masks and stacking
    // count as in QWidget::childAt; a point outside the window leaves every widget.
    void movePointer(QWidget& window, QPoint globalPos);
    void setAmbientFont(const QFont& font) { ambientFont_ = font; }
    void setDisplayName(const QString& name) { displayName_ = name; }

    // One timer period passes: every active timer ticks once. Returns how many ticked.
    int elapse();

    bool isRunning() const override { return running_; }
    QPoint pointerPosition() const override { return pointer_; }
    // Looks the point up in the widget's own window, honouring masks and stacking there.
    bool isDirectlyUnder(const QWidget& widget, QPoint globalPos) const override;
    QFont ambientFont(const QWidget&) const override { return ambientFont_; }
    QString displayName(const QWidget&) const override { return displayName_; }
    std::unique_ptr<HoverTimer> createTimer(int intervalMs, std::function<void()> onTick) override;

private:
    class Timer;
    friend class Timer;

    bool running_ = true;
    QPoint pointer_{-10000, -10000};
    QPointer<QWidget> underPointer_;
    QFont ambientFont_;
    QString displayName_ = QStringLiteral("XPButton1");
    std::vector<Timer*> timers_;
};

}  // namespace controls
