// The live estimator as the listening tuner uses it, fed 10 ms chunks at 48 kHz: accuracy on
// synthetic strings with a known fundamental and on the SoundFont's recorded guitar samples
// rendered at known detunings, the response to a pluck, the spread of the readings, whether a
// tenth of a cent shows, and the processor time it takes.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "midi/offline_synth.h"
#include "midi/soundfonts.h"
#include "pitch/live_estimator.h"
#include "pitch/pitch_estimator.h"
#include "tests/support/listening.h"
#include "tests/support/synthetic_notes.h"
#include "tuner/catalogue.h"

namespace {

using pitch::centsBetween;
using pitch::noteFrequencyHz;
using pitch::Reading;
using testing::Sinusoid;

constexpr double rate = 48000.0;
constexpr double chunkSeconds = 0.010;
// Silence before each tone, so that its onset is heard.
constexpr double leadSeconds = 0.3;
constexpr double toneSeconds = 3.0;
// Off by more than this, a reading is a wrong note, not an inexact one.
constexpr double wrongCents = 50.0;
// A recorded attack whose pitch has not settled yet reads this far from the whole note.
constexpr double unsettledCents = 2.0;

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

std::vector<Reading> listen(const std::vector<float>& signal, double sampleRate,
                            double* cpu = nullptr) {
    pitch::LiveEstimator estimator(sampleRate);
    const double start = cpuSeconds();
    auto readings = testing::pushInChunks(estimator, signal,
                                          static_cast<std::size_t>(chunkSeconds * sampleRate));
    if (cpu)
        *cpu += cpuSeconds() - start;
    return readings;
}

struct Stats {
    double max = 0.0, sum = 0.0;
    int count = 0;
    void add(double v) {
        max = std::max(max, v);
        sum += v;
        ++count;
    }
    double mean() const { return count ? sum / count : 0.0; }
};

double standardDeviation(const std::vector<double>& values) {
    if (values.size() < 2)
        return 0.0;
    double mean = 0.0;
    for (double v : values)
        mean += v;
    mean /= static_cast<double>(values.size());
    double sum = 0.0;
    for (double v : values)
        sum += (v - mean) * (v - mean);
    return std::sqrt(sum / static_cast<double>(values.size() - 1));
}

double meanOf(const std::vector<Reading>& readings, double referenceHz) {
    double sum = 0.0;
    for (const Reading& r : readings)
        sum += centsBetween(r.hz, referenceHz);
    return readings.empty() ? std::nan("") : sum / static_cast<double>(readings.size());
}

struct Range {
    const char* name;
    int low, high;
};
constexpr Range ranges[] = {{"35-45", 35, 45}, {"46-57", 46, 57}, {"58-69", 58, 69}};

const Range& rangeOf(int note) {
    return *std::ranges::find_if(
        ranges, [&](const Range& r) { return note <= r.high; });
}

// A synthetic tone: what sounds and the fundamental partial it has.
struct Tone {
    std::vector<float> signal;
    double trueHz;
};

enum class Kind { sine, series, plucked, noisy };
constexpr struct {
    Kind kind;
    const char* name;
} kinds[] = {{Kind::sine, "steady sine"},
             {Kind::series, "steady stiff series"},
             {Kind::plucked, "plucked stiff string"},
             {Kind::noisy, "plucked, noise -30 dB"}};

// Note `note` detuned by up to 40 cents, stiffness from 1e-4 to 5e-4 and a decay time from 1 to
// 3 s, all drawn from the note so every run is the same.
Tone makeTone(Kind kind, int note) {
    std::mt19937 random(static_cast<unsigned>(note));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double f0 = noteFrequencyHz(note + 0.8 * (unit(random) - 0.5));
    const double stiffness = 1e-4 + 4e-4 * unit(random);
    const double decay = 1.0 + 2.0 * unit(random);
    std::vector<Sinusoid> partials;
    double trueHz = f0 * std::sqrt(1.0 + stiffness);
    switch (kind) {
        case Kind::sine:
            partials = {{f0, 0.3, 0.0, unit(random)}};
            trueHz = f0;
            break;
        case Kind::series:
            for (int k = 1; k <= 12; ++k)
                partials.push_back({k * f0 * std::sqrt(1.0 + stiffness * k * k), 0.3 / k, 0.0,
                                    6.0 * unit(random)});
            break;
        case Kind::plucked:
        case Kind::noisy:
            partials = testing::pluckedString(f0, stiffness, decay, rate, note);
            break;
    }
    std::vector<float> signal(static_cast<std::size_t>(leadSeconds * rate), 0.0f);
    const auto tone = testing::render(partials, toneSeconds, rate);
    signal.insert(signal.end(), tone.begin(), tone.end());
    if (kind == Kind::noisy) {
        const std::vector<float> firstSecond(tone.begin(), tone.begin() + static_cast<long>(rate));
        testing::addNoise(signal, testing::rms(firstSecond) * std::pow(10.0, -30.0 / 20.0), note);
    }
    return {signal, trueHz};
}

struct KindFigures {
    std::map<std::string, Stats> errors;  // by range
    std::map<std::string, int> wrong;     // by range
    Stats firstMs;
    Stats readSeconds;
    double minPerSecond = 1e9;
    double maxSpread = 0.0;
};

void accuracyTable() {
    std::printf("\nSynthetic strings, notes 35 to 69 each detuned by up to 40 cents\n");
    std::printf("%-22s | %-5s | %8s | %9s | %5s\n", "signal", "notes", "max cent", "mean cent",
                "wrong");
    std::vector<std::pair<const char*, KindFigures>> figures;
    for (const auto& k : kinds) {
        KindFigures f;
        for (int note = 35; note <= 69; ++note) {
            const Tone tone = makeTone(k.kind, note);
            const auto readings = listen(tone.signal, rate);
            const char* range = rangeOf(note).name;
            std::vector<double> cents;
            for (const Reading& r : readings) {
                const double error = centsBetween(r.hz, tone.trueHz);
                f.wrong[range] += std::abs(error) > wrongCents;
                f.errors[range].add(std::abs(error));
                cents.push_back(error);
            }
            if (readings.size() < 2) {
                f.firstMs.add(1e9);
                f.minPerSecond = 0;
                continue;
            }
            f.firstMs.add(1000.0 *
                          (static_cast<double>(readings.front().atSample) / rate - leadSeconds));
            const double span =
                static_cast<double>(readings.back().atSample - readings.front().atSample) / rate;
            f.readSeconds.add(span);
            f.minPerSecond =
                std::min(f.minPerSecond, static_cast<double>(readings.size() - 1) / span);
            f.maxSpread = std::max(f.maxSpread, standardDeviation(cents));
        }
        for (const Range& r : ranges) {
            const Stats& s = f.errors[r.name];
            std::printf("%-22s | %-5s | %8.3f | %9.4f | %5d\n", k.name, r.name, s.max, s.mean(),
                        f.wrong[r.name]);
        }
        figures.emplace_back(k.name, f);
    }
    std::printf("\nResponse and spread (per tone, over notes 35 to 69)\n");
    std::printf("%-22s | %12s | %13s | %14s | %11s | %11s\n", "signal", "first max ms",
                "first mean ms", "min readings/s", "max SD cent", "read mean s");
    for (const auto& [name, f] : figures)
        std::printf("%-22s | %12.0f | %13.0f | %14.1f | %11.4f | %11.2f\n", name, f.firstMs.max,
                    f.firstMs.mean(), f.minPerSecond, f.maxSpread, f.readSeconds.mean());
}

// A steady stiff series that moves by a tenth of a cent halfway, phase continuous: the mean of
// the readings after must move by as much.
void tenthOfACent() {
    std::printf("\nA steady series moved by +0.100 cent after 1.5 s: mean reading moves by\n");
    constexpr double stepSeconds = 1.5;
    const double ratio = std::pow(2.0, 0.1 / 1200.0);
    for (int note : {40, 52, 64}) {
        const double f0 = noteFrequencyHz(note);
        std::vector<Sinusoid> before, after;
        for (int k = 1; k <= 12; ++k) {
            const double hz = k * f0 * std::sqrt(1.0 + 2e-4 * k * k);
            before.push_back({hz, 0.3 / k, 0.0, 0.5 * k});
            after.push_back(
                {hz * ratio, 0.3 / k, 0.0, 0.5 * k + testing::twoPi * hz * stepSeconds});
        }
        auto signal = testing::render(before, stepSeconds, rate);
        const auto rest = testing::render(after, stepSeconds, rate);
        signal.insert(signal.end(), rest.begin(), rest.end());
        std::vector<Reading> early, late;
        for (const Reading& r : listen(signal, rate)) {
            const double t = static_cast<double>(r.atSample) / rate;
            if (t <= stepSeconds)
                early.push_back(r);
            else if (t > stepSeconds + 0.4)  // the whole window after the step
                late.push_back(r);
        }
        std::printf("  note %d: %+.3f cent\n", note, meanOf(late, f0) - meanOf(early, f0));
    }
}

// The distinct notes of the catalogue's tunings that the estimator reads.
std::vector<int> tuningNotes() {
    std::set<int> notes;
    for (const auto& row : tuner::tuningRows)
        for (int note : row.notes)
            if (note >= 35 && note <= 69)
                notes.insert(note);
    return {notes.begin(), notes.end()};
}

// Each guitar program at each note rendered as is and moved by whole cents through the synth's
// key tuning (exact: the synth drops the same fraction from both). The shift between the two
// renderings, read by the live estimator (mean of its readings) and the one-shot estimator.
void soundFontShifts() {
    const midi::SoundFontChoice font = midi::installedSoundFont();
    std::string error;
    auto synth = midi::OfflineSynth::create(font.path, font.gain, error);
    if (!synth) {
        std::printf("\nNo SoundFont: %s\n", error.c_str());
        return;
    }
    const double sampleRate = synth->sampleRate();
    constexpr int shifts[] = {3, -5, 8, -2, 1};
    std::map<std::string, Stats> live, oneShot, agreement;
    int unread = 0, count = 0, wrong = 0, unsettled = 0, readingCount = 0;
    const auto notes = tuningNotes();
    for (int program = pitch::firstGuitarProgram; program <= pitch::lastGuitarProgram; ++program) {
        for (int note : notes) {
            const int shift = shifts[count++ % std::size(shifts)];
            const double nominal = noteFrequencyHz(note);
            double liveCents[2], oneShotCents[2];
            bool ok = true;
            for (int moved = 0; moved < 2; ++moved) {
                pitch::PitchCorrections corrections;
                corrections
                    .cents[program - pitch::firstGuitarProgram][note - pitch::firstCalibratedNote] =
                    moved ? shift : 0;
                synth->setCorrections(corrections);
                const auto sound = synth->play(program, note, 2.5);
                std::vector<float> signal(static_cast<std::size_t>(leadSeconds * sampleRate));
                signal.insert(signal.end(), sound.begin(), sound.end());
                const auto readings = listen(signal, sampleRate);
                const auto hz =
                    pitch::estimateFundamentalHz(sound.data(), sound.size(), sampleRate, nominal);
                for (const Reading& r : readings) {
                    const double off = hz ? std::abs(centsBetween(r.hz, *hz)) : 0.0;
                    wrong += off > wrongCents;
                    unsettled += off > unsettledCents && off <= wrongCents;
                    ++readingCount;
                }
                if (readings.empty() || !hz) {
                    ok = false;
                    break;
                }
                liveCents[moved] = meanOf(readings, nominal);
                oneShotCents[moved] = centsBetween(*hz, nominal);
            }
            if (!ok) {
                ++unread;
                continue;
            }
            const char* range = rangeOf(note).name;
            live[range].add(std::abs(liveCents[1] - liveCents[0] - shift));
            oneShot[range].add(std::abs(oneShotCents[1] - oneShotCents[0] - shift));
            agreement[range].add(std::abs(liveCents[0] - oneShotCents[0]));
        }
    }
    std::printf("\n%s, programs 24 to 30 at the tunings' notes, shifted by whole cents\n",
                font.path);
    std::printf("%-5s | %-23s | %-23s | %s\n", "notes", "live: shift error",
                "one-shot: shift error", "live - one-shot, unshifted");
    for (const Range& r : ranges)
        std::printf("%-5s | max %6.3f mean %6.3f | max %6.3f mean %6.3f | max %6.3f mean %6.3f\n",
                    r.name, live[r.name].max, live[r.name].mean(), oneShot[r.name].max,
                    oneShot[r.name].mean(), agreement[r.name].max, agreement[r.name].mean());
    std::printf(
        "%d of %d renderings without readings; of %d readings, %d a wrong note (over %.0f "
        "cents from the one-shot estimate of the whole rendering), %d over %.0f cents (in "
        "attacks that have not settled)\n",
        unread, 2 * count, readingCount, wrong, wrongCents, unsettled, unsettledCents);
}

// A minute of plucks (a new note every 3 s, noise 40 dB below) and a minute of near silence.
void cost() {
    std::vector<float> plucks;
    for (int i = 0; i < 20; ++i) {
        const int note = 35 + (i * 7) % 35;
        const auto tone = testing::render(
            testing::pluckedString(noteFrequencyHz(note), 3e-4, 2.0, rate, i), 3.0, rate);
        plucks.insert(plucks.end(), tone.begin(), tone.end());
    }
    testing::addNoise(plucks, 1e-3);
    std::vector<float> quiet(static_cast<std::size_t>(60 * rate));
    testing::addNoise(quiet, 1e-4);
    double busy = 0.0, idle = 0.0;
    listen(plucks, rate, &busy);
    listen(quiet, rate, &idle);
    std::printf(
        "\nProcessor time per second of 48 kHz audio (one core): %.2f %% while strings "
        "sound, %.2f %% in room noise\n",
        100.0 * busy / 60.0, 100.0 * idle / 60.0);
}

}  // namespace

int main() {
    accuracyTable();
    tenthOfACent();
    soundFontShifts();
    cost();
    return 0;
}
