#include "pitch/shipped_pitch_corrections.h"

#include "pitch/shipped_pitch_corrections_data.h"

namespace pitch {

std::span<const ShippedPitchCorrections> shippedPitchCorrections() {
    return shippedPitchCorrectionTables;
}

std::optional<PitchCorrections> shippedCorrectionsFor(
    std::uint64_t hash, std::span<const ShippedPitchCorrections> tables) {
    for (const ShippedPitchCorrections& table : tables)
        if (table.soundFontHash == hash)
            return PitchCorrections{table.cents, table.residual};
    return std::nullopt;
}

}  // namespace pitch
