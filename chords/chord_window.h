#pragma once
// Chord chart module. The chord window frmPrijemi lays out a neck picture with 67 grip markers
// (marker_layout.h), a grid of 60 chord buttons and two help texts. A chord button press hands
// its catalogue row (chord_catalogue.h) to ChordDisplay, which clears the neck and shows the
// grip's markers back on this window. "Zaigraj" strums the grip shown and "Za levičarje"
// mirrors the neck, both through the ChordHost it was given (chord_host.h). "Izhod" calls the
// endProgram function it was given.

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "chords/chord_display.h"
#include "chords/chord_host.h"
#include "chords/marker_board.h"
#include "chords/marker_layout.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace chords {

class frmPrijemi : public QWidget, private MarkerBoard {
    Q_OBJECT

public:
    // Builds the window with every marker hidden. It deletes itself when closed.
    explicit frmPrijemi(std::function<void()> endProgram, std::weak_ptr<ChordHost> host = {});

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildNeck();
    void buildChordButtons();
    void buildHelpTexts();
    void buildExitButtons();
    void buildPlayControls();
    void chainTabOrder();
    void setMarkerVisible(int markerIndex, bool visible) override;
    void showHand(Hand hand) override;

    std::function<void()> endProgram_;
    ChordDisplay display_;
    QLabel* neck_ = nullptr;
    std::array<QLabel*, markerCount> markers_{};
    std::array<QPushButton*, chordCount> chordButtons_{};
    QPushButton* backToTuner_ = nullptr;
    QPushButton* exitProgram_ = nullptr;
    QPushButton* play_ = nullptr;
    QCheckBox* leftHanded_ = nullptr;
};

// Shows the program's single chord window (see controls/single_window.h); an open one keeps its
// grip. `endProgram` is what its "Izhod" button calls and `host` what it plays and remembers
// through; a window that is already open keeps the ones it was made with.
frmPrijemi* showChordWindow(std::function<void()> endProgram, std::weak_ptr<ChordHost> host = {});

}  // namespace chords
