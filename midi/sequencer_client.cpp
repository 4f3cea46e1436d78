#include "midi/sequencer_client.h"

#include <rtmidi/RtMidi.h>
#include <rtmidi/rtmidi_c.h>

#include "audio/shared_library.h"

namespace midi {
namespace {

// RtMidi's C entry points make and free the C++ client, so that nothing of the library is
// linked into the program; the client's own methods are virtual and reach the library through
// its object.
struct RtMidiLibrary {
    decltype(&::rtmidi_out_create) outCreate = nullptr;
    decltype(&::rtmidi_out_free) outFree = nullptr;
};

struct Loaded {
    RtMidiLibrary functions;
    bool ok = false;
    std::string error;
};

const Loaded& loaded() {
    static const Loaded once = [] {
        Loaded l;
        audio::SharedLibrary library(TOLMARY_RTMIDI_SONAME);
        l.ok = library.bind(l.functions.outCreate, "rtmidi_out_create") &&
               library.bind(l.functions.outFree, "rtmidi_out_free");
        l.error = library.error();
        return l;
    }();
    return once;
}

void quietErrors(RtMidiError::Type, const std::string&, void*) {}

// RtMidi's setErrorCallback(), reached through the object's table alone. Called by name, the
// compiler may inline RtMidiOut's own body, which names a function of the library the program
// is not linked with; a pointer it cannot see through keeps the call virtual.
using ErrorCallbackSetter = void (RtMidi::*)(RtMidiErrorCallback, void*);
const volatile ErrorCallbackSetter setErrorCallback = &RtMidi::setErrorCallback;

}  // namespace

std::unique_ptr<SequencerClient> SequencerClient::make(const char* name, std::string& error) {
    if (!loaded().ok) {
        error = loaded().error;
        return nullptr;
    }
    RtMidiWrapper* wrapper = loaded().functions.outCreate(RTMIDI_API_LINUX_ALSA, name);
    if (!wrapper)
        return nullptr;
    if (!wrapper->ok || !wrapper->ptr) {
        loaded().functions.outFree(wrapper);
        return nullptr;
    }
    std::unique_ptr<SequencerClient> client(new SequencerClient(wrapper));
    const ErrorCallbackSetter quieten = setErrorCallback;
    (client->out().*quieten)(quietErrors, nullptr);
    return client;
}

SequencerClient::SequencerClient(RtMidiWrapper* wrapper) : wrapper_(wrapper) {}

SequencerClient::~SequencerClient() {
    loaded().functions.outFree(wrapper_);
}

RtMidiOut& SequencerClient::out() {
    return *static_cast<RtMidiOut*>(wrapper_->ptr);
}

unsigned SequencerClient::portCount() {
    return out().getPortCount();
}

std::string SequencerClient::portName(unsigned port) {
    return out().getPortName(port);
}

bool SequencerClient::openPort(unsigned port, const std::string& name) {
    out().openPort(port, name);
    return out().isPortOpen();
}

void SequencerClient::closePort() {
    try {
        out().closePort();
    } catch (const std::exception&) {
        // Closing a port that vanished has nothing left to release.
    }
}

bool SequencerClient::send(const unsigned char* bytes, std::size_t size) {
    try {
        out().sendMessage(bytes, size);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace midi
