#include "tuner/catalogue.h"

namespace tuner {

std::int32_t instrumentProgram(const QString& name) {
    // Full Unicode lower-casing: "Č" becomes "č" like any ASCII capital.
    const QString wanted = name.toLower();
    for (const SoundRow& row : soundRows)
        if (wanted == toQString(row.listText).toLower() || wanted == toQString(row.generalMidiName))
            return row.program;
    return 0;
}

}  // namespace tuner
