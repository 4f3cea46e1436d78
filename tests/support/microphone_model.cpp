#include "tests/support/microphone_model.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "pitch/fft.h"
#include "tests/support/synthetic_notes.h"

namespace testing {
namespace {

constexpr double pi = std::numbers::pi;

double fromDb(double db) {
    return std::pow(10.0, db / 20.0);
}

void scaleTo(std::vector<float>& signal, double target) {
    const double now = rms(signal);
    if (now > 0.0)
        for (float& s : signal)
            s = static_cast<float>(s * target / now);
}

// A biquad section (direct form I) from its normalised coefficients.
struct Biquad {
    double b0, b1, b2, a1, a2;

    void apply(std::vector<float>& signal) const {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (float& s : signal) {
            const double x = s;
            const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            s = static_cast<float>(y);
        }
    }
};

// Second-order sections by the bilinear transform with prewarping (the usual cookbook forms).
Biquad secondOrder(double hz, double rate, double q, bool highPass) {
    const double w = 2.0 * pi * hz / rate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    const double a0 = 1.0 + alpha;
    const double b1 = highPass ? -(1.0 + c) : 1.0 - c;
    const double b0 = highPass ? (1.0 + c) / 2.0 : (1.0 - c) / 2.0;
    return {b0 / a0, b1 / a0, b0 / a0, -2.0 * c / a0, (1.0 - alpha) / a0};
}

Biquad firstOrderHighPass(double hz, double rate) {
    const double k = std::tan(pi * hz / rate);
    const double a0 = 1.0 + k;
    return {1.0 / a0, -1.0 / a0, 0.0, (k - 1.0) / a0, 0.0};
}

// A room's impulse response: the direct sound, then a dense tail of noise decaying by 60 dB in
// `seconds`, arriving after 5 ms, at `reverbDb` of the direct sound's energy.
std::vector<double> roomResponse(double rate, double seconds, double reverbDb, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const auto length = static_cast<std::size_t>(seconds * rate);
    const auto delay = static_cast<std::size_t>(0.005 * rate);
    std::vector<double> response(length + delay, 0.0);
    double energy = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / rate;
        response[delay + i] = noise(random) * std::pow(10.0, -3.0 * t / seconds);
        energy += response[delay + i] * response[delay + i];
    }
    const double scale = fromDb(reverbDb) / std::sqrt(energy);
    for (double& r : response)
        r *= scale;
    response[0] = 1.0;
    return response;
}

std::vector<float> convolve(const std::vector<float>& signal, const std::vector<double>& response) {
    std::size_t size = 1;
    while (size < signal.size() + response.size())
        size <<= 1;
    std::vector<std::complex<double>> a(size), b(size);
    std::copy(signal.begin(), signal.end(), a.begin());
    std::copy(response.begin(), response.end(), b.begin());
    pitch::fft(a);
    pitch::fft(b);
    for (std::size_t i = 0; i < size; ++i)
        a[i] = std::conj(a[i] * b[i]);
    pitch::fft(a);
    std::vector<float> out(signal.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<float>(a[i].real() / static_cast<double>(size));
    return out;
}

}  // namespace

Microphone laptopMicrophone() {
    return {.name = "laptop",
            .highPassHz = 150.0,
            .lowPassHz = 7000.0,
            .roomSeconds = 0.35,
            .reverbDb = -8.0,
            .gainDb = 0.0,
            .noiseDbfs = -45.0,
            .humDbfs = -55.0,
            .humHz = 50.0};
}

Microphone phoneAcrossTheRoom() {
    return {.name = "phone",
            .highPassHz = 250.0,
            .lowPassHz = 7000.0,
            .roomSeconds = 0.5,
            .reverbDb = -2.0,
            .gainDb = -20.0,
            .noiseDbfs = -35.0,
            .humDbfs = -200.0,
            .humHz = 60.0};
}

std::vector<float> pinkNoise(std::size_t count, double rate, double level, unsigned seed) {
    // Shaped in the frequency domain: random phases, power falling as 1/f above 20 Hz.
    std::size_t size = 1;
    while (size < count)
        size <<= 1;
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<std::complex<double>> spectrum(size);
    for (std::size_t k = 1; k < size / 2; ++k) {
        const double hz = static_cast<double>(k) * rate / static_cast<double>(size);
        if (hz < 20.0)
            continue;
        spectrum[k] = std::complex<double>(gauss(random), gauss(random)) / std::sqrt(hz);
        spectrum[size - k] = std::conj(spectrum[k]);
    }
    pitch::fft(spectrum);
    std::vector<float> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<float>(spectrum[i].real());
    scaleTo(out, level);
    return out;
}

std::vector<float> mainsHum(std::size_t count, double rate, double hz, double level) {
    std::vector<float> out(count);
    for (int k = 1; k <= 8 && k * hz < 0.45 * rate; ++k) {
        const double amplitude = (k % 2 ? 1.0 : 0.4) / k;
        for (std::size_t i = 0; i < count; ++i)
            out[i] += static_cast<float>(
                amplitude * std::sin(2.0 * pi * k * hz * static_cast<double>(i) / rate + k));
    }
    scaleTo(out, level);
    return out;
}

// The capsule's filters, which the guitar and the room's noise pass alike.
void filter(std::vector<float>& signal, double rate, const Microphone& microphone) {
    if (microphone.highPassHz > 0.0) {
        // Third-order Butterworth: a first-order section and a second-order one with Q 1.
        firstOrderHighPass(microphone.highPassHz, rate).apply(signal);
        secondOrder(microphone.highPassHz, rate, 1.0, true).apply(signal);
    }
    if (microphone.lowPassHz > 0.0 && microphone.lowPassHz < 0.45 * rate)
        secondOrder(microphone.lowPassHz, rate, std::sqrt(0.5), false).apply(signal);
}

std::vector<float> throughMicrophone(const std::vector<float>& clean, double rate,
                                     const Microphone& microphone, unsigned seed) {
    std::vector<float> out = clean;
    if (microphone.roomSeconds > 0.0)
        out = convolve(out, roomResponse(rate, microphone.roomSeconds, microphone.reverbDb, seed));
    filter(out, rate, microphone);
    const double gain = fromDb(microphone.gainDb);
    for (float& s : out)
        s = static_cast<float>(s * gain);
    // The room's noise is heard through the same filters, at its level as delivered; the hum
    // comes in on the wire after them.
    if (microphone.noiseDbfs > -150.0) {
        auto noise = pinkNoise(out.size(), rate, 1.0, seed + 1);
        filter(noise, rate, microphone);
        scaleTo(noise, fromDb(microphone.noiseDbfs));
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] += noise[i];
    }
    if (microphone.humDbfs > -150.0) {
        const auto hum = mainsHum(out.size(), rate, microphone.humHz, fromDb(microphone.humDbfs));
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] += hum[i];
    }
    return out;
}

std::vector<MicrophoneSet> microphoneSets() {
    Microphone laptop2 = laptopMicrophone();
    laptop2.highPassHz = 120.0;
    laptop2.humHz = 60.0;
    laptop2.roomSeconds = 0.25;
    Microphone laptop3 = laptopMicrophone();
    laptop3.highPassHz = 180.0;
    laptop3.noiseDbfs = -42.0;
    laptop3.humDbfs = -50.0;
    Microphone phone2 = phoneAcrossTheRoom();
    phone2.highPassHz = 220.0;
    phone2.gainDb = -24.0;
    phone2.noiseDbfs = -40.0;
    phone2.roomSeconds = 0.7;
    Microphone phone3 = phoneAcrossTheRoom();
    phone3.humDbfs = -60.0;
    phone3.humHz = 50.0;
    return {{"clean", {Microphone{.name = "clean"}}},
            {"laptop", {laptopMicrophone(), laptop2, laptop3}},
            {"phone", {phoneAcrossTheRoom(), phone2, phone3}}};
}

}  // namespace testing
