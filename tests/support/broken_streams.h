#pragma once
// Streams that break within a tone, as a sound server, a network stream or a recording that
// lost data delivers them: stretches of samples cut out (the tone goes on at another phase),
// holes of low noise in place of lost samples, and holes of low noise where data came late (the
// tone goes on after them where it left off, so at another phase). For the discontinuity detector's
// tests, the live estimator's and the listening tuner's end to end.

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "tests/support/synthetic_notes.h"

namespace testing {

enum class BreakKind { cutOut, noiseHole, lateNoise };

// Where a break lies in the broken stream: the tone is whole again from `clean` on.
struct Break {
    std::size_t at;
    std::size_t clean;
};

struct BrokenStream {
    std::vector<float> samples;
    std::vector<Break> breaks;
};

// The low noise a hole is filled with: -60 dBFS.
inline constexpr double holeNoiseRms = 1e-3;

// `tone` with a break of each length of `milliseconds` in turn, the first `firstSeconds` into
// it and one every `everySeconds` of the tone after.
inline BrokenStream withBreaks(const std::vector<float>& tone, double rate, BreakKind kind,
                               const std::vector<double>& milliseconds, double firstSeconds,
                               double everySeconds, unsigned seed = 5) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, holeNoiseRms);
    BrokenStream out;
    auto next = static_cast<std::size_t>(firstSeconds * rate);
    std::size_t made = 0;
    for (std::size_t i = 0; i < tone.size();) {
        const std::size_t length =
            milliseconds.empty() ? 0
                                 : static_cast<std::size_t>(
                                       milliseconds[made % milliseconds.size()] * rate / 1000.0);
        // A break is followed by a tenth of a second of the tone at least.
        if (i != next || length == 0 ||
            i + length + static_cast<std::size_t>(0.1 * rate) > tone.size()) {
            out.samples.push_back(tone[i++]);
            continue;
        }
        ++made;
        const std::size_t at = out.samples.size();
        // A cut-out and a hole lose the samples; a hole keeps the time they took.
        if (kind != BreakKind::lateNoise)
            i += length;
        if (kind != BreakKind::cutOut)
            for (std::size_t k = 0; k < length; ++k)
                out.samples.push_back(static_cast<float>(noise(random)));
        out.breaks.push_back({at, out.samples.size()});
        next += static_cast<std::size_t>(everySeconds * rate);
    }
    return out;
}

// What the listening tuner is measured with: the six open strings of standard tuning, each a
// little off (E2 +3.0, A2 -7.0, D3 +1.5, G3 -2.5, B3 +4.0, E4 -1.0 cents) and plucked after
// half a second of silence, sounding 3.5 s with a break 0.6 s after the pluck and one every
// 0.45 s after that, of 1, 2, 3, 5, 7, 10, 13, 16 and 20 ms in turn. The true fundamental
// partial of each string is in `truthHz`.
struct SixStrings {
    BrokenStream stream;
    std::vector<double> truthHz;
};

inline SixStrings sixStringsWithBreaks(double rate, BreakKind kind, bool broken = true) {
    constexpr int notes[] = {40, 45, 50, 55, 59, 64};
    constexpr double cents[] = {3.0, -7.0, 1.5, -2.5, 4.0, -1.0};
    constexpr double stiffness = 2e-4;
    const std::vector<double> lengths = {1, 2, 3, 5, 7, 10, 13, 16, 20};
    SixStrings six;
    for (int i = 0; i < 6; ++i) {
        const double f0 = 440.0 * std::pow(2.0, (notes[i] + cents[i] / 100.0 - 69) / 12.0);
        six.truthHz.push_back(f0 * std::sqrt(1.0 + stiffness));
        six.stream.samples.insert(six.stream.samples.end(), static_cast<std::size_t>(0.5 * rate),
                                  0.0f);
        const auto tone = render(pluckedString(f0, stiffness, 3.0, rate), 3.5, rate);
        const std::vector<double> none;
        // Each string's breaks go on through the lengths where the string before left off.
        std::vector<double> turn(lengths.begin() + (i * 7) % 9, lengths.end());
        turn.insert(turn.end(), lengths.begin(), lengths.begin() + (i * 7) % 9);
        const BrokenStream part =
            withBreaks(tone, rate, kind, broken ? turn : none, 0.6, 0.45, 5 + i);
        for (const Break& b : part.breaks)
            six.stream.breaks.push_back(
                {b.at + six.stream.samples.size(), b.clean + six.stream.samples.size()});
        six.stream.samples.insert(six.stream.samples.end(), part.samples.begin(),
                                  part.samples.end());
    }
    six.stream.samples.insert(six.stream.samples.end(), static_cast<std::size_t>(0.5 * rate), 0.0f);
    return six;
}

}  // namespace testing
