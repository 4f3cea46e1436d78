#include "controls/enter_key.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace controls {
namespace {

// Watches the window, where a push button's unused Enter arrives after the button ignored it.
class EnterPressesButtons final : public QObject {
public:
    explicit EnterPressesButtons(QWidget& window) : QObject(&window), window_(window) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* button = qobject_cast<QPushButton*>(window_.focusWidget());
        if ((key != Qt::Key_Return && key != Qt::Key_Enter) || button == nullptr)
            return false;
        button->click();
        return true;
    }

private:
    QWidget& window_;
};

}  // namespace

void letEnterPressButtons(QWidget& window) {
    window.installEventFilter(new EnterPressesButtons(window));
}

}  // namespace controls
