#include "midi/soundfonts.h"

#include <filesystem>

namespace midi {

SoundFontChoice installedSoundFont() {
    std::error_code ec;
    for (const SoundFontChoice& c : soundFontCandidates)
        if (std::filesystem::is_regular_file(c.path, ec))
            return c;
    return {"", unknownSoundFontGain};
}

double gainFor(const std::string& path) {
    for (const SoundFontChoice& c : soundFontCandidates)
        if (path == c.path)
            return c.gain;
    return unknownSoundFontGain;
}

}  // namespace midi
