#pragma once
// The tuner's fixed vocabulary: 36 named tunings (six absolute MIDI note numbers each, index 0
// the thinnest string) and 7 guitar sounds (General MIDI programs 24 to 30). The window fills
// its two lists from here and reads a chosen tuning's notes here; nothing here changes.

#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

namespace tuner {

inline constexpr int stringCount = 6;
using StringNotes = std::array<std::int16_t, stringCount>;

struct TuningRow {
    std::u16string_view name;
    StringNotes notes;
};

struct SoundRow {
    std::u16string_view listText;
    std::u16string_view generalMidiName;
    std::int16_t program;
};

// Rows 5 and 7 carry U+02DD (double acute accent) where a half step is meant; the list shows
// exactly these texts.
inline constexpr std::array<TuningRow, 36> tuningRows{{
    {u"Standardna uglasitev", {64, 59, 55, 50, 45, 40}},
    {u"Bass Standard", {47, 43, 38, 33, 28, 35}},
    {u"Dropped-D", {64, 59, 55, 50, 45, 38}},
    {u"Double Dropped-D", {64, 59, 55, 50, 45, 38}},
    {u"Down \u02DD Step", {63, 58, 54, 49, 44, 39}},
    {u"Down 1 (Whole) Step", {62, 57, 53, 48, 43, 38}},
    {u"Down 1\u02DD Steps", {61, 56, 52, 47, 42, 37}},
    {u"Down 2 Steps", {60, 55, 51, 46, 41, 36}},
    {u"Open D", {62, 57, 54, 50, 45, 38}},
    {u"Open G", {62, 59, 55, 50, 43, 38}},
    {u"Open C (Type 1)", {64, 60, 55, 48, 43, 36}},
    {u"Open C (Type 2)", {64, 60, 55, 52, 43, 36}},
    {u"Open E", {64, 59, 56, 52, 47, 40}},
    {u"Open A", {64, 61, 57, 52, 49, 45}},
    {u"Cross-Note", {62, 57, 53, 50, 45, 38}},
    {u"D Modal (Type 1)", {62, 57, 54, 50, 45, 38}},
    {u"D Modal (Type 2)", {64, 59, 55, 50, 43, 38}},
    {u"D Modal (Type 3)", {64, 59, 55, 50, 43, 36}},
    {u"D Modal (Type 4)", {62, 57, 55, 50, 45, 38}},
    {u"Fourths", {65, 60, 55, 50, 45, 40}},
    {u"Lute (Type 1)", {64, 59, 54, 50, 45, 40}},
    {u"Lute (Type 2)", {64, 57, 54, 50, 45, 40}},
    {u"Big City", {69, 57, 54, 50, 45, 38}},
    {u"D Wahine", {62, 59, 54, 50, 45, 38}},
    {u"D Minor", {62, 57, 53, 50, 45, 38}},
    {u"D Modal (Type 5)", {62, 57, 50, 50, 45, 38}},
    {u"G6", {64, 59, 55, 50, 43, 38}},
    {u"G Minor", {62, 58, 55, 50, 43, 38}},
    {u"C6 (Type 1)", {64, 59, 55, 48, 43, 36}},
    {u"Bron-Y-Aur", {64, 60, 55, 48, 45, 36}},
    {u"Parvardigar", {62, 60, 55, 48, 43, 36}},
    {u"Kelvarin Modal", {64, 59, 52, 52, 47, 40}},
    {u"New Standard", {67, 64, 57, 50, 43, 36}},
    {u"Low C", {62, 57, 55, 50, 43, 36}},
    {u"G Modal", {62, 60, 55, 50, 43, 38}},
    {u"A mol", {64, 60, 57, 52, 48, 45}},
}};

inline constexpr std::array<SoundRow, 7> soundRows{{
    {u"Akustična kitara (Nylon)", u"acoustic guitar (nylon)", 24},
    {u"Akustična kitara (Jeklo)", u"acoustic guitar (steel)", 25},
    {u"Električna kitara (Jazz)", u"electric guitar (jazz)", 26},
    {u"Električna kitara (Clean)", u"electric guitar (clean)", 27},
    {u"Električna kitara (Muted)", u"electric guitar (muted)", 28},
    {u"Overdrive kitara", u"overdriven guitar", 29},
    {u"Distorzijska kitara", u"distortion guitar", 30},
}};

// The choices that stand when nothing is stored, and that the defaults button restores.
inline constexpr int defaultSoundIndex = 1;
inline constexpr int defaultTuningIndex = 0;
inline constexpr std::u16string_view defaultDuration = u"2";

inline QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The General MIDI program of a sound named by its list text or its General MIDI name, in any
// letter case (Slovenian capitals included); 0 for a name that is no whole row's name.
std::int32_t instrumentProgram(const QString& name);

}  // namespace tuner
