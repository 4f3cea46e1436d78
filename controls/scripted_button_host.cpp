#include "controls/scripted_button_host.h"

#include <QApplication>
#include <QEnterEvent>
#include <QList>
#include <algorithm>

namespace controls {
namespace {

// The widget and its ancestors, outermost first; empty for none.
QList<QPointer<QWidget>> withAncestors(QWidget* widget) {
    QList<QPointer<QWidget>> chain;
    for (QWidget* w = widget; w; w = w->parentWidget())
        chain.prepend(w);
    return chain;
}

}  // namespace

class ScriptedButtonHost::Timer : public HoverTimer {
public:
    Timer(ScriptedButtonHost& host, std::function<void()> onTick)
        : host_(&host), onTick_(std::move(onTick)) {
        host_->timers_.push_back(this);
    }
    ~Timer() override {
        if (host_)
            std::erase(host_->timers_, this);
    }
    void start() override { active_ = true; }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    void tick() { onTick_(); }
    void detach() { host_ = nullptr; }

private:
    ScriptedButtonHost* host_;
    std::function<void()> onTick_;
    bool active_ = false;
};

ScriptedButtonHost::ScriptedButtonHost() = default;

ScriptedButtonHost::~ScriptedButtonHost() {
    for (Timer* timer : timers_)
        timer->detach();
}

int ScriptedButtonHost::elapse() {
    // A tick may create or destroy timers; tick only those that exist before and still do.
    const std::vector<Timer*> due = timers_;
    int ticked = 0;
    for (Timer* timer : due) {
        if (std::find(timers_.begin(), timers_.end(), timer) != timers_.end() &&
            timer->isActive()) {
            timer->tick();
            ++ticked;
        }
    }
    return ticked;
}

bool ScriptedButtonHost::isDirectlyUnder(const QWidget& widget, QPoint globalPos) const {
    const QWidget* window = widget.window();
    const QPoint local = window->mapFromGlobal(globalPos);
    if (!window->rect().contains(local))
        return false;
    if (window == &widget)
        return widget.mask().isEmpty() || widget.mask().contains(local);
    return window->childAt(local) == &widget;
}

void ScriptedButtonHost::movePointer(QWidget& window, QPoint globalPos) {
    pointer_ = globalPos;
    const QPoint local = window.mapFromGlobal(globalPos);
    QWidget* under = nullptr;
    if (window.rect().contains(local) &&
        (window.mask().isEmpty() || window.mask().contains(local))) {
        under = window.childAt(local);
        under = under ? under : &window;
    }
    const QList<QPointer<QWidget>> left = withAncestors(underPointer_);
    const QList<QPointer<QWidget>> entered = withAncestors(under);
    underPointer_ = under;
    // A handler may delete widgets; the guarded pointers then read null and are skipped.
    for (auto it = left.rbegin(); it != left.rend(); ++it) {
        if (*it && !entered.contains(*it)) {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(*it, &leave);
        }
    }
    for (const QPointer<QWidget>& widget : entered) {
        if (widget && !left.contains(widget)) {
            const QPointF at = widget->mapFromGlobal(QPointF(globalPos));
            QEnterEvent enter(at, at, QPointF(globalPos));
            QApplication::sendEvent(widget, &enter);
        }
    }
}

std::unique_ptr<HoverTimer> ScriptedButtonHost::createTimer(int, std::function<void()> onTick) {
    return std::make_unique<Timer>(*this, std::move(onTick));
}

}  // namespace controls
