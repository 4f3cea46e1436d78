#pragma once
// How a reading is written: the deviation for the listening window, in Slovenian, and one line
// per reading for the terminal, the same whatever the locale.
//
// A reading is written with the digits its precision supports: a digit is shown where the
// reading's spread is smaller than the digit's place value.
//
// Slovenian puts the noun after a decimal number in the genitive singular, whatever the digits
// ("1,5 centa", "2,0 centa", "5,3 centa"): it depends on the tenths the decimal part counts
// ("pet desetin centa"). After a whole number it follows the number's last two digits: 1 cent,
// 2 centa, 3 and 4 centi, 0 and 5 to 100 centov, 101 cent, 102 centa...

#include <string>

namespace pitch {

// "E2", "C#4": the note's name with sharps and its octave (MIDI note 60 is C4).
std::string noteName(int note);

// The decimals of a deviation read with a spread of `spreadCents`: 2 below a tenth of a cent,
// 1 below a cent, else 0.
int centsDecimals(double spreadCents);

// The deviation for the window, a decimal comma, a sign but on zero: "-3,2 centa",
// "0,0 centa" where the spread is under a tenth of a cent, else whole cents: "-3 centi",
// "+1 cent", "0 centov".
std::string centsText(double cents, double spreadCents);

// "E2 82.331 -1.64": the note, the frequency in Hz with three decimals and the deviation in
// cents with the decimals its spread supports (two at best), decimal points.
std::string terminalLine(int note, double hz, double cents, double spreadCents);

}  // namespace pitch
