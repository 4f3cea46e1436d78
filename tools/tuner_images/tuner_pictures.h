#pragma once
// The tuner window's pictures, drawn from simple shapes: the window icon, three small list
// icons, the string buttons' note icon and mask, and the guitar neck behind the red pointers.
// writeTunerPictures() writes them in the formats the window loads.

#include <QImage>
#include <QString>
#include <array>

namespace tuner_images {

// Where the six strings lie on the neck picture, thickest (string 6) first, and where the dark
// fretboard begins and ends.
inline constexpr std::array<int, 6> neckStringX{48, 66, 85, 104, 121, 138};
inline constexpr int fretboardLeft = 38;
inline constexpr int fretboardRight = 145;  // last dark column

QImage windowIcon();    // 32 x 32: a yellow hand gripping a guitar neck with its pegs
QImage pageWithNote();  // 16 x 16: a white page with a music note
QImage noteOnDisc();    // 16 x 16: a blue music note in front of a grey disc
QImage playTriangle();  // 16 x 16: a green triangle pointing right
QImage neck();          // 180 x 240: fretboard section with six strings

// Writes every picture file into `folder`; returns false when one cannot be written.
bool writeTunerPictures(const QString& folder);

}  // namespace tuner_images
