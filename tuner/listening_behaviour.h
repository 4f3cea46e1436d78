#pragma once
// What the listening window does while it is open: it listens to the microphone, finds the
// string each reading belongs to among the six of the selected tuning (or, chromatic, the
// nearest note of any pitch up to E6), against the reference A4, and tells the view what to
// show; the last reading stays a moment after the sound has gone, then the prompt returns;
// a missing microphone is looked for again until one is there.

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <memory>
#include <optional>

#include "audio/audio_capture.h"
#include "pitch/live_estimator.h"
#include "pitch/reference_pitch.h"
#include "pitch/target_choice.h"
#include "tuner/catalogue.h"

namespace tuner {

class Listener;

// What the window shows.
class ListeningView {
public:
    virtual ~ListeningView() = default;
    // A reading: the string's name, its deviation and frequency as texts, and the deviation in
    // cents for the meter.
    virtual void showReading(const QString& stringName, const QString& deviation,
                             const QString& frequency, double cents) = 0;
    // No reading: the prompt, or why there is nothing to listen to.
    virtual void showMessage(const QString& text) = 0;
};

using StringNames = std::array<QString, stringCount>;

// How long the last reading stays after the sound has gone, and how soon a missing microphone
// is looked for again.
struct ListeningTiming {
    int holdMs = 1500;
    int retryMs = 2000;
};

class ListeningBehaviour : public QObject {
    Q_OBJECT

public:
    ListeningBehaviour(ListeningView& view, audio::AudioCaptureFactory microphone,
                       ListeningTiming timing = {});
    // Closes the microphone.
    ~ListeningBehaviour() override;

    // The strings to tune: the selected tuning's notes and the string buttons' names. Listening
    // starts with the first targets and follows every change.
    void setTargets(const StringNotes& notes, const StringNames& names);

    // Names the nearest equal-tempered note instead of the nearest string.
    void setChromatic(bool chromatic);
    // The reference A4 in hertz (pitch::lowestA4 to pitch::highestA4) readings are read against.
    void setReference(int a4Hz);

    // Whether the microphone is open.
    bool listening() const { return listener_ != nullptr; }

private:
    // Listens afresh when the notes to read have changed, or nothing listens.
    void follow();
    void listen();
    void reading(int generation, const pitch::Reading& reading);
    void lost(int generation);

    ListeningView& view_;
    audio::AudioCaptureFactory microphone_;
    StringNotes notes_{};
    StringNames names_;
    std::optional<pitch::TargetChoice> choice_;
    bool chromatic_ = false;
    int a4Hz_ = pitch::standardA4;
    // The notes the estimator reads: the targets with room for a string far out of tune.
    std::pair<double, double> range_{};
    QTimer hold_;
    QTimer retry_;
    std::unique_ptr<Listener> listener_;
    // Counts the listeners made, so that what an earlier one left on its way is ignored.
    int generation_ = 0;
};

}  // namespace tuner
