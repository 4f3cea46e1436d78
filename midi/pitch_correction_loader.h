#pragma once
// Finds the pitch corrections of the SoundFont the built-in synth plays, on a thread of its
// own so that neither the window nor a note ever waits for it: the shipped table when the
// file's content hash has one, else the user's cache, else a calibration whose result is
// cached for the next run. A damaged or foreign cache file is ignored and rewritten.

#include <atomic>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "midi/pitch_calibration.h"
#include "midi/pitch_corrections.h"
#include "midi/shipped_pitch_corrections.h"

namespace midi {

// $XDG_CACHE_HOME/Tolmary, or ~/.cache/Tolmary without it; empty when neither is known.
std::string pitchCorrectionCacheDir();

// The cache file of the SoundFont with content hash `hash`.
std::string pitchCorrectionCacheFile(const std::string& cacheDir, std::uint64_t hash);

enum class CorrectionSource { none, shipped, cache, calibration };

struct CorrectionLookup {
    // Calibrates a SoundFont; calibrate() unless a test supplies its own.
    std::function<std::optional<Calibration>(const std::string&, double, const std::atomic<bool>*)>
        calibrator = [](const std::string& path, double gain, const std::atomic<bool>* cancel) {
            return calibrate(path, gain, cancel);
        };
    std::span<const ShippedPitchCorrections> shipped = shippedPitchCorrections();
    std::string cacheDir = pitchCorrectionCacheDir();
};

struct FoundCorrections {
    PitchCorrections corrections;
    CorrectionSource source = CorrectionSource::none;
};

// The whole lookup, in the calling thread. None when the SoundFont cannot be read or loaded,
// or when `cancel` became true.
std::optional<FoundCorrections> findCorrections(const std::string& soundFont, double gain,
                                                const CorrectionLookup& lookup,
                                                const std::atomic<bool>* cancel = nullptr);

class PitchCorrectionLoader {
public:
    using Deliver = std::function<void(const PitchCorrections&)>;

    // Starts the lookup; `deliver` runs on the loader's thread once corrections are found.
    PitchCorrectionLoader(std::string soundFont, double gain, Deliver deliver,
                          CorrectionLookup lookup = {});
    // Cancels a calibration under way and waits for the thread (at most one note's rendering).
    ~PitchCorrectionLoader();
    PitchCorrectionLoader(const PitchCorrectionLoader&) = delete;
    PitchCorrectionLoader& operator=(const PitchCorrectionLoader&) = delete;

    // Waits until the lookup is over; where the corrections came from.
    CorrectionSource wait();

private:
    std::atomic<bool> cancel_{false};
    CorrectionSource source_ = CorrectionSource::none;
    std::thread thread_;
};

}  // namespace midi
