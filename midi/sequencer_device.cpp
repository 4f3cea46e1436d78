#include "midi/sequencer_device.h"

#include "midi/sequencer_client.h"

namespace midi {

SequencerDevice::SequencerDevice(std::unique_ptr<SequencerClient> client)
    : client_(std::move(client)) {}

SequencerDevice::~SequencerDevice() {
    client_->closePort();
}

int SequencerDevice::send(const ShortMessage& message) {
    if (message.size == 0)
        return result::error;
    return client_->send(message.bytes.data(), message.size) ? result::ok : result::error;
}

}  // namespace midi
