#pragma once
// The desktop bench's table: one row per figure, its measurement and its goal.

#include <string>

#include "bench/desktop_session.h"

namespace bench {

void row(const std::string& what, const std::string& figure, const std::string& goal);
// printf's `pattern` with up to three numbers.
std::string format(const char* pattern, double a, double b = 0, double c = 0);
// Median / p95 in ms and the count, or "not heard".
std::string spreadText(const Spread& s);

}  // namespace bench
