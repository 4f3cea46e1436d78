#pragma once
// SIGTERM, SIGINT and SIGHUP (a session ending, Ctrl+C in the terminal that started the
// program, a hang-up) close the program the way its windows' close boxes do: the tuner stores
// its settings, and the program ends with success. The handler only writes the signal to a pipe,
// which is all it may safely do; the event loop reads it and closes the windows. A second such
// signal, while the first is being handled, ends the program at once as it would have without
// this.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace app {

class TerminationSignals final : public QObject {
public:
    // Calls `close` in the event loop once one of the signals came. One instance at a time.
    explicit TerminationSignals(std::function<void()> close);
    // Gives the signals back their default action.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void received();

    std::function<void()> close_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace app
