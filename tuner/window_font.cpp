#include "tuner/window_font.h"

#include <QStringList>

#include "tuner/catalogue.h"

namespace tuner {

QFont windowFont(double points) {
    QFont font(toQString(layout::fontFace));
    font.setFamilies({toQString(layout::fontFace), toQString(layout::fontFallback)});
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    return font;
}

}  // namespace tuner
