#pragma once
// libpulse's functions, taken from the library when the first stream connects instead of when
// the program starts: libpulse and the libraries it needs (libsndfile and its codecs among them)
// would otherwise be mapped and linked before the window's first frame, which plays nothing.

#include <pulse/pulseaudio.h>

#include <string>

namespace audio {

struct PulseLibrary {
    decltype(&::pa_threaded_mainloop_new) threadedMainloopNew = nullptr;
    decltype(&::pa_threaded_mainloop_free) threadedMainloopFree = nullptr;
    decltype(&::pa_threaded_mainloop_start) threadedMainloopStart = nullptr;
    decltype(&::pa_threaded_mainloop_stop) threadedMainloopStop = nullptr;
    decltype(&::pa_threaded_mainloop_lock) threadedMainloopLock = nullptr;
    decltype(&::pa_threaded_mainloop_unlock) threadedMainloopUnlock = nullptr;
    decltype(&::pa_threaded_mainloop_wait) threadedMainloopWait = nullptr;
    decltype(&::pa_threaded_mainloop_signal) threadedMainloopSignal = nullptr;
    decltype(&::pa_threaded_mainloop_get_api) threadedMainloopGetApi = nullptr;
    decltype(&::pa_threaded_mainloop_in_thread) threadedMainloopInThread = nullptr;
    decltype(&::pa_threaded_mainloop_set_name) threadedMainloopSetName = nullptr;
    decltype(&::pa_proplist_new) proplistNew = nullptr;
    decltype(&::pa_proplist_free) proplistFree = nullptr;
    decltype(&::pa_proplist_sets) proplistSets = nullptr;
    decltype(&::pa_context_new_with_proplist) contextNewWithProplist = nullptr;
    decltype(&::pa_context_unref) contextUnref = nullptr;
    decltype(&::pa_context_connect) contextConnect = nullptr;
    decltype(&::pa_context_disconnect) contextDisconnect = nullptr;
    decltype(&::pa_context_get_state) contextGetState = nullptr;
    decltype(&::pa_context_set_state_callback) contextSetStateCallback = nullptr;
    decltype(&::pa_context_errno) contextErrno = nullptr;
    decltype(&::pa_context_rttime_new) contextRttimeNew = nullptr;
    decltype(&::pa_rtclock_now) rtclockNow = nullptr;
    decltype(&::pa_strerror) strerror = nullptr;
    decltype(&::pa_stream_new_with_proplist) streamNewWithProplist = nullptr;
    decltype(&::pa_stream_unref) streamUnref = nullptr;
    decltype(&::pa_stream_connect_playback) streamConnectPlayback = nullptr;
    decltype(&::pa_stream_connect_record) streamConnectRecord = nullptr;
    decltype(&::pa_stream_disconnect) streamDisconnect = nullptr;
    decltype(&::pa_stream_get_state) streamGetState = nullptr;
    decltype(&::pa_stream_set_state_callback) streamSetStateCallback = nullptr;
    decltype(&::pa_stream_set_write_callback) streamSetWriteCallback = nullptr;
    decltype(&::pa_stream_set_read_callback) streamSetReadCallback = nullptr;
    decltype(&::pa_stream_begin_write) streamBeginWrite = nullptr;
    decltype(&::pa_stream_write) streamWrite = nullptr;
    decltype(&::pa_stream_cork) streamCork = nullptr;
    decltype(&::pa_stream_flush) streamFlush = nullptr;
    decltype(&::pa_stream_readable_size) streamReadableSize = nullptr;
    decltype(&::pa_stream_peek) streamPeek = nullptr;
    decltype(&::pa_stream_drop) streamDrop = nullptr;
    decltype(&::pa_operation_unref) operationUnref = nullptr;
};

// The library's functions, loaded on the first call (from any thread); null when the library
// or one of its functions cannot be found, and why in `error`.
const PulseLibrary* pulseLibrary(std::string& error);

// The functions, for code that runs only once pulseLibrary() has returned them: everything
// that holds a main loop, a context or a stream.
const PulseLibrary& pulse();

}  // namespace audio
