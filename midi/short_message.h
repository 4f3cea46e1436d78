#pragma once
// Decoding of a 32-bit short-message word into the bytes that go on the wire.

#include <array>
#include <cstddef>
#include <cstdint>

namespace midi {

struct ShortMessage {
    std::array<std::uint8_t, 3> bytes{};
    std::size_t size = 0;  // 0 when the word holds no valid status byte

    std::uint8_t status() const { return bytes[0]; }
    std::uint8_t kind() const { return bytes[0] & 0xF0; }
    std::uint8_t channel() const { return bytes[0] & 0x0F; }
    std::uint8_t data1() const { return bytes[1]; }
    std::uint8_t data2() const { return bytes[2]; }
};

// Number of bytes a message with this status byte has, status included; 0 for data bytes and
// for system messages that are not single-word channel or common messages.
constexpr std::size_t messageLength(std::uint8_t status) {
    if (status < 0x80)
        return 0;
    switch (status & 0xF0) {
        case 0xC0:  // program change
        case 0xD0:  // channel pressure
            return 2;
        case 0xF0:
            switch (status) {
                case 0xF1:
                case 0xF3:
                    return 2;
                case 0xF2:
                    return 3;
                case 0xF0:
                case 0xF7:
                    return 0;  // system exclusive never fits in a short message
                default:
                    return 1;
            }
        default:
            return 3;
    }
}

constexpr ShortMessage decodeShortMessage(std::uint32_t word) {
    ShortMessage m;
    m.bytes = {static_cast<std::uint8_t>(word & 0xFF),
               static_cast<std::uint8_t>((word >> 8) & 0x7F),
               static_cast<std::uint8_t>((word >> 16) & 0x7F)};
    m.size = messageLength(m.bytes[0]);
    return m;
}

}  // namespace midi
