// The listening tuner on real recorded guitars (the samples of Debian's General MIDI
// SoundFonts, seven guitar sounds, the open strings of standard tuning plus B1 and D2, each
// detuned) as microphones deliver them: clean, through a laptop's microphone and through a
// phone's across the room (tests/support/microphone_model.h, varied from note to note). Each
// reading is compared with the truth at its own time: the note's first partial measured on
// the clean rendering by the one-shot estimator over the same stretch. A wrong note may hang on
// one draw of the room's noise, so each take is heard through several draws (--draws N, 3 by
// default), each with the set's next microphone. Rates count from 0.3 s after the pluck until
// the note has died 30 dB under its loudest, and again only while it can be heard at all: its
// strongest partial 10 dB over the room's noise in a 0.35 s window (the guitar and the noise
// measured apart). The same audio goes through
// `aubiopitch -p yin` as a peer, where it is installed. --changes measures instead a second
// string plucked while the first still rings: readings of the new note, of the old one, and of
// any third note, which would be wrong. --bass plays the open strings of a five-string bass
// instead (fingered and picked, at pitch). All are heard over the notes `tolmary --listen` reads.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "midi/offline_synth.h"
#include "midi/soundfonts.h"
#include "pitch/live_estimator.h"
#include "pitch/pitch_estimator.h"
#include "pitch/windowed_spectrum.h"
#include "tests/support/listening.h"
#include "tests/support/microphone_model.h"
#include "tests/support/wav_file.h"

namespace {

using pitch::centsBetween;
using pitch::noteFrequencyHz;

// Room noise before the pluck, so that the tuner has listened to the room first.
constexpr double leadSeconds = 0.5;
constexpr double noteSeconds = 2.5;
constexpr double chunkSeconds = 0.010;
// Off by more than this, a reading names the wrong note.
constexpr double wrongCents = 50.0;
// Readings this long after the pluck count towards the rate; after the second, towards the
// steady notes' errors.
constexpr double rateFromSeconds = 0.3;
constexpr double steadyFromSeconds = 0.5;
// A note can be heard while its strongest partial stands this far over the room's noise in a
// window this long (the tuner's own): the least the phone target speaks of.
constexpr double audibleOverNoiseDb = 10.0;
constexpr double audibleWindowSeconds = 0.35;
// The instruments played: General MIDI programs, their names, and the notes.
struct Instrument {
    int firstProgram;
    std::vector<const char*> sounds;
    std::vector<int> notes;
};
const Instrument guitars{24,
                         {"nylon", "steel", "jazz", "clean", "muted", "overdrive", "distortion"},
                         {35, 38, 40, 45, 50, 55, 59, 64}};
const Instrument basses{33, {"fingered", "picked"}, {23, 28, 33, 38, 43}};

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Take {
    std::string font;
    int program, note;
    double rate;
    std::vector<float> clean;  // lead silence, then the note
    // The first partial every 50 ms: (seconds after the pluck, Hz).
    std::vector<std::pair<double, double>> truth;
    // Seconds after the pluck until the note has died 30 dB under its loudest (a muted string
    // within half a second), at most noteSeconds.
    double soundsUntil = 0.0;
};

// The one-shot estimator over the 0.3 s of the clean take that end at each time (16 periods
// of a bass string's note, which it needs more than 12 of).
std::vector<std::pair<double, double>> truthTrack(const Take& take, double nominalHz) {
    std::vector<std::pair<double, double>> track;
    const auto lead = static_cast<std::size_t>(leadSeconds * take.rate);
    const double span = std::max(0.3, 16.0 / nominalHz);
    for (double t = 0.1; t <= noteSeconds; t += 0.05) {
        const auto end = lead + static_cast<std::size_t>(t * take.rate);
        const auto start = lead + static_cast<std::size_t>(std::max(0.0, t - span) * take.rate);
        if (end > take.clean.size())
            break;
        if (const auto hz = pitch::estimateFundamentalHz(take.clean.data() + start, end - start,
                                                         take.rate, nominalHz))
            track.emplace_back(t, *hz);
    }
    return track;
}

double soundingSeconds(const Take& take) {
    const auto lead = static_cast<std::size_t>(leadSeconds * take.rate);
    const auto block = static_cast<std::size_t>(0.05 * take.rate);
    std::vector<double> rms;
    for (std::size_t at = lead; at + block <= take.clean.size(); at += block) {
        double sum = 0.0;
        for (std::size_t i = at; i < at + block; ++i)
            sum += double(take.clean[i]) * take.clean[i];
        rms.push_back(std::sqrt(sum / double(block)));
    }
    if (rms.empty())
        return 0.0;
    const double floor = std::ranges::max(rms) * std::pow(10.0, -30.0 / 20.0);
    std::size_t last = 0;
    for (std::size_t i = 0; i < rms.size(); ++i)
        if (rms[i] >= floor)
            last = i + 1;
    return std::min(noteSeconds, double(last) * 0.05);
}

std::optional<double> truthAt(const Take& take, double t) {
    if (take.truth.empty())
        return std::nullopt;
    const auto nearest = std::ranges::min_element(
        take.truth, {}, [&](const auto& p) { return std::abs(p.first - t); });
    return nearest->second;
}

std::vector<Take> renderTakes(const Instrument& instrument) {
    std::vector<Take> takes;
    const char* fonts[] = {"/usr/share/sounds/sf2/TimGM6mb.sf2",
                           "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                           "/usr/share/sounds/sf3/MuseScore_General.sf3"};
    int count = 0;
    for (const char* font : fonts) {
        if (!std::filesystem::exists(font))
            continue;
        std::string error;
        auto synth = midi::OfflineSynth::create(font, midi::gainFor(font), error);
        if (!synth) {
            std::printf("%s: %s\n", font, error.c_str());
            continue;
        }
        const int lastProgram =
            instrument.firstProgram + static_cast<int>(instrument.sounds.size()) - 1;
        for (int program = instrument.firstProgram; program <= lastProgram; ++program) {
            for (int note : instrument.notes) {
                // Guitars detuned by -30 to +30 cents, differently for every take (the synth
                // corrects guitar programs only).
                const bool guitar =
                    program >= pitch::firstGuitarProgram && program <= pitch::lastGuitarProgram;
                const double detune = guitar ? std::fmod(count++ * 23.7, 60.0) - 30.0 : 0.0;
                pitch::PitchCorrections corrections;
                if (guitar)
                    corrections.cents[program - pitch::firstGuitarProgram]
                                     [note - pitch::firstCalibratedNote] = std::round(detune);
                synth->setCorrections(corrections);
                Take take{std::filesystem::path(font).stem().string(),
                          program,
                          note,
                          synth->sampleRate(),
                          {},
                          {}};
                take.clean.assign(static_cast<std::size_t>(leadSeconds * take.rate), 0.0f);
                const auto sound = synth->play(program, note, noteSeconds);
                take.clean.insert(take.clean.end(), sound.begin(), sound.end());
                take.truth = truthTrack(take, noteFrequencyHz(note + std::round(detune) / 100.0));
                take.soundsUntil = soundingSeconds(take);
                takes.push_back(std::move(take));
            }
        }
    }
    return takes;
}

struct Figures {
    int takes = 0, sparse = 0, silent = 0, readings = 0, wrong = 0;
    // Notes read at least 10 (5) times a second from 0.3 s after the pluck while they sound.
    int fast = 0, enough = 0;
    // Of the notes still audible 0.3 s after the pluck, those read at least 5 (10) times a
    // second for as long as they are.
    int audible = 0, audibleEnough = 0, audibleFast = 0;
    std::vector<double> steadyErrors, firstMs;
    double audioSeconds = 0.0, cpu = 0.0;

    void add(const Figures& o) {
        takes += o.takes;
        sparse += o.sparse;
        silent += o.silent;
        readings += o.readings;
        wrong += o.wrong;
        fast += o.fast;
        enough += o.enough;
        audible += o.audible;
        audibleEnough += o.audibleEnough;
        audibleFast += o.audibleFast;
        steadyErrors.insert(steadyErrors.end(), o.steadyErrors.begin(), o.steadyErrors.end());
        firstMs.insert(firstMs.end(), o.firstMs.begin(), o.firstMs.end());
        audioSeconds += o.audioSeconds;
        cpu += o.cpu;
    }
};

double median(std::vector<double> values) {
    if (values.empty())
        return std::nan("");
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

double quantile(std::vector<double> values, double q) {
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
}

// TOLMARY_BENCH_VERBOSE=1 prints every wrong reading.
const bool verbose = std::getenv("TOLMARY_BENCH_VERBOSE") != nullptr;

// Readings as (seconds after the pluck, Hz) scored against the take's truth.
void score(const Take& take, const std::vector<std::pair<double, double>>& readings, Figures& f,
           double audibleUntil, const std::vector<double>& spreads = {}) {
    ++f.takes;
    int inTwoSeconds = 0, late = 0, whileAudible = 0;
    bool first = true;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const auto [t, hz] = readings[i];
        if (t < 0.0)
            continue;
        const auto truth = truthAt(take, t);
        if (!truth)
            continue;
        ++f.readings;
        const double error = centsBetween(hz, *truth);
        f.wrong += std::abs(error) > wrongCents;
        if (verbose && std::abs(error) > wrongCents)
            std::printf(
                "  wrong: %s program %d note %d at %.2f s: %.2f Hz, truth %.2f Hz, %.2f c\n",
                take.font.c_str(), take.program, take.note, t, hz, *truth,
                i < spreads.size() ? spreads[i] : 0.0);
        inTwoSeconds += t <= 2.0;
        late += t >= rateFromSeconds && t <= take.soundsUntil;
        whileAudible += t >= rateFromSeconds && t <= audibleUntil;
        if (t >= steadyFromSeconds && std::abs(error) <= wrongCents)
            f.steadyErrors.push_back(std::abs(error));
        if (first) {
            f.firstMs.push_back(1000.0 * t);
            first = false;
        }
    }
    if (verbose && inTwoSeconds < 5)
        std::printf("  sparse: %s program %d note %d: %d readings in 2 s\n", take.font.c_str(),
                    take.program, take.note, inTwoSeconds);
    f.sparse += inTwoSeconds < 5;
    f.silent += inTwoSeconds == 0;
    // As many readings as 10 a second give in whole: none asked of a muted note that dies
    // a few milliseconds after the first reading is due.
    const double sounding = take.soundsUntil - rateFromSeconds;
    const bool fast = late >= std::floor(10.0 * sounding);
    const bool enough = late >= std::floor(5.0 * sounding);
    if (verbose && !fast)
        std::printf("  slow%s: %s program %d note %d: %d readings in %.2f s\n",
                    enough ? "" : ", under 5/s", take.font.c_str(), take.program, take.note, late,
                    sounding);
    f.fast += fast;
    f.enough += enough;
    const double audible = std::min(audibleUntil, take.soundsUntil) - rateFromSeconds;
    if (audible > 0.0) {
        ++f.audible;
        f.audibleEnough += whileAudible >= std::floor(5.0 * audible);
        f.audibleFast += whileAudible >= std::floor(10.0 * audible);
        if (verbose && whileAudible < std::floor(5.0 * audible))
            std::printf("  under 5/s while audible: %s program %d note %d: %d readings in %.2f s\n",
                        take.font.c_str(), take.program, take.note, whileAudible, audible);
    }
}

// Seconds after the pluck until the note's strongest partial last stood audibleOverNoiseDb
// over the noise (the guitar and the room apart: `guitar` as the microphone delivers it
// without noise, `noise` without the guitar); the whole take where there is no noise.
double audibleUntil(const Take& take, const std::vector<float>& guitar,
                    const std::vector<float>& noise) {
    const bool noisy = std::ranges::any_of(noise, [](float s) { return s != 0.0f; });
    if (!noisy)
        return noteSeconds;
    const auto lead = static_cast<std::size_t>(leadSeconds * take.rate);
    const auto n = static_cast<std::size_t>(audibleWindowSeconds * take.rate);
    double until = 0.0;
    for (double t = rateFromSeconds; t <= noteSeconds; t += 0.1) {
        const auto end = lead + static_cast<std::size_t>(t * take.rate);
        const auto truth = truthAt(take, t);
        if (end > guitar.size() || !truth)
            break;
        const pitch::Spectrum g(guitar.data() + end - n, n, take.rate);
        const pitch::Spectrum r(noise.data() + end - n, n, take.rate);
        double best = 0.0;
        for (int k = 1; k <= 8 && k * *truth < 0.45 * take.rate; ++k)
            if (const auto peak = g.coarsePeakNear(k * *truth, 50.0))
                best = std::max(best, peak->amplitude / r.noiseAt(k * *truth));
        if (20.0 * std::log10(best) >= audibleOverNoiseDb)
            until = t;
    }
    return until;
}

// The notes the estimator listens for: those `tolmary --listen` reads, B0 to E6, or with
// --range LOW HIGH any others (33 72, the estimator's own default; 37 67, the window's for
// standard tuning).
double lowestNote = pitch::LiveEstimator::lowestBassNote;
double highestNote = pitch::LiveEstimator::highestFrettedNote;

void listen(const Take& take, const std::vector<float>& audio, double audible, Figures& f) {
    pitch::LiveEstimator estimator(take.rate, lowestNote, highestNote);
    const double start = cpuSeconds();
    const auto readings =
        testing::pushInChunks(estimator, audio, static_cast<std::size_t>(chunkSeconds * take.rate));
    f.cpu += cpuSeconds() - start;
    f.audioSeconds += static_cast<double>(audio.size()) / take.rate;
    std::vector<std::pair<double, double>> timed;
    std::vector<double> spreads;
    for (const pitch::Reading& r : readings) {
        timed.emplace_back(static_cast<double>(r.atSample) / take.rate - leadSeconds, r.hz);
        spreads.push_back(r.spreadCents);
    }
    score(take, timed, f, audible, spreads);
}

// Pairs of strings (MIDI notes), each played in both orders: neighbours in standard tuning,
// and strings an octave, a twelfth or two octaves apart, whose partials the other holds.
constexpr std::pair<int, int> noteChanges[] = {{40, 45}, {45, 50}, {50, 55}, {55, 59},
                                               {59, 64}, {35, 40}, {38, 40}, {38, 50},
                                               {40, 59}, {45, 64}, {40, 64}};
// The second string is plucked this long after the first, which rings on.
constexpr double changeSeconds = 1.2;

void listenToChanges(const std::vector<Take>& takes, const testing::MicrophoneSet& set) {
    std::map<std::tuple<std::string, int, int>, const Take*> byNote;
    for (const Take& t : takes)
        byNote[{t.font, t.program, t.note}] = &t;
    int pairs = 0, fresh = 0, old = 0, third = 0;
    unsigned seed = 1;
    for (const Take& a : takes)
        for (const auto& [x, y] : noteChanges)
            for (const auto& [first, second] : {std::pair{x, y}, std::pair{y, x}}) {
                if (a.note != first)
                    continue;
                const Take& b = *byNote.at({a.font, a.program, second});
                std::vector<float> mix = a.clean;
                const auto lead = static_cast<std::size_t>(leadSeconds * a.rate);
                const auto offset = lead + static_cast<std::size_t>(changeSeconds * a.rate);
                mix.resize(std::max(mix.size(), offset + b.clean.size() - lead), 0.0f);
                for (std::size_t i = lead; i < b.clean.size(); ++i)
                    mix[offset + i - lead] += b.clean[i];
                const auto& microphone = set.microphones[seed % set.microphones.size()];
                const auto audio = testing::throughMicrophone(mix, a.rate, microphone, seed++);
                pitch::LiveEstimator estimator(a.rate, lowestNote, highestNote);
                ++pairs;
                for (const pitch::Reading& r : testing::pushInChunks(
                         estimator, audio, static_cast<std::size_t>(chunkSeconds * a.rate))) {
                    // From 0.1 s after the second pluck.
                    const double t = static_cast<double>(r.atSample) / a.rate - leadSeconds;
                    if (t < changeSeconds + 0.1)
                        continue;
                    const auto near = [&](std::optional<double> truth) {
                        return truth && std::abs(centsBetween(r.hz, *truth)) <= wrongCents;
                    };
                    if (near(truthAt(b, t - changeSeconds)))
                        ++fresh;
                    else if (near(truthAt(a, t)))
                        ++old;
                    else {
                        ++third;
                        if (verbose)
                            std::printf("  third: %s program %d, %d then %d, at %.2f s: %.2f Hz\n",
                                        a.font.c_str(), a.program, first, second, t, r.hz);
                    }
                }
            }
    std::printf("%-7s %d pairs: readings of the new note %d, of the old %d, of a third %d\n",
                set.name, pairs, fresh, old, third);
}

bool havePeer() {
    return std::system("command -v aubiopitch > /dev/null 2>&1") == 0;
}

// The same audio through aubiopitch's YIN; its times are where each frame starts, its
// unvoiced frames 0 Hz.
void peer(const Take& take, const std::vector<float>& audio, double audible, Figures& f) {
    const std::string path = "/tmp/tolmary-bench-peer.wav";
    testing::writeWav(path, {audio, take.rate});
    const std::string command = "aubiopitch -p yin -u Hz -i " + path + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return;
    std::vector<std::pair<double, double>> timed;
    double t = 0.0, hz = 0.0;
    while (std::fscanf(pipe, "%lf %lf", &t, &hz) == 2)
        if (hz > 0.0)
            timed.emplace_back(t - leadSeconds, hz);
    pclose(pipe);
    score(take, timed, f, audible);
}

void printRow(const char* set, const char* who, const std::string& sound, const Figures& f) {
    std::printf(
        "%-7s %-10s %-10s | %4d | %6d %6d | %8d | %6d | %6d %7d | %5d %6d %7d | %8.3f | %8.3f | "
        "%6.0f | %5.2f\n",
        set, who, sound.c_str(), f.takes, f.sparse, f.silent, f.readings, f.wrong, f.enough, f.fast,
        f.audible, f.audibleEnough, f.audibleFast, median(f.steadyErrors),
        quantile(f.steadyErrors, 0.95), median(f.firstMs),
        f.audioSeconds > 0 ? 100.0 * f.cpu / f.audioSeconds : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    // --no-peer leaves the peer out; --range LOW HIGH listens for those notes; --bass plays a
    // bass; a set's name measures that set alone.
    bool withPeer = havePeer();
    bool changes = false;
    bool bass = false;
    unsigned draws = 3;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--no-peer")
            withPeer = false;
        else if (arg == "--changes")
            changes = true;
        else if (arg == "--bass")
            bass = true;
        else if (arg == "--draws" && i + 1 < argc)
            draws = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
        else if (arg == "--range" && i + 2 < argc) {
            lowestNote = std::atof(argv[++i]);
            highestNote = std::atof(argv[++i]);
        } else
            only = arg;
    }
    // String changes are played on guitars.
    bass = bass && !changes;
    const Instrument& instrument = bass ? basses : guitars;
    const auto takes = renderTakes(instrument);
    if (takes.empty()) {
        std::printf("No General MIDI SoundFont installed: no recordings to listen to\n");
        return 0;
    }
    if (bass)
        std::printf(
            "\nReal basses through microphones: %zu takes (SoundFonts x programs 33-34 x "
            "notes B0 E1 A1 D2 G2, at pitch), through a noisy room %u times\n",
            takes.size(), draws);
    else
        std::printf(
            "\nReal guitars through microphones: %zu takes (SoundFonts x programs 24-30 x "
            "notes B1 D2 E2 A2 D3 G3 B3 E4, detuned), through a noisy room %u times\n",
            takes.size(), draws);
    std::printf("Notes %.0f to %.0f heard\n", lowestNote, highestNote);
    std::printf(
        "Rates from 0.3 s after the pluck until the note dies 30 dB under its loudest; "
        "then of the notes audible at 0.3 s (their strongest partial %.0f dB over the "
        "noise in %.2f s), until they no longer are\n",
        audibleOverNoiseDb, audibleWindowSeconds);
    std::printf(
        "%-7s %-10s %-10s | %4s | %6s %6s | %8s | %6s | %6s %7s | %5s %6s %7s | %8s | "
        "%8s | %6s | %5s\n",
        "set", "tracker", "sound", "notes", "<5/2s", "none", "readings", "wrong", ">=5/s", ">=10/s",
        "aud", ">=5/s", ">=10/s", "med c", "p95 c", "1st ms", "cpu %");
    for (const testing::MicrophoneSet& set : testing::microphoneSets()) {
        if (!only.empty() && only != set.name)
            continue;
        if (changes) {
            listenToChanges(takes, set);
            continue;
        }
        std::map<std::string, Figures> ours, theirs;
        Figures allOurs, allTheirs;
        // A close recording has no noise to draw.
        const unsigned setDraws = set.microphones[0].noiseDbfs > -150.0 ? draws : 1;
        for (unsigned draw = 0; draw < setDraws; ++draw)
            for (std::size_t i = 0; i < takes.size(); ++i) {
                const Take& take = takes[i];
                const auto& microphone = set.microphones[(i + draw) % set.microphones.size()];
                const auto seed = static_cast<unsigned>(i + 1 + 1000 * draw);
                const auto audio =
                    testing::throughMicrophone(take.clean, take.rate, microphone, seed);
                // The same reverb and filters without the room's noise and hum: the guitar alone.
                testing::Microphone quiet = microphone;
                quiet.noiseDbfs = quiet.humDbfs = -200.0;
                const auto guitar = testing::throughMicrophone(take.clean, take.rate, quiet, seed);
                std::vector<float> noise(audio.size());
                for (std::size_t j = 0; j < noise.size(); ++j)
                    noise[j] = audio[j] - guitar[j];
                const double audible = audibleUntil(take, guitar, noise);
                const std::string sound = instrument.sounds[take.program - instrument.firstProgram];
                listen(take, audio, audible, ours[sound]);
                if (withPeer)
                    peer(take, audio, audible, theirs[sound]);
            }
        for (const auto& [sound, f] : ours) {
            printRow(set.name, "tolmary", sound, f);
            allOurs.add(f);
        }
        printRow(set.name, "tolmary", "ALL", allOurs);
        if (withPeer) {
            for (const auto& [sound, f] : theirs)
                allTheirs.add(f);
            printRow(set.name, "yin", "ALL", allTheirs);
        }
    }
    return 0;
}
