#pragma once
// The listening window, "Merilnik uglasitve": the string heard, its deviation in cents, its
// frequency and a meter, laid out as listening_layout.h says. It listens while it is open
// (ListeningBehaviour) and deletes itself when closed, which closes the microphone.

#include <QWidget>

#include "tuner/listening_behaviour.h"

class QLabel;

namespace tuner {

class TuningMeter;

class ListeningWindow : public QWidget, private ListeningView {
    Q_OBJECT

public:
    ListeningWindow(midi::AudioCaptureFactory microphone, const StringNotes& notes,
                    const StringNames& names, ListeningTiming timing = {});
    ~ListeningWindow() override;

    // The tuner's tuning changed.
    void setTargets(const StringNotes& notes, const StringNames& names);

    const QLabel& stringLabel() const { return *string_; }
    const QLabel& deviationLabel() const { return *deviation_; }
    const QLabel& frequencyLabel() const { return *frequency_; }
    const TuningMeter& meter() const { return *meter_; }

private:
    void showReading(const QString& stringName, const QString& deviation, const QString& frequency,
                     double cents) override;
    void showMessage(const QString& text) override;

    QLabel* string_ = nullptr;
    QLabel* deviation_ = nullptr;
    QLabel* frequency_ = nullptr;
    TuningMeter* meter_ = nullptr;
    std::unique_ptr<ListeningBehaviour> behaviour_;
};

// Shows the program's single listening window with the tuner's current strings: creates it
// when none is open, otherwise shows and raises the open one (which keeps listening).
ListeningWindow* showListeningWindow(midi::AudioCaptureFactory microphone, const StringNotes& notes,
                                     const StringNames& names);
// The open listening window, or null.
ListeningWindow* openListeningWindow();

}  // namespace tuner
