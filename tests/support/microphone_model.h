#pragma once
// How a microphone in a room delivers a guitar, for the listening tuner's tests and benchmark:
// a small capsule's filters (a high-pass that takes the low strings' fundamentals, a low-pass),
// the room's reverb, its noise (pink, as rooms and fans are), mains hum with its harmonics,
// and the level. Every effect is seeded, so the same call gives the same sound.

#include <string>
#include <vector>

namespace testing {

struct Microphone {
    std::string name;
    // Third-order Butterworth high-pass corner; 0 for none.
    double highPassHz = 0.0;
    // Second-order Butterworth low-pass corner; 0 for none.
    double lowPassHz = 0.0;
    // Reverberation time (to -60 dB) of the room and the reverb's level relative to the direct
    // sound, in dB; 0 s for none.
    double roomSeconds = 0.0;
    double reverbDb = -10.0;
    // Level change of the guitar, in dB.
    double gainDb = 0.0;
    // RMS of the room's pink noise and of the hum, in dBFS; below -150 for none.
    double noiseDbfs = -200.0;
    double humDbfs = -200.0;
    // Mains frequency of the hum.
    double humHz = 50.0;
};

// The microphones the listening tuner is measured with: a laptop's (fundamentals of the low
// strings 15 dB down, a small room, faint noise and hum) and a phone's across the room (the
// high-pass at 250 Hz, the guitar 20 dB quieter, a noisier room).
Microphone laptopMicrophone();
Microphone phoneAcrossTheRoom();

// The microphones a set of takes is heard through, taken in turn from take to take.
struct MicrophoneSet {
    const char* name;
    std::vector<Microphone> microphones;
};

// "clean" (as recorded), "laptop" (three laptops: high-passes from 120 to 180 Hz, 50 and 60 Hz
// hum, small rooms) and "phone" (three phones across rooms: high-passes at 220 to 250 Hz, the
// guitar 20 to 24 dB down, noise at -35 to -40 dBFS, rooms of 0.5 to 0.7 s).
std::vector<MicrophoneSet> microphoneSets();

// `clean` (a guitar recorded close, at `rate`) as `microphone` delivers it.
std::vector<float> throughMicrophone(const std::vector<float>& clean, double rate,
                                     const Microphone& microphone, unsigned seed = 1);

// Pink noise (level falling 3 dB an octave above 20 Hz) of the given RMS.
std::vector<float> pinkNoise(std::size_t count, double rate, double rms, unsigned seed);

// Mains hum: `hz` and its harmonics up to the 8th, odd ones strongest, as a transformer's
// field sounds, of the given RMS.
std::vector<float> mainsHum(std::size_t count, double rate, double hz, double rms);

}  // namespace testing
