#pragma once
// The neck of the chord window as it shows a grip, right- or left-handed: rendered one way for
// the golden images the chord tests compare against and for the tool that rewrites them.

#include <QImage>
#include <QString>
#include <array>
#include <string_view>

#include "chords/marker_layout.h"

namespace neck_image {

struct NeckView {
    std::string_view chord;  // a chord button's name
    chords::Hand hand;
};

// A grip with a string left open (E major) and one with a string left out (C major), each
// seen both ways.
inline constexpr std::array<NeckView, 4> goldenViews{{{"C", chords::Hand::right},
                                                      {"C", chords::Hand::left},
                                                      {"E", chords::Hand::right},
                                                      {"E", chords::Hand::left}}};

// "neck-C-right.png"
QString goldenName(const NeckView& view);

// The neck picture with its markers, cut from a chord window that shows the view.
QImage renderNeckView(const NeckView& view);

}  // namespace neck_image
