#include "tools/image_formats/gif_writer.h"

#include "tools/image_formats/little_endian.h"

#include <algorithm>
#include <unordered_map>

namespace image_formats {
namespace {

constexpr int minCodeSize = 8;  // every pixel index is one byte
constexpr int clearCode = 1 << minCodeSize;
constexpr int endCode = clearCode + 1;
constexpr int maxCode = 4095;  // codes are at most 12 bits wide
constexpr int paletteSize = 256;

// Packs codes least significant bit first, as GIF decoders read them.
class BitPacker {
public:
    void put(int code, int width) {
        accumulator_ |= uint32_t(code) << bitCount_;
        bitCount_ += width;
        while (bitCount_ >= 8) {
            bytes_.append(char(accumulator_ & 0xFF));
            accumulator_ >>= 8;
            bitCount_ -= 8;
        }
    }
    QByteArray finish() {
        if (bitCount_ > 0)
            bytes_.append(char(accumulator_ & 0xFF));
        accumulator_ = 0;
        bitCount_ = 0;
        return bytes_;
    }

private:
    QByteArray bytes_;
    uint32_t accumulator_ = 0;
    int bitCount_ = 0;
};

QByteArray compress(const std::vector<uint8_t>& pixels) {
    BitPacker packer;
    // The table maps (prefix code, next index) to the code of the longer string.
    std::unordered_map<uint32_t, int> table;
    int codeSize = minCodeSize + 1;
    int lastCode = endCode;
    const auto reset = [&] {
        table.clear();
        codeSize = minCodeSize + 1;
        lastCode = endCode;
    };

    packer.put(clearCode, codeSize);
    int prefix = pixels.front();
    for (size_t i = 1; i < pixels.size(); ++i) {
        const uint32_t key = (uint32_t(prefix) << 8) | pixels[i];
        const auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        packer.put(prefix, codeSize);
        table.emplace(key, ++lastCode);
        if (lastCode >= (1 << codeSize))
            ++codeSize;
        if (lastCode == maxCode) {
            // The table is full: start a fresh one rather than emit 13-bit codes.
            packer.put(clearCode, codeSize);
            reset();
        }
        prefix = pixels[i];
    }
    packer.put(prefix, codeSize);
    packer.put(endCode, codeSize);
    return packer.finish();
}

}  // namespace

QByteArray encodeGif(const IndexedImage& image) {
    if (image.width <= 0 || image.height <= 0 || image.width > 0xFFFF || image.height > 0xFFFF ||
        image.palette.empty() || image.palette.size() > paletteSize ||
        image.pixels.size() != size_t(image.width) * size_t(image.height))
        return {};
    const auto highest = *std::max_element(image.pixels.begin(), image.pixels.end());
    if (highest >= image.palette.size())
        return {};

    QByteArray out("GIF89a");
    putWord(out, image.width);
    putWord(out, image.height);
    out.append(char(0xF7));  // global table present, 8-bit colour resolution, 256 entries
    out.append(char(0));     // background colour index
    out.append(char(0));     // square pixels
    for (int i = 0; i < paletteSize; ++i) {
        const QRgb colour = i < int(image.palette.size()) ? image.palette[i] : qRgb(0, 0, 0);
        out.append(char(qRed(colour)));
        out.append(char(qGreen(colour)));
        out.append(char(qBlue(colour)));
    }

    out.append(char(0x2C));  // image descriptor
    putWord(out, 0);
    putWord(out, 0);
    putWord(out, image.width);
    putWord(out, image.height);
    out.append(char(0));  // no local table, not interlaced

    out.append(char(minCodeSize));
    const QByteArray data = compress(image.pixels);
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const qsizetype length = std::min<qsizetype>(255, data.size() - at);
        out.append(char(length));
        out.append(data.mid(at, length));
    }
    out.append(char(0));  // end of the image data

    out.append(char(0x3B));
    out.append(3, char(0));
    return out;
}

}  // namespace image_formats
