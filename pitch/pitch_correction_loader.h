#pragma once
// Finds the pitch corrections of the SoundFont the built-in synth plays, on a thread of its
// own so that neither the window nor a note ever waits for it: the shipped table when the
// file's content hash has one, else the user's cache, else a calibration whose result is
// cached for the next run. A damaged or foreign cache file (its checksum fails, or it is of
// an older format), or anything that is no regular file of at most 64 KB in its place (a FIFO,
// a link to a device, a directory), is ignored, measured again and replaced; a calibration that
// cannot be cached is reported, as it will be made again at the next start.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "pitch/pitch_calibration.h"
#include "pitch/pitch_corrections.h"
#include "pitch/shipped_pitch_corrections.h"

namespace pitch {

// $XDG_CACHE_HOME/Tolmary, or ~/.cache/Tolmary without it; empty when neither is known (a
// relative path counts as none: outside a home nothing is written).
std::string pitchCorrectionCacheDir();

// The cache file of the SoundFont with content hash `hash`.
std::string pitchCorrectionCacheFile(const std::string& cacheDir, std::uint64_t hash);

enum class CorrectionSource { none, shipped, cache, calibration };

struct CorrectionLookup {
    // Calibrates the SoundFont when neither a shipped table nor the cache knows it (the synth
    // supplies one that renders through itself); without one the lookup ends there.
    std::function<std::optional<Calibration>(const std::atomic<bool>* cancel)> calibrator;
    std::span<const ShippedPitchCorrections> shipped = shippedPitchCorrections();
    std::string cacheDir = pitchCorrectionCacheDir();
    // Where the line saying that a calibration could not be cached goes; stderr when empty.
    std::function<void(const std::string& line)> report;
};

struct FoundCorrections {
    PitchCorrections corrections;
    CorrectionSource source = CorrectionSource::none;
};

// The whole lookup, in the calling thread. None when the SoundFont cannot be read, when it
// needs a calibration that fails or that `lookup` cannot do, or when `cancel` became true.
std::optional<FoundCorrections> findCorrections(const std::string& soundFont,
                                                const CorrectionLookup& lookup,
                                                const std::atomic<bool>* cancel = nullptr);

class PitchCorrectionLoader {
public:
    using Deliver = std::function<void(const PitchCorrections&)>;

    // Starts the lookup; `deliver` runs on the loader's thread once corrections are found.
    PitchCorrectionLoader(std::string soundFont, Deliver deliver, CorrectionLookup lookup);
    // Cancels a calibration under way and waits for the thread (one note's rendering), at most
    // closeWait: a thread still busy then (a read that hangs) is left to end on its own and
    // delivers nothing.
    ~PitchCorrectionLoader();
    PitchCorrectionLoader(const PitchCorrectionLoader&) = delete;
    PitchCorrectionLoader& operator=(const PitchCorrectionLoader&) = delete;

    // Waits until the lookup is over; where the corrections came from.
    CorrectionSource wait();

    static constexpr std::chrono::milliseconds closeWait{1000};

private:
    struct State;
    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace pitch
