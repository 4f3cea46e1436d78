#pragma once
// Tuner module. frmMain is the program's main window: its controls sit where frm_main_layout.h
// puts them, its seven owner-drawn buttons are read from their stored properties, and every
// event is handed to TunerBehaviour, which plays notes through its MIDILib and reaches the
// settings, the screen and the message boxes through TunerHost. Data flows from the catalogue
// (catalogue.h) into the two lists, from the lists into the current notes, and from a string
// button to the MIDI port.

#include <QWidget>
#include <array>
#include <memory>

#include "tuner/tuner_behaviour.h"
#include "tuner/tuner_host.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace controls {
class XPButton;
}

namespace tuner {

class frmMain : public QWidget {
    Q_OBJECT

public:
    // Builds the window and loads it (centred, lists filled, stored choices applied, MIDI
    // output opened); showing it is the caller's step.
    explicit frmMain(TunerHost& host);
    ~frmMain() override;

    TunerBehaviour& behaviour() { return *behaviour_; }

    // The controls the behaviour and the start-up code work with.
    QComboBox* cmbInst = nullptr;
    QComboBox* cmbTune = nullptr;
    QLineEdit* txtDur = nullptr;
    std::array<controls::XPButton*, 6> cmdNote{};
    controls::XPButton* cmdDefaults = nullptr;
    QPushButton* Command1 = nullptr;  // "Akordi"
    QPushButton* Command2 = nullptr;  // "O programu": opens the about window
    QPushButton* Command3 = nullptr;  // "Izhod"

    // Decoration, exposed for inspection only.
    std::array<QLabel*, 3> imgDisplay{};
    std::array<QLabel*, 3> lblDisplay{};
    std::array<QWidget*, 6> picString{};
    QWidget* Line1 = nullptr;
    QLabel* picNeck = nullptr;
    QStatusBar* objStatus = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildFrame();
    void buildChoices();
    void buildStrings();
    void buildCommands();
    void readButtonProperties();
    void chainTabOrder();
    void connectHandlers();

    TunerHost& host_;
    std::unique_ptr<TunerBehaviour> behaviour_;
};

}  // namespace tuner
