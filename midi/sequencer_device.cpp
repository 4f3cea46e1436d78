#include "midi/sequencer_device.h"

#include <rtmidi/RtMidi.h>

namespace midi {

SequencerDevice::SequencerDevice(std::unique_ptr<RtMidiOut> out) : out_(std::move(out)) {}

SequencerDevice::~SequencerDevice() {
    try {
        out_->closePort();
    } catch (const std::exception&) {
        // Closing a port that vanished has nothing left to release.
    }
}

int SequencerDevice::send(const ShortMessage& message) {
    if (message.size == 0)
        return result::error;
    try {
        out_->sendMessage(message.bytes.data(), message.size);
        return result::ok;
    } catch (const std::exception&) {
        return result::error;
    }
}

}  // namespace midi
