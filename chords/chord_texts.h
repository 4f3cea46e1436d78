#pragma once
// The chord window's own texts: its caption and the two help texts beside the button grid.

#include <QString>

namespace chords {

// "Akordi", pushed away from the credit by a long run of spaces in the title bar.
inline QString chordWindowCaption() {
    return QStringLiteral("Akordi") + QString(121, u' ') + QStringLiteral("Tolmary");
}

// The runs of spaces are part of the text: they set the scale and the closing sentence apart.
inline QString helpTextBarre() {
    return QString::fromUtf8(
               "Seveda pa se da vsak akord prijeti še na več načinov. Najprej se naučite "
               "osnovnih in tudi najlažjih prijemov: A dur, E dur ter a mol in e mol, saj potem "
               "obvladate že skoraj vse osnovne akorde. Potem ko znate prijeti te akorde, "
               "praktično obvladate že vse, sa lahko vsakega od teh prijemov primete kje višje "
               "na vratu kitare in to tako, da s kazalcem stisnete vseh šest strun. Temu pravimo "
               "bare. Seveda pa morate poznati tonsko lestvico, ki gre takole:") +
           QString(16, u' ') + QStringLiteral("C  C#  D  D#  E  F  F#  G  G#  A  A#  B.") +
           QString(70, u' ') +
           QString::fromUtf8(
               "Mislim, da vam je sedaj jasno. Če primete E dur z barejem na prvem polju, ste "
               "dejansko prijeli F dur, na tretjem polju je potem G dur, na petem A dur i.t.d..");
}

inline QString helpTextSharps() {
    return QString::fromUtf8(
        "Zaradi poenostavljenja, so vsi akordi vpisani kot višaji (C# izgovorimo Cis) je za pol "
        "tona zvišan C, oziroma za pol tona znižan D (Db). A# je v karaokah večinoma napisan kot "
        "Bb, B pa je tisto, kar pri nas večinoma pravijo (po nemškem vzorcu) H. ");
}

}  // namespace chords
