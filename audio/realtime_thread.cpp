#include "audio/realtime_thread.h"

#include <dbus/dbus.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

namespace audio {
namespace {

// Below the sound servers' own threads (PulseAudio's default is 5).
constexpr int priority = 3;
// The longest a real-time thread may run without sleeping before the kernel stops it: far
// beyond any render, and within what RealtimeKit accepts.
constexpr rlim_t maxRunMicroseconds = 200'000;

bool limitRealtimeRun() {
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0)
        return false;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max <= maxRunMicroseconds)
        return true;
    limit.rlim_cur = limit.rlim_max = maxRunMicroseconds;
    return setrlimit(RLIMIT_RTTIME, &limit) == 0;
}

bool direct() {
    sched_param parameters{};
    parameters.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), SCHED_RR | SCHED_RESET_ON_FORK, &parameters) == 0;
}

bool throughRealtimeKit() {
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
    if (!bus) {
        dbus_error_free(&error);
        return false;
    }
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    bool granted = false;
    if (DBusMessage* call = dbus_message_new_method_call(
            "org.freedesktop.RealtimeKit1", "/org/freedesktop/RealtimeKit1",
            "org.freedesktop.RealtimeKit1", "MakeThreadRealtime")) {
        const dbus_uint64_t thread = static_cast<dbus_uint64_t>(syscall(SYS_gettid));
        const dbus_uint32_t level = priority;
        if (dbus_message_append_args(call, DBUS_TYPE_UINT64, &thread, DBUS_TYPE_UINT32, &level,
                                     DBUS_TYPE_INVALID)) {
            if (DBusMessage* reply =
                    dbus_connection_send_with_reply_and_block(bus, call, 500, &error)) {
                granted = dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN;
                dbus_message_unref(reply);
            }
        }
        dbus_message_unref(call);
    }
    dbus_error_free(&error);
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    return granted;
}

}  // namespace

bool makeThisThreadRealtime() {
    // A thread the sound server's own library has made real-time (PipeWire does so for its
    // data thread, at the priority the desktop gives audio clients) keeps it: asking again
    // would lower it below the other clients' threads.
    int policy = 0;
    sched_param current{};
    if (pthread_getschedparam(pthread_self(), &policy, &current) == 0) {
        policy &= ~SCHED_RESET_ON_FORK;
        if (policy == SCHED_FIFO || policy == SCHED_RR)
            return true;
    }
    if (!limitRealtimeRun())
        return false;
    return direct() || throughRealtimeKit();
}

}  // namespace audio
