#pragma once
// Chord chart module. The chord window frmPrijemi lays out a neck picture with 67 grip markers
// (marker_layout.h), a grid of 60 chord buttons and two help texts. A chord button press hands
// its catalogue row (chord_catalogue.h) to ChordDisplay, which clears the neck and shows the
// grip's markers back on this window. "Izhod" calls the endProgram function it was given.

#include <QWidget>
#include <array>
#include <functional>

#include "chords/chord_display.h"
#include "chords/marker_board.h"
#include "chords/marker_layout.h"

class QLabel;
class QPushButton;

namespace chords {

class frmPrijemi : public QWidget, private MarkerBoard {
    Q_OBJECT

public:
    // Builds the window with every marker hidden. It deletes itself when closed.
    explicit frmPrijemi(std::function<void()> endProgram);

private:
    void buildNeck();
    void buildChordButtons();
    void buildHelpTexts();
    void buildExitButtons();
    void chainTabOrder();
    void setMarkerVisible(int markerIndex, bool visible) override;

    std::function<void()> endProgram_;
    ChordDisplay display_;
    std::array<QLabel*, markerCount> markers_{};
    std::array<QPushButton*, chordCount> chordButtons_{};
    QPushButton* backToTuner_ = nullptr;
    QPushButton* exitProgram_ = nullptr;
};

// Shows the program's single chord window (see controls/single_window.h); an open one keeps its
// grip. `endProgram` is what its "Izhod" button calls; a window that is already open keeps the
// one it was made with.
frmPrijemi* showChordWindow(std::function<void()> endProgram);

}  // namespace chords
