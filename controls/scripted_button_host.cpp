#include "controls/scripted_button_host.h"

#include <QWidget>
#include <algorithm>

namespace controls {

class ScriptedButtonHost::Timer : public HoverTimer {
public:
    Timer(ScriptedButtonHost& host, std::function<void()> onTick)
        : host_(&host), onTick_(std::move(onTick)) {
        host_->timers_.push_back(this);
    }
    ~Timer() override {
        if (host_) {
            std::erase(host_->timers_, this);
        }
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
    for (Timer* timer : timers_) {
        timer->detach();
    }
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
    if (!window->rect().contains(local)) {
        return false;
    }
    if (window == &widget) {
        return widget.mask().isEmpty() || widget.mask().contains(local);
    }
    return window->childAt(local) == &widget;
}

std::unique_ptr<HoverTimer> ScriptedButtonHost::createTimer(int, std::function<void()> onTick) {
    return std::make_unique<Timer>(*this, std::move(onTick));
}

}  // namespace controls
