#include "pitch/regular_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pitch {

int openRegularFile(const std::string& path) {
    // Non-blocking, so that a FIFO without a writer does not hold the open; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd == -1)
        return -1;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    // Reads of a regular file never wait anyway; the descriptor reads as usual.
    ::fcntl(fd, F_SETFL, O_RDONLY);
    return fd;
}

RegularFileRead readRegularFile(const std::string& path, std::size_t maxBytes) {
    RegularFileRead result;
    const int fd = openRegularFile(path);
    if (fd == -1) {
        if (errno == EINVAL)
            result.why = "not a regular file";
        else if (errno != ENOENT)
            result.why = std::strerror(errno);
        return result;
    }
    // One byte beyond the limit tells a file that is too large, whatever its size says.
    std::string bytes(maxBytes + 1, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n < 0)
                result.why = std::strerror(errno);
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (!result.why.empty())
        return result;
    if (got > maxBytes) {
        result.why = "larger than " + std::to_string(maxBytes) + " bytes";
        return result;
    }
    bytes.resize(got);
    result.bytes = std::move(bytes);
    return result;
}

}  // namespace pitch
