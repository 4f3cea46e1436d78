#pragma once
// Turns key presses in the duration box into character codes for the tuner's key filter and
// swallows the ones it refuses. Keys that type no character (Delete, arrows, Tab) pass. Text an
// input method commits (dead keys, compose) goes through the same filter, character by
// character, so the box takes nothing that typing the character could not put there.

#include <QObject>
#include <functional>

class QInputMethodEvent;

namespace tuner {

class DurationKeyFilter : public QObject {
    Q_OBJECT

public:
    // `filter` returns the code to let through, or 0 to swallow the key.
    DurationKeyFilter(std::function<int(int)> filter, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void filterCommit(QInputMethodEvent& event) const;

    std::function<int(int)> filter_;
};

}  // namespace tuner
