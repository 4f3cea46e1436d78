#include "tests/support/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace testing {
namespace {

std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void put16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>(v >> 8));
}

}  // namespace

std::optional<Recording> readWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    std::optional<double> rate;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const unsigned char* chunk = bytes.data() + at;
        const std::size_t size = le32(chunk + 4);
        if (size > bytes.size() - at - 8)
            return std::nullopt;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || le16(chunk + 8) != 1 || le16(chunk + 10) != 1 ||
                le16(chunk + 22) != 16)
                return std::nullopt;
            rate = le32(chunk + 12);
        } else if (std::memcmp(chunk, "data", 4) == 0 && rate) {
            Recording recording{{}, *rate};
            for (std::size_t i = 0; i + 1 < size; i += 2)
                recording.samples.push_back(static_cast<std::int16_t>(le16(chunk + 8 + i)) /
                                            32768.0f);
            return recording;
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

bool writeWav(const std::string& path, const Recording& recording) {
    const auto dataBytes = static_cast<std::uint32_t>(2 * recording.samples.size());
    const auto rate = static_cast<std::uint32_t>(std::lround(recording.rate));
    std::string out = "RIFF";
    put32(out, 36 + dataBytes);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, rate);
    put32(out, 2 * rate);
    put16(out, 2);
    put16(out, 16);
    out += "data";
    put32(out, dataBytes);
    for (float s : recording.samples) {
        const long v = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
    }
    std::ofstream file(path, std::ios::binary);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

}  // namespace testing
