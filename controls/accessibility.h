#pragma once
// What assistive technology (a screen reader on the desktop's accessibility bus) is told about
// the program's own widgets: XPButton as a push button named by its caption, with its states
// and a Press action, and windows that leave purely decorative children out of what is read.

#include <QString>

class QWidget;

namespace controls {

// Registers the interfaces with Qt; safe to call any number of times. Qt keeps the interface
// it first made for a widget, so this runs before the widgets it concerns are created:
// XPButton's constructor calls it, and a window that hides decorations calls it first thing.
void installAccessibility();

// Leaves `decoration` (a picture, a line) out of its parent's children as a reader sees them.
void hideFromReaders(QWidget& decoration);

// The name a reader speaks for a button caption: without the spaces that leave room for the
// icon.
QString spokenCaption(const QString& caption);

}  // namespace controls
