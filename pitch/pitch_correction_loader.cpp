#include "pitch/pitch_correction_loader.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <signal.h>
#include <unistd.h>

namespace pitch {
namespace {

// A cache file holds about 2.4 KB; anything much larger is not one, and a file with no end
// (a link to /dev/zero) must not be read to its end.
constexpr std::streamsize maxCacheBytes = 64 * 1024;

std::optional<PitchCorrections> readCache(const std::string& file, std::uint64_t hash) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(maxCacheBytes) + 1, '\0');
    in.read(text.data(), maxCacheBytes + 1);
    if (in.gcount() > maxCacheBytes)
        return std::nullopt;
    text.resize(static_cast<std::size_t>(in.gcount()));
    return parseCorrections(text, hash);
}

constexpr std::string_view temporaryMark = ".tmp";

// Temporary cache files of processes that ended mid-write ("Izhod" ends the program at once).
// A live process's file may be a write in progress and is left alone.
void removeStaleTemporaries(const std::filesystem::path& dir) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        const auto mark = name.rfind(temporaryMark);
        if (!name.starts_with("pitch-") || mark == std::string::npos)
            continue;
        const std::string digits = name.substr(mark + temporaryMark.size());
        if (digits.empty() || digits.size() > 9 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const auto pid = static_cast<pid_t>(std::stol(digits));
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            std::filesystem::remove(entry.path(), ec);
    }
}

// Written to a temporary file and renamed over the old one, so a crash or a second instance
// never leaves half a file.
void writeCache(const std::string& file, std::uint64_t hash, const PitchCorrections& corrections) {
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::path(file).parent_path();
    std::filesystem::create_directories(dir, ec);
    removeStaleTemporaries(dir);
    // An empty directory in the file's place would refuse the rename on every run; nothing of
    // ours is in it.
    if (std::filesystem::is_directory(file, ec))
        std::filesystem::remove(file, ec);
    const std::string temporary = file + std::string(temporaryMark) + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return;
        out << serializeCorrections(corrections, hash);
        if (!out.flush()) {
            out.close();
            std::filesystem::remove(temporary, ec);
            return;
        }
    }
    std::filesystem::rename(temporary, file, ec);
    if (ec)
        std::filesystem::remove(temporary, ec);
}

}  // namespace

std::string pitchCorrectionCacheDir() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache)
        return std::string(cache) + "/Tolmary";
    const char* home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/.cache/Tolmary";
    return {};
}

std::string pitchCorrectionCacheFile(const std::string& cacheDir, std::uint64_t hash) {
    return cacheDir + "/pitch-" + hashText(hash) + ".txt";
}

std::optional<FoundCorrections> findCorrections(const std::string& soundFont,
                                                const CorrectionLookup& lookup,
                                                const std::atomic<bool>* cancel) {
    const auto hash = soundFontHash(soundFont, cancel);
    if (!hash)
        return std::nullopt;
    if (auto shipped = shippedCorrectionsFor(*hash, lookup.shipped))
        return FoundCorrections{*shipped, CorrectionSource::shipped};
    const std::string file =
        lookup.cacheDir.empty() ? std::string() : pitchCorrectionCacheFile(lookup.cacheDir, *hash);
    if (!file.empty()) {
        if (auto cached = readCache(file, *hash))
            return FoundCorrections{*cached, CorrectionSource::cache};
    }
    if (!lookup.calibrator)
        return std::nullopt;
    const auto calibration = lookup.calibrator(cancel);
    if (!calibration)
        return std::nullopt;
    if (!file.empty())
        writeCache(file, *hash, calibration->corrections);
    return FoundCorrections{calibration->corrections, CorrectionSource::calibration};
}

PitchCorrectionLoader::PitchCorrectionLoader(std::string soundFont, Deliver deliver,
                                             CorrectionLookup lookup) {
    // Started here, once every member the thread touches exists.
    thread_ = std::thread([this, soundFont = std::move(soundFont), deliver = std::move(deliver),
                           lookup = std::move(lookup)] {
        const auto found = findCorrections(soundFont, lookup, &cancel_);
        if (!found || cancel_.load())
            return;
        deliver(found->corrections);
        source_ = found->source;
    });
}

PitchCorrectionLoader::~PitchCorrectionLoader() {
    cancel_ = true;
    if (thread_.joinable())
        thread_.join();
}

CorrectionSource PitchCorrectionLoader::wait() {
    if (thread_.joinable())
        thread_.join();
    return source_;
}

}  // namespace pitch
