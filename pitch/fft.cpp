#include "pitch/fft.h"

#include <cstddef>
#include <numbers>
#include <utility>

namespace pitch {
namespace {

using Complex = std::complex<double>;

constexpr double twoPi = 2.0 * std::numbers::pi;

// e^(-2 pi i k / n) for k < n / 2, for the largest n transformed so far on this thread: a
// smaller power of two reads every (largest / n)-th entry, the very same values. Computing
// them anew cost as much as a third of each transform.
const Complex* twiddles(std::size_t n, std::size_t& stride) {
    thread_local std::vector<Complex> table;
    thread_local std::size_t tableSize = 0;
    if (n > tableSize) {
        table.resize(n / 2);
        for (std::size_t k = 0; k < n / 2; ++k)
            table[k] = std::polar(1.0, -twoPi * static_cast<double>(k) / static_cast<double>(n));
        tableSize = n;
    }
    stride = tableSize / n;
    return table.data();
}

}  // namespace

void fft(std::vector<Complex>& data) {
    const std::size_t n = data.size();
    if (n < 2)
        return;
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    std::size_t baseStride = 1;
    const Complex* twiddle = twiddles(n, baseStride);
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::size_t half = len / 2;
        const std::size_t stride = baseStride * (n / len);
        for (std::size_t start = 0; start < n; start += len) {
            for (std::size_t k = 0; k < half; ++k) {
                const Complex t = data[start + k + half] * twiddle[k * stride];
                data[start + k + half] = data[start + k] - t;
                data[start + k] += t;
            }
        }
    }
}

std::vector<Complex> realFft(const std::vector<double>& samples, std::size_t n) {
    // The even samples as real parts and the odd ones as imaginary parts: one transform of half
    // the length, whose halves are then told apart by their symmetry.
    const std::size_t half = n / 2;
    std::vector<Complex> packed(half);
    for (std::size_t m = 0; m < half; ++m) {
        const double even = 2 * m < samples.size() ? samples[2 * m] : 0.0;
        const double odd = 2 * m + 1 < samples.size() ? samples[2 * m + 1] : 0.0;
        packed[m] = Complex(even, odd);
    }
    fft(packed);
    std::size_t stride = 1;
    const Complex* twiddle = twiddles(n, stride);
    std::vector<Complex> out(half + 1);
    out[0] = Complex(packed[0].real() + packed[0].imag(), 0.0);
    out[half] = Complex(packed[0].real() - packed[0].imag(), 0.0);
    for (std::size_t k = 1; k < half; ++k) {
        const Complex a = packed[k];
        const Complex b = std::conj(packed[half - k]);
        const Complex evens = 0.5 * (a + b);
        const Complex odds = Complex(0.0, -0.5) * (a - b);
        out[k] = evens + twiddle[k * stride] * odds;
    }
    return out;
}

}  // namespace pitch
