#pragma once
// Mono 16-bit PCM WAV files: the committed guitar excerpts the listening tests read, and the
// audio the benchmark hands to a peer pitch tracker.

#include <optional>
#include <string>
#include <vector>

namespace testing {

struct Recording {
    std::vector<float> samples;
    double rate = 0.0;
};

// None when the file is missing or is not mono 16-bit PCM.
std::optional<Recording> readWav(const std::string& path);

// Samples beyond full scale are clipped. False when the file cannot be written.
bool writeWav(const std::string& path, const Recording& recording);

}  // namespace testing
