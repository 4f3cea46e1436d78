#pragma once
// Where everything in the listening window ("Merilnik uglasitve") sits, in twips like the tuner
// window's, and its texts, sizes and colours. Large type: the window is read at arm's length
// with a guitar in the hands.

#include <QColor>
#include <string_view>

#include "tuner/frm_main_layout.h"

namespace tuner::listening {

inline constexpr std::u16string_view caption = u"Merilnik uglasitve";
inline constexpr std::u16string_view playPrompt = u"Zaigrajte struno.";
inline constexpr std::u16string_view noMicrophone = u"Mikrofon ni na voljo.";
inline constexpr std::u16string_view close = u"Zapri";
inline constexpr std::u16string_view hertz = u" Hz";
// Names the nearest note of any pitch instead of the nearest string, for setting intonation.
inline constexpr std::u16string_view chromatic = u"Kromatično";
// Shown while the reference is not the standard 440 Hz: "A4 = 432 Hz".
inline constexpr std::u16string_view referencePrefix = u"A4 = ";

inline constexpr int clientWidth = 6600;
inline constexpr int clientHeight = 4560;

// The string heard, its deviation in cents, its frequency; the prompt takes the string's line
// while nothing sounds.
inline constexpr layout::Place stringName{240, 240, 6120, 600};
inline constexpr layout::Place deviation{240, 900, 6120, 900};
inline constexpr layout::Place frequency{240, 1860, 6120, 420};
inline constexpr layout::Place meter{240, 2400, 6120, 900};
// The strobe spans the meter's scale, which keeps 8 px free at either end.
inline constexpr layout::Place strobe{360, 3360, 5880, 360};
inline constexpr layout::Place chromaticBox{240, 3945, 2400, 300};
inline constexpr layout::Place reference{2760, 3945, 2160, 300};
inline constexpr layout::Place closeButton{5145, 3885, 1215, 495};

inline constexpr double stringNamePoints = 16.0;
inline constexpr double deviationPoints = 32.0;
inline constexpr double frequencyPoints = 12.0;

// The meter's scale and the band counted as in tune, in cents.
inline constexpr double scaleCents = 50.0;
inline constexpr double inTuneCents = 2.0;
inline constexpr double tickCents = 10.0;

inline constexpr QColor inTuneColour{0, 160, 0};
inline constexpr QColor outOfTuneColour{200, 0, 0};
inline constexpr QColor scaleColour{64, 64, 64};
inline constexpr QColor bandColour{200, 235, 200};
// The strobe's stripes out of tune are scaleColour on this, in tune inTuneColour on
// bandColour, and without a reading this on strobeLightColour.
inline constexpr QColor strobeLightColour{235, 235, 235};
inline constexpr QColor strobeIdleColour{190, 190, 190};

}  // namespace tuner::listening
