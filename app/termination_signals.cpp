#include "app/termination_signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace app {
namespace {

constexpr int handled[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe from the handler to the event loop: read end, write end.
int wakeUp[2] = {-1, -1};

void onSignal(int signal) {
    const int saved = errno;
    // The next one takes the default action: a program stuck in closing still ends.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    for (int s : handled)
        ::sigaction(s, &standard, nullptr);
    const auto byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(wakeUp[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> close) : close_(std::move(close)) {
    if (::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::received);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : handled)
        ::sigaction(s, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    for (int s : handled)
        std::signal(s, SIG_DFL);
    delete notifier_;
    for (int& fd : wakeUp)
        if (fd != -1)
            ::close(std::exchange(fd, -1));
}

void TerminationSignals::received() {
    char drained[16];
    while (::read(wakeUp[0], drained, sizeof drained) > 0) {
    }
    if (close_)
        close_();
}

}  // namespace app
