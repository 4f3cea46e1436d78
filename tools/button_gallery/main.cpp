// Renders the button in its three schemes and every look (normal, hover, focus, pressed,
// disabled) plus the alignment and shape variants into one PNG. Usage: button_gallery [out.png]

#include "controls/color_value.h"
#include "controls/scripted_button_host.h"
#include "controls/xp_button.h"
#include "tools/button_gallery/gallery_icon.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextStream>
#include <functional>
#include <memory>

namespace {

using controls::XPButton;

constexpr int buttonWidth = 177;
constexpr int buttonHeight = 33;
constexpr int cellWidth = 190;
constexpr int cellHeight = 48;
constexpr int labelWidth = 70;
constexpr int headerHeight = 20;
const QColor windowColor(236, 233, 216);

using Setup = std::function<void(XPButton&, controls::ScriptedButtonHost&)>;

// A named change to the standard button: a look in the first rows, a variant in the last ones.
struct Case {
    const char* name;
    Setup apply;
};

void hover(XPButton& button, controls::ScriptedButtonHost& host) {
    host.setPointer(button.mapToGlobal(QPoint(buttonWidth / 2, buttonHeight / 2)));
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

const std::vector<Case> looks = {
    {"normal", [](XPButton&, controls::ScriptedButtonHost&) {}},
    {"hover", [](XPButton& b, controls::ScriptedButtonHost& h) { hover(b, h); }},
    {"focus", [](XPButton& b, controls::ScriptedButtonHost&) { focus(b); }},
    {"focus, no dots",
     [](XPButton& b, controls::ScriptedButtonHost&) {
         b.setFocusDottedRect(false);
         focus(b);
     }},
    {"hover + focus",
     [](XPButton& b, controls::ScriptedButtonHost& h) {
         focus(b);
         hover(b, h);
     }},
    {"pressed", [](XPButton& b, controls::ScriptedButtonHost&) { press(b); }},
    {"pressed + focus",
     [](XPButton& b, controls::ScriptedButtonHost&) {
         focus(b);
         press(b);
     }},
    {"disabled", [](XPButton& b, controls::ScriptedButtonHost&) { b.setXPEnabled(false); }},
};

const std::vector<Case> variants = {
    {"caption right",
     [](XPButton& b, controls::ScriptedButtonHost&) {
         b.setCaption(QStringLiteral("Desno"));
         b.setCaptionAlignment(1);
     }},
    {"centred, icon right",
     [](XPButton& b, controls::ScriptedButtonHost&) {
         b.setCaption(QStringLiteral("Privzeto"));
         b.setCaptionAlignment(2);
         b.setIconAlignment(2);
     }},
    {"no icon alignment",
     [](XPButton& b, controls::ScriptedButtonHost&) { b.setIconAlignment(0); }},
    {"caption align 3",
     [](XPButton& b, controls::ScriptedButtonHost&) { b.setCaptionAlignment(3); }},
    {"rounded 12", [](XPButton& b, controls::ScriptedButtonHost&) { b.setRoundedValue(12); }},
    {"height 35",
     [](XPButton& b, controls::ScriptedButtonHost&) {
         b.resize(buttonWidth, 35);
         b.redraw();
     }},
    {"style 0, hover",
     [](XPButton& b, controls::ScriptedButtonHost& h) {
         b.setColorStyle(0);
         hover(b, h);
     }},
    {"disabled, icon right",
     [](XPButton& b, controls::ScriptedButtonHost&) {
         b.setIconAlignment(2);
         b.setXPEnabled(false);
     }},
};

// One button on its own window-coloured parent, set up like the tuner's string buttons.
QImage renderButton(int colorStyle, const Setup& apply, const GalleryIcon& icon) {
    controls::ScriptedButtonHost host;
    QWidget parent;
    parent.resize(cellWidth, cellHeight);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, windowColor);
    parent.setPalette(palette);
    auto* button = new XPButton(&parent, &host);
    button->setGeometry(4, 4, buttonWidth, buttonHeight);
    button->readProperties(controls::PropertyBag());
    button->setColorStyle(colorStyle);
    button->setForeColor(controls::systemColorValue(1));
    button->setFontDescription(
        {QStringLiteral("Verdana"), 8.25, 400, controls::centralEuropeanCharset});
    button->setIcon(icon.icon);
    button->setIconMask(icon.mask);
    button->setCaptionAlignment(0);
    button->setCaption(QString::fromUtf8("     E-1 (Najtanjša struna)"));
    apply(*button, host);
    QImage image(parent.size(), QImage::Format_RGB32);
    image.fill(windowColor);
    parent.render(&image);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString output =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TOLMARY_GALLERY_OUTPUT);
    const GalleryIcon icon = makeGalleryIcon();
    const int columns = int(looks.size());
    const int rows = 3 + 3;  // three schemes, then the variants in three rows
    QImage sheet(labelWidth + columns * cellWidth, headerHeight + rows * cellHeight,
                 QImage::Format_RGB32);
    sheet.fill(windowColor);
    QPainter painter(&sheet);
    QFont labelFont = painter.font();
    labelFont.setPixelSize(11);
    painter.setFont(labelFont);
    for (int c = 0; c < columns; ++c) {
        painter.drawText(QRect(labelWidth + c * cellWidth, 0, cellWidth, headerHeight),
                         Qt::AlignCenter, QString::fromLatin1(looks[std::size_t(c)].name));
    }
    const char* schemeNames[] = {"blue", "silver", "olive"};
    for (int style = 1; style <= 3; ++style) {
        const int top = headerHeight + (style - 1) * cellHeight;
        painter.drawText(QRect(4, top, labelWidth, cellHeight), Qt::AlignVCenter,
                         QString::fromLatin1(schemeNames[style - 1]));
        for (int c = 0; c < columns; ++c) {
            painter.drawImage(labelWidth + c * cellWidth, top,
                              renderButton(style, looks[std::size_t(c)].apply, icon));
        }
    }
    for (int style = 1; style <= 3; ++style) {
        const int top = headerHeight + (2 + style) * cellHeight;
        painter.drawText(QRect(4, top, labelWidth, cellHeight), Qt::AlignVCenter,
                         QString::fromLatin1(schemeNames[style - 1]));
        for (std::size_t v = 0; v < variants.size(); ++v) {
            const int left = labelWidth + int(v) * cellWidth;
            painter.drawImage(left, top, renderButton(style, variants[v].apply, icon));
            if (style == 1) {
                painter.drawText(QRect(left, top - 14, cellWidth, 14), Qt::AlignCenter,
                                 QString::fromLatin1(variants[v].name));
            }
        }
    }
    painter.end();
    if (!sheet.save(output)) {
        QTextStream(stderr) << "cannot write " << output << '\n';
        return 1;
    }
    QTextStream(stdout) << output << '\n';
    return 0;
}
