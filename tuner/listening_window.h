#pragma once
// The listening window, "Merilnik uglasitve": the string heard, its deviation in cents, its
// frequency, a meter and a strobe under it, the "Kromatično" box and the reference A4 when it
// is not 440 Hz, laid out as listening_layout.h says. It listens while it is open
// (ListeningBehaviour) and deletes itself when closed, which closes the microphone.

#include <QWidget>

#include "tuner/listening_behaviour.h"

namespace midi {
class WaitHost;
}

class QCheckBox;
class QLabel;

namespace tuner {

class ListeningSpeech;
class StrobeBand;
class TuningMeter;

class ListeningWindow : public QWidget, private ListeningView {
    Q_OBJECT

public:
    ListeningWindow(audio::AudioCaptureFactory microphone, const StringNotes& notes,
                    const StringNames& names, ListeningTiming timing = {},
                    midi::WaitHost* clock = nullptr);
    ~ListeningWindow() override;

    // The tuner's tuning changed.
    void setTargets(const StringNotes& notes, const StringNames& names);
    // The tuner's reference A4 changed (whole hertz).
    void setReference(int a4Hz);

    const QLabel& stringLabel() const { return *string_; }
    const QLabel& deviationLabel() const { return *deviation_; }
    const QLabel& frequencyLabel() const { return *frequency_; }
    const TuningMeter& meter() const { return *meter_; }
    const StrobeBand& strobe() const { return *strobe_; }
    QCheckBox& chromaticBox() const { return *chromatic_; }
    const QLabel& referenceLabel() const { return *reference_; }

private:
    void showReading(const QString& stringName, const QString& deviation, const QString& frequency,
                     double cents) override;
    void showMessage(const QString& text) override;

    QLabel* string_ = nullptr;
    QLabel* deviation_ = nullptr;
    QLabel* frequency_ = nullptr;
    TuningMeter* meter_ = nullptr;
    StrobeBand* strobe_ = nullptr;
    QCheckBox* chromatic_ = nullptr;
    QLabel* reference_ = nullptr;
    // What a screen reader is told; made before the behaviour, which reports at once.
    std::unique_ptr<ListeningSpeech> speech_;
    std::unique_ptr<ListeningBehaviour> behaviour_;
};

// Shows the program's single listening window with the tuner's current strings: creates it
// when none is open, otherwise shows and raises the open one (which keeps listening). `clock`
// times what a screen reader is told; without one the steady clock does.
ListeningWindow* showListeningWindow(audio::AudioCaptureFactory microphone,
                                     const StringNotes& notes, const StringNames& names,
                                     midi::WaitHost* clock = nullptr);
// The open listening window, or null.
ListeningWindow* openListeningWindow();

}  // namespace tuner
