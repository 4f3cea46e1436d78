#include "controls/xp_button.h"

#include "controls/accessibility.h"
#include "controls/button_painter.h"
#include "controls/button_shape.h"
#include "controls/color_value.h"
#include "controls/input_codes.h"
#include "controls/qt_button_host.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace controls {
namespace {

// The mouse events' by-reference arguments; the control reads them back after the handler.
struct MouseArguments {
    short button;
    short shift;
    float x;
    float y;
};

MouseArguments mouseArguments(const QMouseEvent& event, short button) {
    return {button, shiftState(event.modifiers()), float(event.position().x()),
            float(event.position().y())};
}

// Stored defaults of the properties that have fixed ones.
constexpr int defaultColorStyle = 1;
constexpr int defaultRoundedValue = 5;
constexpr int defaultCaptionAlignment = 2;
constexpr int defaultIconAlignment = 1;

// Pictures with transparency: the icon is black where transparent (OR leaves the background),
// the mask white (AND leaves the background).
QImage loadedPicture(const QImage& picture, Qt::GlobalColor transparentAs) {
    if (picture.isNull())
        return QImage();
    QImage result(picture.size(), QImage::Format_RGB32);
    result.fill(transparentAs);
    QPainter painter(&result);
    painter.drawImage(0, 0, picture);
    return result;
}

FontDescription toFont(const QVariant& value, const FontDescription& fallback) {
    if (value.canConvert<FontDescription>()) {
        const FontDescription font = value.value<FontDescription>();
        return font.isNull() ? fallback : font;
    }
    return fallback;
}

}  // namespace

XPButton::XPButton(QWidget* parent, ButtonHost* host)
    : QWidget(parent), host_(host ? host : &QtButtonHost::instance()) {
    installAccessibility();
    registerFontDescriptionType();
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    currentFont_ = font();
    tmrCheck_ = host_->createTimer(hoverIntervalMs, [this] { checkHover(); });
}

XPButton::~XPButton() {
    terminate();
}

void XPButton::changed(const char* name) {
    emit propertyChanged(QString::fromLatin1(name));
    scheduleRedraw();
}

void XPButton::setPressed(bool pressed) {
    const bool change = pressed != pressed_;
    pressed_ = pressed;
    scheduleRedraw();
    if (change) {
        QAccessible::State state;
        state.pressed = true;
        notifyReaders(state);
    }
}

void XPButton::notifyReaders(QAccessible::Event what) {
    QAccessibleEvent event(this, what);
    QAccessible::updateAccessibility(&event);
}

void XPButton::notifyReaders(const QAccessible::State& changed) {
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void XPButton::press() {
    if (enabled_)
        emit click();
}

void XPButton::scheduleRedraw() {
    stale_ = true;
    update();
}

void XPButton::setCaptionAlignment(int alignment) {
    captionAlignment_ = alignment;
    changed("CaptionAlignment");
}

void XPButton::setIconAlignment(int alignment) {
    iconAlignment_ = alignment;
    changed("IconAlignment");
}

void XPButton::setCaption(const QString& caption) {
    caption_ = caption;
    changed("Caption");
    // A name set on purpose stays; otherwise the caption is the name.
    if (accessibleName().isEmpty())
        notifyReaders(QAccessible::NameChanged);
}

void XPButton::setForeColor(quint32 color) {
    foreColor_ = color;
    changed("ForeColor");
}

void XPButton::setColorStyle(int style) {
    colorStyle_ = style;
    changed("ColorStyle");
}

void XPButton::setFocusDottedRect(bool draw) {
    focusDottedRect_ = draw;
    changed("FocusDottedRect");
}

void XPButton::setXPEnabled(bool enabled) {
    const bool change = enabled != enabled_;
    enabled_ = enabled;
    changed("Enabled");
    if (change) {
        QAccessible::State state;
        state.disabled = true;
        notifyReaders(state);
    }
    // Disabled, the button sleeps; enabled again, a pointer that left meanwhile is reported.
    updateHoverPoll();
}

void XPButton::setFontType(const QFont& font) {
    setFontDescription(FontDescription::fromQFont(font, fontType_.charset));
}

void XPButton::setFontDescription(const FontDescription& font) {
    fontType_ = font;
    if (!fontType_.isNull())
        currentFont_ = fontType_.toQFont();
    changed("FontType");
}

void XPButton::setIconMask(const QImage& mask) {
    iconMask_ = mask;
    imgMask_ = loadedPicture(mask, Qt::white);
    changed("IconMask");
}

void XPButton::setIcon(const QImage& icon) {
    icon_ = icon;
    imgIcon_ = loadedPicture(icon, Qt::black);
    changed("Icon");
}

void XPButton::setRoundedValue(int pixels) {
    roundedValue_ = pixels;
    applyShapeIfChanged();
    changed("RoundedValue");
}

void XPButton::initProperties() {
    setCaption(host_->displayName(*this));
    setForeColor(0);
    setColorStyle(defaultColorStyle);
    setFocusDottedRect(true);
    setXPEnabled(true);
    setIcon(QImage());
    setIconMask(QImage());
    setRoundedValue(defaultRoundedValue);
    setCaptionAlignment(defaultCaptionAlignment);
    setIconAlignment(defaultIconAlignment);
    setFontType(host_->ambientFont(*this));
    switchHoverPollForHost();
}

void XPButton::readProperties(const PropertyBag& bag) {
    const FontDescription ambient = FontDescription::fromQFont(host_->ambientFont(*this));
    setCaption(bag.read(QStringLiteral("Caption"), QString()).toString());
    setForeColor(quint32(toInt32(bag.read(QStringLiteral("ForeColor"), 0), 0)));
    setColorStyle(
        toInt32(bag.read(QStringLiteral("ColorStyle"), defaultColorStyle), defaultColorStyle));
    setFocusDottedRect(bag.read(QStringLiteral("FocusDottedRect"), true).toBool());
    setXPEnabled(bag.read(QStringLiteral("Enabled"), true).toBool());
    setFontDescription(toFont(bag.value(QStringLiteral("FontType")), ambient));
    setIcon(toPicture(bag.value(QStringLiteral("Icon"))));
    setIconMask(toPicture(bag.value(QStringLiteral("IconMask"))));
    setRoundedValue(toInt32(bag.read(QStringLiteral("RoundedValue"), defaultRoundedValue),
                            defaultRoundedValue));
    setCaptionAlignment(
        toInt32(bag.read(QStringLiteral("CaptionAlignment"), defaultCaptionAlignment),
                defaultCaptionAlignment));
    setIconAlignment(toInt32(bag.read(QStringLiteral("IconAlignment"), defaultIconAlignment),
                             defaultIconAlignment));
    switchHoverPollForHost();
}

void XPButton::writeProperties(PropertyBag& bag) const {
    const FontDescription ambient = FontDescription::fromQFont(host_->ambientFont(*this));
    bag.write(QStringLiteral("Caption"), caption_, QString());
    bag.write(QStringLiteral("ForeColor"), qint32(foreColor_), qint32(0));
    bag.write(QStringLiteral("ColorStyle"), colorStyle_, defaultColorStyle);
    bag.write(QStringLiteral("FocusDottedRect"), focusDottedRect_, true);
    bag.write(QStringLiteral("Enabled"), enabled_, true);
    bag.write(QStringLiteral("FontType"), QVariant::fromValue(fontType_),
              QVariant::fromValue(ambient));
    bag.write(QStringLiteral("Icon"), icon_, QImage());
    bag.write(QStringLiteral("IconMask"), iconMask_, QImage());
    bag.write(QStringLiteral("RoundedValue"), roundedValue_, defaultRoundedValue);
    bag.write(QStringLiteral("CaptionAlignment"), captionAlignment_, defaultCaptionAlignment);
    bag.write(QStringLiteral("IconAlignment"), iconAlignment_, defaultIconAlignment);
}

void XPButton::switchHoverPollForHost() {
    hoverPollAllowed_ = host_->isRunning() && !terminated_;
    updateHoverPoll();
}

void XPButton::updateHoverPoll() {
    // Poll while the window system says the pointer is inside, and after a leave event until a
    // tick has found the pointer gone: a window moved over the button or a popup may take the
    // pointer with or without a leave event, and only the poll sees which.
    const bool wanted = hoverPollAllowed_ && enabled_ && (pointerInside_ || hovered_);
    if (!wanted)
        tmrCheck_->stop();
    else if (!tmrCheck_->isActive())
        tmrCheck_->start();
}

void XPButton::enterEvent(QEnterEvent*) {
    pointerInside_ = true;
    updateHoverPoll();
}

void XPButton::leaveEvent(QEvent*) {
    pointerInside_ = false;
    updateHoverPoll();
}

void XPButton::terminate() {
    tmrCheck_->stop();
    terminated_ = true;
    hoverPollAllowed_ = false;
    pressed_ = false;
    hovered_ = false;
    focused_ = false;
    surface_.fill(palette().color(backgroundRole()));
    // The cleared surface is the picture from now on.
    stale_ = false;
}

void XPButton::applyShapeIfChanged() {
    // Setting a mask asks for a repaint; doing it only on a change keeps painting from
    // starting itself over and over.
    if (shapeSize_ == size() && shapeRounded_ == roundedValue_)
        return;
    shapeSize_ = size();
    shapeRounded_ = roundedValue_;
    const QRegion shape = roundRectRegion(width(), height(), roundedValue_);
    // An empty QRegion would remove the mask and show the whole widget; a region outside the
    // widget shows none of it, as an empty shape should.
    setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape);
}

bool XPButton::isInsideShape(QPoint local) const {
    return rect().contains(local) && (mask().isEmpty() || mask().contains(local));
}

void XPButton::paintSurface() {
    applyShapeIfChanged();
    if (surface_.size() != size()) {
        surface_ = QImage(size(), QImage::Format_RGB32);
        surface_.setDotsPerMeterX(surfaceDotsPerMeter);
        surface_.setDotsPerMeterY(surfaceDotsPerMeter);
    }
    // Cleared first, as for a window's paint: a ColorStyle outside 1..3 paints nearly nothing.
    surface_.fill(palette().color(backgroundRole()));
    ButtonPaintState state;
    state.colorStyle = colorStyle_;
    state.enabled = enabled_;
    state.pressed = pressed_;
    state.hovered = hovered_;
    state.focused = focused_;
    state.focusDottedRect = focusDottedRect_;
    state.roundedValue = roundedValue_;
    state.captionAlignment = captionAlignment_;
    state.iconAlignment = iconAlignment_;
    state.caption = caption_;
    state.foreColor = resolveColor(foreColor_, palette());
    paintButton(surface_, state, ButtonImages{imgIcon_, imgMask_, imgDis_}, currentFont_);
    ++paintCount_;
    stale_ = false;
}

const QImage& XPButton::surface() {
    if (stale_ || surface_.size() != size())
        paintSurface();
    return surface_;
}

void XPButton::redraw() {
    paintSurface();
    update();
}

void XPButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, surface());
}

void XPButton::resizeEvent(QResizeEvent*) {
    applyShapeIfChanged();
    scheduleRedraw();
}

void XPButton::changeEvent(QEvent* event) {
    // The background and the system colours of the caption come from the palette.
    if (event->type() == QEvent::PaletteChange)
        scheduleRedraw();
    QWidget::changeEvent(event);
}

void XPButton::focusInEvent(QFocusEvent*) {
    if (!enabled_)
        return;
    focused_ = true;
    scheduleRedraw();
}

void XPButton::focusOutEvent(QFocusEvent*) {
    if (!enabled_)
        return;
    focused_ = false;
    scheduleRedraw();
}

void XPButton::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (!enabled_)
        return;
    const QPointer<XPButton> alive(this);
    short keyCode = virtualKeyCode(*event);
    short shift = shiftState(event->modifiers());
    emit keyDown(keyCode, shift);
    if (!alive)
        return;
    if (keyCode == spaceKeyCode)
        setPressed(true);
    short ascii = keyAscii(*event);
    if (ascii == 0)
        return;
    emit keyPress(ascii);
    if (alive && ascii == enterKeyAscii)
        emit click();
}

void XPButton::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    // A held key repeats its key-down only; the key-up comes once, when it is let go.
    if (!enabled_ || event->isAutoRepeat())
        return;
    const QPointer<XPButton> alive(this);
    short keyCode = virtualKeyCode(*event);
    short shift = shiftState(event->modifiers());
    emit keyUp(keyCode, shift);
    if (alive && keyCode == spaceKeyCode)
        setPressed(false);
}

void XPButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (!enabled_)
        return;
    const QPointer<XPButton> alive(this);
    MouseArguments a = mouseArguments(*event, mouseButtonCode(event->button()));
    emit mouseDown(a.button, a.shift, a.x, a.y);
    if (!alive)
        return;
    if (event->button() == Qt::LeftButton)
        clickArmed_ = true;
    if (a.button == leftButton)
        setPressed(true);
}

void XPButton::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!enabled_)
        return;
    MouseArguments a = mouseArguments(*event, mouseButtonsCode(event->buttons()));
    emit mouseMove(a.button, a.shift, a.x, a.y);
}

void XPButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (!enabled_)
        return;
    const QPointer<XPButton> alive(this);
    MouseArguments a = mouseArguments(*event, mouseButtonCode(event->button()));
    emit mouseUp(a.button, a.shift, a.x, a.y);
    if (!alive)
        return;
    if (a.button == leftButton)
        setPressed(false);
    // A click is a left press and release both over the button (inside its shape).
    if (event->button() == Qt::LeftButton) {
        const bool isClick = clickArmed_ && isInsideShape(event->position().toPoint());
        clickArmed_ = false;
        if (isClick)
            emit click();
    }
}

void XPButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click arrives as this event instead of a press. For the
    // left button it raises DoubleClick, and its release no second Click; for the others it
    // is an ordinary press.
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    event->accept();
    if (!enabled_)
        return;
    clickArmed_ = false;
    emit doubleClick();
}

void XPButton::checkHover() {
    const QPointer<XPButton> alive(this);
    // Off while the check and the handlers of its event run, so that no tick starts in them.
    tmrCheck_->stop();
    if (enabled_) {
        const QPoint pointer = host_->pointerPosition();
        const bool over = host_->isDirectlyUnder(*this, pointer);
        if (!hovered_ && over) {
            hovered_ = true;
            scheduleRedraw();
            emit mouseEnters(pointer.x(), pointer.y());
        } else if (hovered_ && !over) {
            hovered_ = false;
            scheduleRedraw();
            emit mouseLeaves(pointer.x(), pointer.y());
        }
    }
    if (alive)
        updateHoverPoll();
}

}  // namespace controls
