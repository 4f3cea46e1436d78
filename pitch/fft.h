#pragma once
// The discrete Fourier transform of a power-of-two number of complex samples, in place (an
// iterative radix-2 FFT): the spectrum the pitch estimators read, and the convolutions of the
// listening tests' microphone model.

#include <complex>
#include <vector>

namespace pitch {

// data.size() must be a power of two. The inverse is conj(fft(conj(x))) / n.
void fft(std::vector<std::complex<double>>& data);

// The first n / 2 + 1 bins of the transform of `samples` zero-padded to n, a power of two of at
// least 2 and at least samples.size(): a real signal's, at half the cost.
std::vector<std::complex<double>> realFft(const std::vector<double>& samples, std::size_t n);

}  // namespace pitch
