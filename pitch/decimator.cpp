#include "pitch/decimator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pitch {
namespace {

// Attenuation where aliases would fold into the passband.
constexpr double stopbandDb = 80.0;

// Modified Bessel function of the first kind, order 0, by its power series.
double besselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; term > 1e-12 * sum; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// Kaiser's design rule: the window's shape and the filter's length for the attenuation and
// the transition from `passHz` to `stopHz`.
std::vector<double> lowPass(double rate, double passHz, double stopHz) {
    const double beta = 0.1102 * (stopbandDb - 8.7);
    const double transition = 2.0 * std::numbers::pi * (stopHz - passHz) / rate;
    const auto half =
        static_cast<std::size_t>(std::ceil((stopbandDb - 7.95) / (2.285 * transition) / 2.0));
    const double cutoff = (passHz + stopHz) / rate;  // twice the cutoff over the rate
    std::vector<double> taps(2 * half + 1);
    double sum = 0.0;
    for (std::size_t i = 0; i < taps.size(); ++i) {
        const double offset = static_cast<double>(i) - static_cast<double>(half);
        const double x = std::numbers::pi * cutoff * offset;
        const double sinc = offset == 0.0 ? 1.0 : std::sin(x) / x;
        const double r = offset / static_cast<double>(half);
        taps[i] = cutoff * sinc * besselI0(beta * std::sqrt(1.0 - r * r)) / besselI0(beta);
        sum += taps[i];
    }
    // Unit gain at DC, so levels keep their meaning.
    for (double& t : taps)
        t /= sum;
    return taps;
}

}  // namespace

Decimator::Decimator(double inputRate, double minOutputRate, double passbandHz)
    : factor_(inputRate >= 2 * minOutputRate
                  ? static_cast<int>(std::min(inputRate / minOutputRate, 1e6))
                  : 1),
      outputRate_(inputRate / factor_) {
    if (factor_ > 1)
        taps_ = lowPass(inputRate, passbandHz, outputRate_ - passbandHz);
    reset();
}

void Decimator::push(std::span<const float> in, std::vector<float>& out) {
    if (factor_ == 1) {
        out.insert(out.end(), in.begin(), in.end());
        return;
    }
    buffer_.insert(buffer_.end(), in.begin(), in.end());
    const std::size_t length = taps_.size();
    std::size_t newest = next_;
    for (; newest < buffer_.size(); newest += static_cast<std::size_t>(factor_)) {
        const float* x = buffer_.data() + newest + 1 - length;
        double sum = 0.0;
        for (std::size_t j = 0; j < length; ++j)
            sum += taps_[j] * x[j];
        out.push_back(static_cast<float>(sum));
    }
    const std::size_t drop = buffer_.size() - (length - 1);
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop));
    next_ = newest - drop;
}

void Decimator::reset() {
    // The stream starts after silence.
    buffer_.assign(taps_.empty() ? 0 : taps_.size() - 1, 0.0f);
    next_ = buffer_.size();
}

}  // namespace pitch
