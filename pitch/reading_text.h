#pragma once
// How a reading is written: the deviation for the listening window, in Slovenian, and one line
// per reading for the terminal, the same whatever the locale.
//
// Slovenian puts the noun after a decimal number in the genitive singular, whatever the digits
// ("1,5 centa", "2,0 centa", "5,3 centa"): it depends on the tenths the decimal part counts
// ("pet desetin centa"), not on the number's last digit as after whole numbers (1 cent,
// 2 centa, 3 centi, 5 centov). The deviation is always shown with one decimal, so it is always
// "centa".

#include <string>

namespace pitch {

// "E2", "C#4": the note's name with sharps and its octave (MIDI note 60 is C4).
std::string noteName(int note);

// "-3,2 centa", "+0,4 centa", "0,0 centa": one decimal, a decimal comma, a sign but on zero.
std::string centsText(double cents);

// "E2 82.331 -1.64": the note, the frequency in Hz with three decimals and the deviation in
// cents with two, decimal points.
std::string terminalLine(int note, double hz, double cents);

}  // namespace pitch
