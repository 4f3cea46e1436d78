#pragma once
// The tuner window's messages and the names under which it keeps its choices.

#include <string_view>

namespace tuner::texts {

inline constexpr std::u16string_view midiFailed = u"Ne morem povezati na MIDI Mapper";
inline constexpr std::u16string_view midiFailedTitle = u"Kritična napaka";
inline constexpr std::u16string_view durationMissing = u"Izberi dolžino trajanja note v sekundah";
inline constexpr std::u16string_view durationMissingTitle = u"Zahtevano trajanje note";
inline constexpr std::u16string_view durationNotNumeric =
    u"Vtipkaj številčno vrednost za trajanje note";
inline constexpr std::u16string_view durationNotNumericTitle = u"Neustrezno trajanje note";
inline constexpr std::u16string_view defaultsQuestion = u"Želiš naložiti privzete nastavitve?";
inline constexpr std::u16string_view defaultsTitle = u"Naloži privzeto";

inline constexpr std::u16string_view settingsSection = u"Main";
inline constexpr std::u16string_view keyLeft = u"Left";
inline constexpr std::u16string_view keyTop = u"Top";
inline constexpr std::u16string_view keyWindowState = u"WS";
inline constexpr std::u16string_view keyInstrument = u"Instrument";
inline constexpr std::u16string_view keyTuning = u"Tuning";
inline constexpr std::u16string_view keyDuration = u"Dur";
// The reference A4 in whole hertz; missing or not one the box offers: 440.
inline constexpr std::u16string_view keyA4 = u"A4";
// The chord window's neck seen left-handed: "1", anything else (or nothing) right-handed.
inline constexpr std::u16string_view keyLeftHanded = u"Levicar";

}  // namespace tuner::texts
