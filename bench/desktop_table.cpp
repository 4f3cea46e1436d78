#include "bench/desktop_table.h"

#include <algorithm>
#include <cstdio>

namespace bench {
namespace {

// `text` padded to `width` characters as a terminal shows them (a UTF-8 letter such as "č"
// is two bytes but one character).
std::string padded(const std::string& text, std::size_t width) {
    const auto shown = static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
    return text + std::string(width > shown ? width - shown : 0, ' ');
}

}  // namespace

void row(const std::string& what, const std::string& figure, const std::string& goal) {
    std::printf("  %s %s %s\n", padded(what, 56).c_str(), padded(figure, 28).c_str(), goal.c_str());
}

std::string format(const char* pattern, double a, double b, double c) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

std::string spreadText(const Spread& s) {
    if (s.count == 0)
        return "not heard";
    return format("%.1f / %.1f ms", s.median, s.p95) + " (n=" + std::to_string(s.count) + ")";
}

}  // namespace bench
