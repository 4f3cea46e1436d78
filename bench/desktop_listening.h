#pragma once
// What the listening measurements share: a guitar played into the sink, and the readings
// `tolmary --listen` wrote.

#include <ios>
#include <string>
#include <vector>

namespace bench {

struct Heard {
    std::string note;
    double hz = 0;
    double cents = 0;
};

// The readings `tolmary --listen` wrote to `file` from byte `from` on: whole lines only.
std::vector<Heard> readingsIn(const std::string& file, std::streamoff from);
std::streamoff sizeOf(const std::string& file);

// A guitar played slowly: the open strings of standard tuning plucked in turn, one every two
// seconds, stiff strings that fade as real ones do.
std::vector<float> guitarPlucks(double seconds);

}  // namespace bench
