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

#include "tuner/listening_behaviour.h"
#include "tuner/tuner_behaviour.h"
#include "tuner/tuner_host.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
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

    // The controls, for the start-up code, tools and tests. The window owns them and they stay
    // where they are for its whole life.
    QComboBox* cmbInst() const { return cmbInst_; }
    QComboBox* cmbTune() const { return cmbTune_; }
    QLineEdit* txtDur() const { return txtDur_; }
    QSpinBox* spnA4() const { return spnA4_; }  // the reference A4, in whole hertz
    const std::array<controls::XPButton*, stringCount>& cmdNote() const { return cmdNote_; }
    controls::XPButton* cmdDefaults() const { return cmdDefaults_; }
    controls::XPButton* cmdListen() const { return cmdListen_; }  // "Poslušaj"
    QPushButton* Command1() const { return command_[0]; }         // "Akordi"
    QPushButton* Command2() const { return command_[1]; }         // "O programu": the about window
    QPushButton* Command3() const { return command_[2]; }         // "Izhod"

    // Decoration, for inspection only.
    const std::array<QLabel*, 3>& imgDisplay() const { return imgDisplay_; }
    const std::array<QLabel*, 3>& lblDisplay() const { return lblDisplay_; }
    QLabel* lblA4() const { return lblA4_; }
    const std::array<QWidget*, stringCount>& picString() const { return picString_; }
    QLabel* picNeck() const { return picNeck_; }
    QStatusBar* objStatus() const { return objStatus_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildFrame();
    void buildChoices();
    void buildStrings();
    void buildCommands();
    void readButtonProperties();
    void chainTabOrder();
    // Labels name their controls, the neck picture is named, the other decoration is left
    // out of what a screen reader reads.
    void describeForReaders();
    void connectHandlers();
    // Opens the listening window on the selected tuning's strings, or raises the open one.
    void showListening();
    // The strings' names as their buttons show them.
    StringNames stringNames() const;

    TunerHost& host_;
    QComboBox* cmbInst_ = nullptr;
    QComboBox* cmbTune_ = nullptr;
    QLineEdit* txtDur_ = nullptr;
    QLabel* lblA4_ = nullptr;
    QSpinBox* spnA4_ = nullptr;
    std::array<controls::XPButton*, stringCount> cmdNote_{};
    controls::XPButton* cmdDefaults_ = nullptr;
    controls::XPButton* cmdListen_ = nullptr;
    std::array<QPushButton*, 3> command_{};
    std::array<QLabel*, 3> imgDisplay_{};
    std::array<QLabel*, 3> lblDisplay_{};
    std::array<QWidget*, stringCount> picString_{};
    QWidget* Line1_ = nullptr;
    QLabel* picNeck_ = nullptr;
    QStatusBar* objStatus_ = nullptr;
    std::unique_ptr<TunerBehaviour> behaviour_;
};

}  // namespace tuner
