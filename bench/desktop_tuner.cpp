#include "bench/desktop_tuner.h"

namespace bench {

Tuner::Tuner(Desktop& desktop, int duration, const std::string& settings,
             const std::vector<std::string>& environment)
    : desktop_(desktop) {
    if (desktop.launch(process_, tolmaryBinary(), duration, settings, environment))
        window_ = desktop.x().waitForWindow(tunerTitle, 20000).window;
}

Tuner::~Tuner() {
    desktop_.close(process_, window_);
}

Clock::time_point Tuner::clickString() {
    const int y = firstStringY + stringStep * (next_++ % strings);
    return desktop_.x().click(window_, stringX, y);
}

void Tuner::parkOnString() {
    desktop_.x().movePointer(window_, stringX, firstStringY);
}

bool Tuner::openListening() {
    desktop_.x().click(window_, listenX, listenY);
    return desktop_.x().waitForWindow(listeningTitle, 10000).window != 0;
}

}  // namespace bench
