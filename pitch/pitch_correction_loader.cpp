#include "pitch/pitch_correction_loader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "pitch/regular_file.h"

namespace pitch {
namespace {

// A cache file holds about 4.5 KB; anything much larger is not one.
constexpr std::size_t maxCacheBytes = 64 * 1024;

std::optional<PitchCorrections> readCache(const std::string& file, std::uint64_t hash) {
    const RegularFileRead read = readRegularFile(file, maxCacheBytes);
    if (!read.bytes)
        return std::nullopt;
    return parseCorrections(*read.bytes, hash);
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

bool writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// Written to a temporary file and renamed over the old one, so a crash or a second instance
// never leaves half a file; whatever stood in the file's place (a damaged cache, a FIFO, a
// link) is replaced. Why it could not be written, or empty.
std::string writeCache(const std::string& file, std::uint64_t hash,
                       const PitchCorrections& corrections) {
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::path(file).parent_path();
    std::filesystem::create_directories(dir, ec);
    if (ec)
        return ec.message();
    removeStaleTemporaries(dir);
    // An empty directory in the file's place would refuse the rename on every run; nothing of
    // ours is in it.
    if (std::filesystem::is_directory(std::filesystem::symlink_status(file, ec)))
        std::filesystem::remove(file, ec);
    const std::string temporary = file + std::string(temporaryMark) + std::to_string(::getpid());
    // Created anew, never through a link or a FIFO left under its name.
    ::unlink(temporary.c_str());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd == -1)
        return std::strerror(errno);
    const bool written = writeAll(fd, serializeCorrections(corrections, hash));
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        const int error = written ? errno : writeError;
        ::unlink(temporary.c_str());
        return std::strerror(error);
    }
    std::filesystem::rename(temporary, file, ec);
    if (ec) {
        ::unlink(temporary.c_str());
        return ec.message();
    }
    return {};
}

// An XDG base directory must be absolute; a relative one is ignored.
const char* absolutePath(const char* variable) {
    const char* value = std::getenv(variable);
    return value && value[0] == '/' ? value : nullptr;
}

void reportToStderr(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

std::string pitchCorrectionCacheDir() {
    if (const char* cache = absolutePath("XDG_CACHE_HOME"))
        return std::string(cache) + "/Tolmary";
    if (const char* home = absolutePath("HOME"))
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
    // A calibration that cannot be kept is made again at every start: say so, once, and why.
    const std::string why = file.empty() ? "ni domače mape (HOME ni nastavljen)"
                                         : writeCache(file, *hash, calibration->corrections);
    if (!why.empty()) {
        const std::string line = "tolmary: Izmerjenih popravkov višine ni mogoče shraniti" +
                                 (file.empty() ? std::string() : " v " + file) + ". (" + why +
                                 ") Ob vsakem zagonu bodo izmerjeni znova.";
        (lookup.report ? lookup.report : reportToStderr)(line);
    }
    return FoundCorrections{calibration->corrections, CorrectionSource::calibration};
}

struct PitchCorrectionLoader::State {
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    CorrectionSource source = CorrectionSource::none;
};

PitchCorrectionLoader::PitchCorrectionLoader(std::string soundFont, Deliver deliver,
                                             CorrectionLookup lookup)
    : state_(std::make_shared<State>()) {
    // The thread owns all it touches but what it delivers to, which it reaches only while the
    // loader waits for it: a loader given up on leaves it nothing to reach.
    thread_ = std::thread([state = state_, soundFont = std::move(soundFont),
                           deliver = std::move(deliver), lookup = std::move(lookup)] {
        const auto found = findCorrections(soundFont, lookup, &state->cancel);
        const std::lock_guard lock(state->mutex);
        if (found && !state->cancel.load()) {
            deliver(found->corrections);
            state->source = found->source;
        }
        state->done = true;
        state->finished.notify_all();
    });
}

PitchCorrectionLoader::~PitchCorrectionLoader() {
    std::unique_lock lock(state_->mutex);
    state_->cancel = true;
    // A calibration stops within a note's rendering; a read that hangs on a dead network share
    // does not, and closing the window never waits for it longer than this.
    const bool done = state_->finished.wait_for(lock, closeWait, [this] { return state_->done; });
    lock.unlock();
    if (!thread_.joinable())
        return;
    if (done)
        thread_.join();
    else
        thread_.detach();
}

CorrectionSource PitchCorrectionLoader::wait() {
    if (thread_.joinable())
        thread_.join();
    const std::lock_guard lock(state_->mutex);
    return state_->source;
}

}  // namespace pitch
