#pragma once
// Files the program reads as data (its settings, its caches, a SoundFont to hash): only regular
// files, opened without waiting and read no further than a limit. A FIFO in their place would
// hold an open() until a writer came, a link to /dev/zero a read until memory ran out, and a
// directory or a device is no data of ours; each is taken as a file that is not there.

#include <cstddef>
#include <optional>
#include <string>

namespace pitch {

// A descriptor open for reading on `path` (links followed) when it is a regular file; else -1
// with errno set (ENOENT where nothing is there, EINVAL for something that is no regular file).
int openRegularFile(const std::string& path);

struct RegularFileRead {
    // The file's bytes; none when there is no regular file of at most the limit.
    std::optional<std::string> bytes;
    // Why there are none: empty where nothing is there.
    std::string why;
};

RegularFileRead readRegularFile(const std::string& path, std::size_t maxBytes);

}  // namespace pitch
