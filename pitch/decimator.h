#pragma once
// Lowers the sample rate of a stream by a whole factor, so that the live estimator transforms
// a quarter of the samples (48 kHz becomes 12 kHz, 44.1 kHz 11.025 kHz) while the partials it
// reads, up to the 8th of the highest note, stay in the passband. The low-pass filter is a
// linear-phase FIR (a Kaiser-windowed sinc, 80 dB down where aliases would fold into the
// passband): it delays every frequency alike, so no partial's frequency moves.

#include <cstddef>
#include <span>
#include <vector>

namespace pitch {

class Decimator {
public:
    // The largest factor that keeps the output rate at least `minOutputRate`; 1 (samples pass
    // unchanged) when the input rate is below twice that.
    Decimator(double inputRate, double minOutputRate, double passbandHz);

    int factor() const { return factor_; }
    // How many input samples either side of its own an output sample depends on.
    std::size_t reach() const { return taps_.size() / 2; }
    double outputRate() const { return outputRate_; }

    // Appends to `out` the output samples that `in` completes. Output sample j is the filtered
    // signal at input sample j * factor().
    void push(std::span<const float> in, std::vector<float>& out);

    void reset();

private:
    int factor_;
    double outputRate_;
    std::vector<double> taps_;
    // The last taps_.size() - 1 input samples, then those not yet filtered.
    std::vector<float> buffer_;
    // Index in buffer_ of the newest input sample of the next output sample.
    std::size_t next_ = 0;
};

}  // namespace pitch
