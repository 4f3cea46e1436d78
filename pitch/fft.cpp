#include "pitch/fft.h"

#include <cstddef>
#include <numbers>
#include <utility>

namespace pitch {
namespace {

using Complex = std::complex<double>;

constexpr double twoPi = 2.0 * std::numbers::pi;

}  // namespace

void fft(std::vector<Complex>& data) {
    const std::size_t n = data.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    std::vector<Complex> twiddle(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k)
        twiddle[k] = std::polar(1.0, -twoPi * static_cast<double>(k) / static_cast<double>(n));
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::size_t half = len / 2;
        const std::size_t stride = n / len;
        for (std::size_t start = 0; start < n; start += len) {
            for (std::size_t k = 0; k < half; ++k) {
                const Complex t = data[start + k + half] * twiddle[k * stride];
                data[start + k + half] = data[start + k] - t;
                data[start + k] += t;
            }
        }
    }
}

}  // namespace pitch
