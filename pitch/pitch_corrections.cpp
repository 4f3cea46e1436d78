#include "pitch/pitch_corrections.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <utility>
#include <vector>

#include <unistd.h>

#include "pitch/regular_file.h"

namespace pitch {
namespace {

// Format 3 keeps each note's residual, which a reference other than 440 Hz needs; format 2 had
// none, and format 1 no checksum either (a value edited within range went unnoticed). Files of
// older formats are not read: they are measured again once.
constexpr std::string_view formatLine = "tolmary-pitch-corrections 3";
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

// Requests, then residuals, each a line per program.
constexpr std::string_view requestWord = "program";
constexpr std::string_view residualWord = "residual";

double valueAt(const CorrectionTable& table, int program, int note) {
    if (program < firstGuitarProgram || program > lastGuitarProgram)
        return 0.0;
    if (note < firstCalibratedNote || note > lastCalibratedNote)
        return 0.0;
    return table[program - firstGuitarProgram][note - firstCalibratedNote];
}

std::string lineStart(std::string_view word, int program) {
    return std::string(word) + " " + std::to_string(program) + ":";
}

void appendLines(std::string& text, std::string_view word, const CorrectionTable& table) {
    for (int p = 0; p < guitarProgramCount; ++p) {
        text += lineStart(word, firstGuitarProgram + p);
        for (double c : table[p]) {
            char value[32];
            std::snprintf(value, sizeof value, " %.3f", c);
            text += value;
        }
        text += "\n";
    }
}

// Reads "WORD P: v1 v2 ...", a value within `limit` for each calibrated note, for `program`.
bool parseLine(std::string_view line, std::string_view word, int program, double limit,
               std::array<double, calibratedNoteCount>& out) {
    const std::string prefix = lineStart(word, program);
    if (line.substr(0, prefix.size()) != prefix)
        return false;
    std::istringstream values{std::string(line.substr(prefix.size()))};
    values.imbue(std::locale::classic());
    for (double& v : out)
        if (!(values >> v) || !(std::abs(v) <= limit))
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
    return valueAt(cents, program, note);
}

double PitchCorrections::requestFor(int program, int note, double offsetCents) const {
    // The request that plays `note` from the sample of `note + step`, that key's own request
    // moved by whole cents, and whether the synth would then pick that sample.
    const auto through = [&](int step) {
        const int key = note + step;
        const double own = centsFor(program, key) +
                           std::round(offsetCents - 100.0 * step - valueAt(residual, program, key));
        return std::pair{100.0 * step + own, own >= -halfSemitone && own < halfSemitone};
    };
    const auto [request, ownSample] = through(0);
    if (ownSample)
        return request;
    // A reference half a semitone away: the neighbour's sample sounds, with its own correction.
    const auto [neighbour, fits] = through(request > 0 ? 1 : -1);
    return fits ? neighbour : request;
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
    appendLines(text, requestWord, corrections.cents);
    appendLines(text, residualWord, corrections.residual);
    text += std::string(checksumPrefix) + hashText(fnv1a(text)) + "\n";
    return text;
}

std::optional<PitchCorrections> parseCorrections(std::string_view text, std::uint64_t hash) {
    const auto lines = splitLines(text);
    constexpr std::size_t checksumLine = 2 + 2 * guitarProgramCount;
    if (lines.size() <= checksumLine)
        return std::nullopt;
    if (lines[0] != formatLine || lines[1] != "soundfont " + hashText(hash))
        return std::nullopt;
    const auto covered = static_cast<std::size_t>(lines[checksumLine].data() - text.data());
    if (lines[checksumLine] !=
        std::string(checksumPrefix) + hashText(fnv1a(text.substr(0, covered))))
        return std::nullopt;
    PitchCorrections corrections;
    for (int p = 0; p < guitarProgramCount; ++p) {
        const int program = firstGuitarProgram + p;
        if (!parseLine(lines[2 + p], requestWord, program, maxCorrectionCents,
                       corrections.cents[p]) ||
            !parseLine(lines[2 + guitarProgramCount + p], residualWord, program, maxResidualCents,
                       corrections.residual[p]))
            return std::nullopt;
    }
    for (std::size_t i = checksumLine + 1; i < lines.size(); ++i)
        if (!lines[i].empty())
            return std::nullopt;
    return corrections;
}

}  // namespace pitch
