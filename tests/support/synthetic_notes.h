#pragma once
// Synthetic notes whose fundamental is known exactly, for the pitch estimators' tests and
// benchmark: sums of exponentially decaying sinusoids, stiff plucked strings, white noise.

#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <random>
#include <vector>

namespace testing {

inline constexpr double twoPi = 2.0 * std::numbers::pi;

// decaySeconds is the time constant of the exponential decay; 0 holds the level.
struct Sinusoid {
    double hz, amplitude, decaySeconds, phase;
};

// Each sinusoid by a rotating phasor, restarted exactly every 1024 samples so that rounding
// cannot accumulate: as exact as sin() per sample, and many times faster.
inline std::vector<float> render(const std::vector<Sinusoid>& sinusoids, double seconds,
                                 double rate) {
    std::vector<float> out(static_cast<std::size_t>(seconds * rate));
    constexpr std::size_t restart = 1024;
    for (const Sinusoid& s : sinusoids) {
        const double perSample = s.decaySeconds > 0 ? std::exp(-1.0 / (s.decaySeconds * rate)) : 1;
        const std::complex<double> step = std::polar(perSample, twoPi * s.hz / rate);
        std::complex<double> z;
        for (std::size_t i = 0; i < out.size(); ++i) {
            if (i % restart == 0) {
                const double t = static_cast<double>(i) / rate;
                const double envelope = s.decaySeconds > 0 ? std::exp(-t / s.decaySeconds) : 1.0;
                z = std::polar(s.amplitude * envelope, twoPi * s.hz * t + s.phase);
            }
            out[i] += static_cast<float>(z.imag());
            z *= step;
        }
    }
    return out;
}

// A plucked string: partial k at k * f0 * sqrt(1 + B k^2) (stiffness B stretches the upper
// partials), amplitudes of a string plucked near the bridge, higher partials dying sooner,
// random phases. The fundamental partial sounds at f0 * sqrt(1 + B).
inline std::vector<Sinusoid> pluckedString(double f0, double stiffness, double decaySeconds,
                                           double rate, unsigned seed = 7) {
    std::vector<Sinusoid> partials;
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> phase(0.0, twoPi);
    constexpr double pluckPosition = 0.18;
    for (int k = 1;; ++k) {
        const double hz = k * f0 * std::sqrt(1.0 + stiffness * k * k);
        if (hz > 0.45 * rate || k > 60)
            break;
        const double amplitude = std::abs(std::sin(k * std::numbers::pi * pluckPosition)) / (k * k);
        partials.push_back(
            {hz, 0.5 * amplitude, decaySeconds / (1.0 + 0.25 * (k - 1)), phase(random)});
    }
    return partials;
}

inline void addNoise(std::vector<float>& signal, double rms, unsigned seed = 11) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, rms);
    for (float& s : signal)
        s += static_cast<float>(noise(random));
}

inline double rms(const std::vector<float>& signal) {
    double sum = 0.0;
    for (float s : signal)
        sum += double{s} * s;
    return signal.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(signal.size()));
}

}  // namespace testing
