#pragma once
// Controls module: XPButton, a push button that paints itself in one of three colour schemes.
// Data flow: properties come from the setters or from a PropertyBag (readProperties); each
// setter stores, emits propertyChanged(name) and schedules a repaint. The painter
// (button_painter.h) paints an off-screen surface once per batch of changes, when paintEvent
// shows it or someone reads surface(); the rounded window shape is a widget mask, kept current
// as the size and rounding change. Mouse, keyboard and focus input and a 50 ms pointer poll
// (through ButtonHost) change the pressed, hovered and focused flags and raise the ten events.
// The poll runs only while the pointer may be over the button: the window system's enter event
// wakes it, and it sleeps again once a leave event has come and a tick finds the pointer gone.

#include "controls/button_host.h"
#include "controls/font_description.h"
#include "controls/property_bag.h"

#include <QAccessible>
#include <QImage>
#include <QWidget>
#include <memory>

namespace controls {

class XPButton : public QWidget {
    Q_OBJECT

public:
    // Interval of the pointer poll that finds the pointer entering and leaving the button.
    static constexpr int hoverIntervalMs = 50;

    // With no host the button uses the real Qt one (QtButtonHost). Until initProperties() or
    // readProperties() runs, the hover poll stays asleep.
    explicit XPButton(QWidget* parent = nullptr, ButtonHost* host = nullptr);
    ~XPButton() override;

    // Properties. Every setter stores the value as given (no range check), emits
    // propertyChanged with the property's name and schedules a repaint, even when the value is
    // unchanged.
    int captionAlignment() const { return captionAlignment_; }  // 0 left, 1 right, 2 centred
    void setCaptionAlignment(int alignment);
    int iconAlignment() const { return iconAlignment_; }  // 1 left, 2 right
    void setIconAlignment(int alignment);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    quint32 foreColor() const { return foreColor_; }  // 0x00BBGGRR or 0x800000nn
    void setForeColor(quint32 color);
    int colorStyle() const { return colorStyle_; }  // 1 blue, 2 silver, 3 olive
    void setColorStyle(int style);
    bool focusDottedRect() const { return focusDottedRect_; }
    void setFocusDottedRect(bool draw);
    // The button's own enabled flag. When false it draws its disabled look and ignores input,
    // but it stays a QWidget that can take the focus.
    bool isXPEnabled() const { return enabled_; }
    void setXPEnabled(bool enabled);
    QFont fontType() const { return fontType_.toQFont(); }
    // Keeps the character set of the current font description.
    void setFontType(const QFont& font);
    FontDescription fontDescription() const { return fontType_; }
    void setFontDescription(const FontDescription& font);
    QImage iconMask() const { return iconMask_; }  // null: none
    void setIconMask(const QImage& mask);
    QImage icon() const { return icon_; }  // null: none
    void setIcon(const QImage& icon);
    int roundedValue() const { return roundedValue_; }
    void setRoundedValue(int pixels);

    // Persistence: a newly placed button, loading, saving. Entries equal to their default are
    // not written; "_extentx" and "_extenty" belong to the host and are left alone.
    void initProperties();
    void readProperties(const PropertyBag& bag);
    void writeProperties(PropertyBag& bag) const;

    // The state the picture shows.
    bool isPressed() const { return pressed_; }
    bool isHovered() const { return hovered_; }
    bool isFocused() const { return focused_; }
    // True while the pointer poll runs: in a running program, while the button is enabled and
    // the pointer is over it or has not yet been found gone.
    bool isHoverPollActive() const { return tmrCheck_->isActive(); }
    // The picture of the current state: one pixel per widget pixel, the whole widget rectangle.
    // Painted here if a change since the last paint has not been painted yet.
    const QImage& surface();
    // Full paints of the picture so far, for benchmarks and tests that count repaints.
    int paintCount() const { return paintCount_; }

    // The button's end of life: stops the hover poll, clears the flags and the surface. The
    // destructor runs it; a host that takes the button down earlier may run it itself.
    void terminate();

    // Repaints the whole button from its state, at once, rather than at the next paint.
    void redraw();

    // What a reader's Press action does: raises Click as a mouse click or Enter would; nothing
    // while the button is disabled.
    void press();

signals:
    void propertyChanged(const QString& name);

    // Arguments passed by reference may be changed by a directly connected handler; the
    // button acts on the changed values.
    // A left press and release inside the shape, or the Enter key.
    void click();
    // A left double click: its second press raises no MouseDown and its release no Click.
    void doubleClick();
    void keyDown(short& keyCode, short& shift);
    void keyPress(short& keyAscii);
    void keyUp(short& keyCode, short& shift);
    void mouseDown(short& button, short& shift, float& x, float& y);
    void mouseMove(short& button, short& shift, float& x, float& y);
    void mouseUp(short& button, short& shift, float& x, float& y);
    // Pointer position in global (screen) pixels.
    void mouseEnters(int x, int y);
    void mouseLeaves(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void changed(const char* name);
    void setPressed(bool pressed);
    // Tells assistive technology that `what` changed.
    void notifyReaders(QAccessible::Event what);
    void notifyReaders(const QAccessible::State& changed);
    void scheduleRedraw();
    void paintSurface();
    void checkHover();
    void switchHoverPollForHost();
    void updateHoverPoll();
    void applyShapeIfChanged();
    bool isInsideShape(QPoint local) const;

    ButtonHost* host_;
    std::unique_ptr<HoverTimer> tmrCheck_;

    int captionAlignment_ = 2;
    int iconAlignment_ = 1;
    QString caption_;
    quint32 foreColor_ = 0;
    int colorStyle_ = 1;
    bool focusDottedRect_ = true;
    bool enabled_ = true;
    FontDescription fontType_;
    QImage iconMask_;
    QImage icon_;
    int roundedValue_ = 5;

    bool pressed_ = false;
    bool hovered_ = false;
    bool focused_ = false;

    // The window system's view of the pointer: between an enter and a leave event.
    bool pointerInside_ = false;
    // Properties are loaded in a running program and the button has not ended.
    bool hoverPollAllowed_ = false;

    // Loaded pictures in the 32-bit format the raster operations use; the disabled icon's
    // working copy.
    QImage imgIcon_;
    QImage imgMask_;
    QImage imgDis_;

    QImage surface_;
    QFont currentFont_;
    // The size and rounding the widget mask was last made for; invalid until the first one.
    QSize shapeSize_;
    int shapeRounded_ = 0;
    // Set by every change of what the picture shows, cleared by painting it.
    bool stale_ = true;
    int paintCount_ = 0;
    bool terminated_ = false;
    // A left press that may end in a click: set by the press, cleared by a double click.
    bool clickArmed_ = false;
};

}  // namespace controls
