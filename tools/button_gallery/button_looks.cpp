#include "tools/button_gallery/button_looks.h"

#include "controls/color_value.h"
#include "tools/button_gallery/gallery_icon.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>

namespace button_looks {
namespace {

using controls::ScriptedButtonHost;
using controls::XPButton;

constexpr int buttonWidth = 177;
constexpr int buttonHeight = 33;
// A height at which the icon's top row, 9.5, rounds to the even 10.
constexpr int tallHeight = 35;
// The window's room around the button.
constexpr int margin = 4;

void hover(XPButton& button, ScriptedButtonHost& host) {
    host.movePointer(*button.window(),
                     button.mapToGlobal(QPoint(buttonWidth / 2, buttonHeight / 2)));
    host.elapse();
}

void focus(XPButton& button) {
    QFocusEvent event(QEvent::FocusIn);
    QApplication::sendEvent(&button, &event);
}

void press(XPButton& button) {
    const QPointF at(buttonWidth / 2.0, buttonHeight / 2.0);
    QMouseEvent event(QEvent::MouseButtonPress, at, button.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
}

}  // namespace

const std::vector<Case>& looks() {
    static const std::vector<Case> cases = {
        {"normal", [](XPButton&, ScriptedButtonHost&) {}},
        {"hover", [](XPButton& b, ScriptedButtonHost& h) { hover(b, h); }},
        {"focus", [](XPButton& b, ScriptedButtonHost&) { focus(b); }},
        {"focus, no dots",
         [](XPButton& b, ScriptedButtonHost&) {
             b.setFocusDottedRect(false);
             focus(b);
         }},
        {"hover + focus",
         [](XPButton& b, ScriptedButtonHost& h) {
             focus(b);
             hover(b, h);
         }},
        {"pressed", [](XPButton& b, ScriptedButtonHost&) { press(b); }},
        {"pressed + focus",
         [](XPButton& b, ScriptedButtonHost&) {
             focus(b);
             press(b);
         }},
        {"pressed + hover",
         [](XPButton& b, ScriptedButtonHost& h) {
             hover(b, h);
             press(b);
         }},
        {"disabled", [](XPButton& b, ScriptedButtonHost&) { b.setXPEnabled(false); }},
        // Flags set before disabling change nothing in the disabled look.
        {"disabled, was busy",
         [](XPButton& b, ScriptedButtonHost& h) {
             focus(b);
             hover(b, h);
             press(b);
             b.setXPEnabled(false);
         }},
    };
    return cases;
}

const std::vector<Case>& variants() {
    static const std::vector<Case> cases = {
        {"caption right",
         [](XPButton& b, ScriptedButtonHost&) {
             b.setCaption(QStringLiteral("Desno"));
             b.setCaptionAlignment(1);
         }},
        {"centred, icon right",
         [](XPButton& b, ScriptedButtonHost&) {
             b.setCaption(QStringLiteral("Privzeto"));
             b.setCaptionAlignment(2);
             b.setIconAlignment(2);
         }},
        {"no icon alignment", [](XPButton& b, ScriptedButtonHost&) { b.setIconAlignment(0); }},
        {"icon, no mask", [](XPButton& b, ScriptedButtonHost&) { b.setIconMask(QImage()); }},
        {"caption align 3", [](XPButton& b, ScriptedButtonHost&) { b.setCaptionAlignment(3); }},
        // The colour value keeps red in its low byte.
        {"red caption", [](XPButton& b, ScriptedButtonHost&) { b.setForeColor(0x0000FF); }},
        {"rounded 12", [](XPButton& b, ScriptedButtonHost&) { b.setRoundedValue(12); }},
        {"height 35", [](XPButton& b, ScriptedButtonHost&) { b.resize(buttonWidth, tallHeight); }},
        {"style 0, hover",
         [](XPButton& b, ScriptedButtonHost& h) {
             b.setColorStyle(0);
             hover(b, h);
         }},
        {"disabled, icon right",
         [](XPButton& b, ScriptedButtonHost&) {
             b.setIconAlignment(2);
             b.setXPEnabled(false);
         }},
    };
    return cases;
}

QImage renderButton(int colorStyle, const Case& look) {
    static const GalleryIcon icon = makeGalleryIcon();
    ScriptedButtonHost host;
    QWidget window;
    window.resize(buttonWidth + 2 * margin, tallHeight + 2 * margin);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(windowColor));
    window.setPalette(palette);
    auto* button = new XPButton(&window, &host);
    button->setGeometry(margin, margin, buttonWidth, buttonHeight);
    button->readProperties(controls::PropertyBag());
    button->setColorStyle(colorStyle);
    button->setForeColor(controls::systemColorValue(1));
    button->setFontDescription(
        {QString::fromLatin1(captionFace), 8.25, 400, controls::centralEuropeanCharset});
    button->setIcon(icon.icon);
    button->setIconMask(icon.mask);
    button->setCaptionAlignment(0);
    button->setCaption(QString::fromUtf8("     E-1 (Najtanjša struna)"));
    look.apply(*button, host);
    QImage image(window.size(), QImage::Format_RGB32);
    image.fill(windowColor);
    window.render(&image);
    return image.copy(button->geometry());
}

QString goldenFileName(int colorStyle, const Case& look) {
    QString slug;
    for (const QChar c : QString::fromLatin1(look.name))
        if (c.isLetterOrNumber())
            slug += c;
        else if (!slug.endsWith(u'-'))
            slug += u'-';
    return QStringLiteral("%1-%2.png")
        .arg(QString::fromLatin1(schemeNames[std::size_t(colorStyle - firstScheme)]), slug);
}

}  // namespace button_looks
