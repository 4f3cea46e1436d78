#include "tuner/duration_key_filter.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace tuner {

int typedCharacter(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return 0;  // moves the focus
    if (key == Qt::Key_Delete)
        return 0;  // edits without typing, although X11 gives it the text U+007F
    if (key == Qt::Key_Backspace)
        return 8;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return 13;
    if (event.modifiers().testFlag(Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z) {
        return key - Qt::Key_A + 1;
    }
    const QString text = event.text();
    return text.isEmpty() ? 0 : text.at(0).unicode();
}

DurationKeyFilter::DurationKeyFilter(std::function<int(int)> filter, QObject* parent)
    : QObject(parent), filter_(std::move(filter)) {}

bool DurationKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int code = typedCharacter(*static_cast<QKeyEvent*>(event));
        if (code != 0 && filter_(code) == 0)
            return true;
    } else if (event->type() == QEvent::InputMethod) {
        filterCommit(*static_cast<QInputMethodEvent*>(event));
    }
    return QObject::eventFilter(watched, event);
}

// Keeps the committed characters the filter lets through; the preedit text still shows while
// a character is being composed, since the box never stores it.
void DurationKeyFilter::filterCommit(QInputMethodEvent& event) const {
    const QString commit = event.commitString();
    if (commit.isEmpty())
        return;
    QString allowed;
    for (const char32_t c : commit.toUcs4()) {
        const int code = filter_(static_cast<int>(c));
        if (code != 0) {
            const char32_t kept = static_cast<char32_t>(code);
            allowed += QString::fromUcs4(&kept, 1);
        }
    }
    if (allowed == commit)
        return;
    // A refused character replaces nothing either: the box stays as it was.
    if (allowed.isEmpty())
        event.setCommitString(QString());
    else
        event.setCommitString(allowed, event.replacementStart(), event.replacementLength());
}

}  // namespace tuner
