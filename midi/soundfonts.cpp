#include "midi/soundfonts.h"

#include <cstdlib>
#include <filesystem>

namespace midi {

SoundFontChoice installedSoundFont() {
    std::error_code ec;
    if (const char* chosen = std::getenv(soundFontVariable);
        chosen && std::filesystem::is_regular_file(chosen, ec))
        return {chosen, gainFor(chosen)};
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
