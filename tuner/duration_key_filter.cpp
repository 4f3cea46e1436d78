#include "tuner/duration_key_filter.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include "controls/input_codes.h"

namespace tuner {

DurationKeyFilter::DurationKeyFilter(std::function<int(int)> filter, QObject* parent)
    : QObject(parent), filter_(std::move(filter)) {}

bool DurationKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int code = controls::typedCharacter(*static_cast<QKeyEvent*>(event));
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
