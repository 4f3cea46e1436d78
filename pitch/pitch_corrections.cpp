#include "pitch/pitch_corrections.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include <unistd.h>

#include "pitch/regular_file.h"

namespace pitch {
namespace {

// Format 2 ends with a checksum of everything above it; format 1 had none, so a value edited
// within range went unnoticed. A format 1 file is not read: it is measured again once.
constexpr std::string_view formatLine = "tolmary-pitch-corrections 2";
constexpr std::string_view checksumPrefix = "checksum ";

constexpr std::uint64_t fnvOffset = 0xcbf29ce484222325ULL;

// 64-bit FNV-1a, continued from `hash`.
std::uint64_t fnv1a(std::string_view bytes, std::uint64_t hash = fnvOffset) {
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Reads "program P: c1 c2 ... c42" for program `program`.
bool parseProgramLine(std::string_view line, int program,
                      std::array<double, calibratedNoteCount>& out) {
    const std::string prefix = "program " + std::to_string(program) + ":";
    if (line.substr(0, prefix.size()) != prefix)
        return false;
    std::istringstream values{std::string(line.substr(prefix.size()))};
    values.imbue(std::locale::classic());
    for (double& v : out)
        if (!(values >> v) || std::abs(v) > maxCorrectionCents)
            return false;
    std::string rest;
    return !(values >> rest);
}

}  // namespace

std::string hashText(std::uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

double PitchCorrections::centsFor(int program, int note) const {
    if (program < firstGuitarProgram || program > lastGuitarProgram)
        return 0.0;
    if (note < firstCalibratedNote || note > lastCalibratedNote)
        return 0.0;
    return cents[program - firstGuitarProgram][note - firstCalibratedNote];
}

std::optional<std::uint64_t> soundFontHash(const std::string& path,
                                           const std::atomic<bool>* cancel) {
    const int fd = openRegularFile(path);
    if (fd == -1)
        return std::nullopt;
    std::uint64_t hash = fnvOffset;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        if (cancel && cancel->load()) {
            ::close(fd);
            return std::nullopt;
        }
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            if (n < 0)
                return std::nullopt;
            return hash;
        }
        hash = fnv1a({buffer.data(), static_cast<std::size_t>(n)}, hash);
    }
}

std::string serializeCorrections(const PitchCorrections& corrections, std::uint64_t hash) {
    std::string text(formatLine);
    text += "\nsoundfont " + hashText(hash) + "\n";
    for (int p = 0; p < guitarProgramCount; ++p) {
        text += "program " + std::to_string(firstGuitarProgram + p) + ":";
        for (double c : corrections.cents[p]) {
            char value[32];
            std::snprintf(value, sizeof value, " %.3f", c);
            text += value;
        }
        text += "\n";
    }
    text += std::string(checksumPrefix) + hashText(fnv1a(text)) + "\n";
    return text;
}

std::optional<PitchCorrections> parseCorrections(std::string_view text, std::uint64_t hash) {
    const auto lines = splitLines(text);
    constexpr std::size_t checksumLine = 2 + guitarProgramCount;
    if (lines.size() <= checksumLine)
        return std::nullopt;
    if (lines[0] != formatLine || lines[1] != "soundfont " + hashText(hash))
        return std::nullopt;
    const auto covered = static_cast<std::size_t>(lines[checksumLine].data() - text.data());
    if (lines[checksumLine] !=
        std::string(checksumPrefix) + hashText(fnv1a(text.substr(0, covered))))
        return std::nullopt;
    PitchCorrections corrections;
    for (int p = 0; p < guitarProgramCount; ++p)
        if (!parseProgramLine(lines[2 + p], firstGuitarProgram + p, corrections.cents[p]))
            return std::nullopt;
    for (std::size_t i = checksumLine + 1; i < lines.size(); ++i)
        if (!lines[i].empty())
            return std::nullopt;
    return corrections;
}

}  // namespace pitch
