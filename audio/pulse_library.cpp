#include "audio/pulse_library.h"

#include "audio/shared_library.h"

namespace audio {
namespace {

struct Loaded {
    PulseLibrary functions;
    bool ok = false;
    std::string error;
};

Loaded load() {
    Loaded l;
    SharedLibrary library(TOLMARY_PULSE_SONAME);
    PulseLibrary& f = l.functions;
    l.ok = library.bind(f.threadedMainloopNew, "pa_threaded_mainloop_new") &&
           library.bind(f.threadedMainloopFree, "pa_threaded_mainloop_free") &&
           library.bind(f.threadedMainloopStart, "pa_threaded_mainloop_start") &&
           library.bind(f.threadedMainloopStop, "pa_threaded_mainloop_stop") &&
           library.bind(f.threadedMainloopLock, "pa_threaded_mainloop_lock") &&
           library.bind(f.threadedMainloopUnlock, "pa_threaded_mainloop_unlock") &&
           library.bind(f.threadedMainloopWait, "pa_threaded_mainloop_wait") &&
           library.bind(f.threadedMainloopSignal, "pa_threaded_mainloop_signal") &&
           library.bind(f.threadedMainloopGetApi, "pa_threaded_mainloop_get_api") &&
           library.bind(f.threadedMainloopInThread, "pa_threaded_mainloop_in_thread") &&
           library.bind(f.threadedMainloopSetName, "pa_threaded_mainloop_set_name") &&
           library.bind(f.proplistNew, "pa_proplist_new") &&
           library.bind(f.proplistFree, "pa_proplist_free") &&
           library.bind(f.proplistSets, "pa_proplist_sets") &&
           library.bind(f.contextNewWithProplist, "pa_context_new_with_proplist") &&
           library.bind(f.contextUnref, "pa_context_unref") &&
           library.bind(f.contextConnect, "pa_context_connect") &&
           library.bind(f.contextDisconnect, "pa_context_disconnect") &&
           library.bind(f.contextGetState, "pa_context_get_state") &&
           library.bind(f.contextSetStateCallback, "pa_context_set_state_callback") &&
           library.bind(f.contextErrno, "pa_context_errno") &&
           library.bind(f.contextRttimeNew, "pa_context_rttime_new") &&
           library.bind(f.rtclockNow, "pa_rtclock_now") &&
           library.bind(f.strerror, "pa_strerror") &&
           library.bind(f.streamNewWithProplist, "pa_stream_new_with_proplist") &&
           library.bind(f.streamUnref, "pa_stream_unref") &&
           library.bind(f.streamConnectPlayback, "pa_stream_connect_playback") &&
           library.bind(f.streamConnectRecord, "pa_stream_connect_record") &&
           library.bind(f.streamDisconnect, "pa_stream_disconnect") &&
           library.bind(f.streamGetState, "pa_stream_get_state") &&
           library.bind(f.streamSetStateCallback, "pa_stream_set_state_callback") &&
           library.bind(f.streamSetWriteCallback, "pa_stream_set_write_callback") &&
           library.bind(f.streamSetReadCallback, "pa_stream_set_read_callback") &&
           library.bind(f.streamBeginWrite, "pa_stream_begin_write") &&
           library.bind(f.streamWrite, "pa_stream_write") &&
           library.bind(f.streamCork, "pa_stream_cork") &&
           library.bind(f.streamFlush, "pa_stream_flush") &&
           library.bind(f.streamReadableSize, "pa_stream_readable_size") &&
           library.bind(f.streamPeek, "pa_stream_peek") &&
           library.bind(f.streamDrop, "pa_stream_drop") &&
           library.bind(f.operationUnref, "pa_operation_unref");
    l.error = library.error();
    return l;
}

const Loaded& loaded() {
    static const Loaded once = load();
    return once;
}

}  // namespace

const PulseLibrary* pulseLibrary(std::string& error) {
    if (!loaded().ok) {
        error = loaded().error;
        return nullptr;
    }
    return &loaded().functions;
}

const PulseLibrary& pulse() {
    return loaded().functions;
}

}  // namespace audio
