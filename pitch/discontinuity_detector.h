#pragma once
// Where a live stream breaks within a tone: samples missing (a stretch cut out, so that the tone
// jumps in phase where the rest follows) or a hole of low noise (a sound server, a network
// stream or a recording that lost data and filled in something quiet). The live estimator
// treats such a place as it treats a dropout of exact zeros: no window reaches across it.
//
// Two predictions of each sample, their squared errors summed in 0.5 ms blocks:
// - short-term, from the 16 samples before (linear prediction fitted every 4 ms on 16 ms): a
//   tone is predicted almost exactly, a break where the waveform jumps is not, for a fraction
//   of a millisecond;
// - long-term, from the sample a period earlier (the period found every 16 ms, from 1.2 to
//   20 ms): a break where the waveform runs on smoothly at another phase is mispredicted for
//   exactly one period, after which both samples lie after it.
// A break: the short-term error bursts (10 times its median of the last 12 ms, -35 dB of the
// tone) and falls back at once, or the long-term error jumps (20 times its median, and -20 dB
// of the tone, a phase jump of a tenth of a radian) for one period; and the level after it is
// the level before (within 2 dB over 25 ms). A hole: after such a burst the level falls 20 dB
// for a millisecond; it ends where the level is back. Not a break: silence before, an onset
// (the level rises, or the error stays high: something new sounds), and the 35 ms after one,
// while the predictions learn the new tone. Predictions are fitted only on samples after the
// latest break.
// Deciding takes 26 ms of what follows, so the samples are handed on 26 ms late, each break
// known before the first sample after it.

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace pitch {

class DiscontinuityDetector {
public:
    // For a stream at `sampleRate` (above 0).
    explicit DiscontinuityDetector(double sampleRate);

    // Feeds the next samples of the stream; returns those now handed on, the stream delayed by
    // latency() samples (valid until the next call).
    std::span<const float> push(std::span<const float> samples);

    // The first sample (counted from the stream's start) after the latest break found so far;
    // 0 while none was. It may lie ahead of the samples handed on.
    std::uint64_t cleanFrom() const { return cleanFrom_; }

    // How many samples the stream is handed on late.
    std::size_t latency() const { return latency_; }

    // Forgets the stream; the next sample pushed starts a new one.
    void reset();

private:
    struct Candidate {
        std::uint64_t block;
        // The period before it (0 where none was found) and the long-term error's usual level.
        double period;
        double longBaseline;
        // Whether the short-term error burst there.
        bool sharp;
    };

    void endOfBlock();
    std::uint64_t fitEnd() const;
    void refit();
    void findPeriod();
    // Looks at a block's burst of error once the blocks just after it are known...
    void screen(std::uint64_t block);
    // ...and decides on a break there once the level after it is known.
    void decide(std::uint64_t block);
    double power(std::uint64_t block) const;
    double errorPower(std::uint64_t block) const;
    double longErrorPower(std::uint64_t block) const;
    double meanPower(std::uint64_t first, std::size_t count) const;
    std::optional<double> longErrorOver(std::uint64_t first, std::size_t count) const;
    double usualLevel(std::uint64_t block, bool longTerm) const;
    const float* at(std::uint64_t index) const;

    std::size_t block_;
    std::size_t fitLength_;
    std::size_t fitEvery_;
    std::size_t latency_;
    std::size_t coarse_;
    double coarseRate_;
    std::size_t periodWindow_;
    std::vector<double> taper_;

    // Samples from the absolute index historyStart_ to received_; handed on up to handedOn_.
    std::vector<float> history_;
    std::uint64_t historyStart_ = 0;
    std::uint64_t received_ = 0;
    std::uint64_t handedOn_ = 0;
    std::vector<float> out_;
    // The short-term predictor, and the period with its gain (0 while none is known).
    std::vector<double> coefficients_;
    double period_ = 0.0;
    double periodGain_ = 0.0;
    // The stream averaged over coarse_ samples, for finding the period.
    std::vector<float> coarseHistory_;
    double coarseSum_ = 0.0;
    // Per block: mean squared short-term and long-term error (negative where no period was
    // known) and mean squared sample, newest last.
    std::vector<double> errorPower_;
    std::vector<double> longErrorPower_;
    std::vector<double> power_;
    std::uint64_t blocksDone_ = 0;
    std::uint64_t screened_ = 0;
    std::uint64_t decided_ = 0;
    double errorSum_ = 0.0;
    double longErrorSum_ = 0.0;
    bool longErrorValid_ = true;
    double powerSum_ = 0.0;
    // Bursts screened as a break, waiting for what follows them.
    std::deque<Candidate> candidates_;
    // A hole under way: where it began and the level of its noise.
    std::optional<std::uint64_t> holeStart_;
    double holeNoise_ = 0.0;
    // No break is looked for before this block, while the spans judged reach back to an onset.
    std::uint64_t settledFrom_ = 0;
    // The predictors are fitted on samples from here on.
    std::uint64_t fitFrom_ = 0;
    std::uint64_t cleanFrom_ = 0;
};

}  // namespace pitch
