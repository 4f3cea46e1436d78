#include "app/qt_wait_host.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace app {

std::int64_t QtWaitHost::wallClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::int64_t QtWaitHost::monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void QtWaitHost::processEvents(std::int64_t maxMs) {
    // The timer only wakes the dispatcher; pending events are handled first, and with none
    // pending the thread sleeps until the next event or the timer.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(static_cast<int>(std::clamp<std::int64_t>(maxMs, 0, 1000)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace app
