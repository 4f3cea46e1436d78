#pragma once
// What the tuner window does: loading (centre, fill the lists, restore the stored choices,
// open the MIDI output), the sound and tuning changes, playing a string, the duration key
// filter, the defaults, the chord window and its strums (chord_sound.h), ending, and storing
// the choices on closing. It works on the window's controls handed in by reference and reaches
// everything outside the window through TunerHost, so it runs headless with fakes.

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "chords/chord_host.h"
#include "midi/midi_lib.h"
#include "tuner/catalogue.h"
#include "tuner/tuner_host.h"

class QComboBox;
class QLineEdit;
class QSpinBox;
class QWidget;

namespace tuner {

class ChordSound;

// The controls the behaviour reads or writes.
struct TunerControls {
    QWidget& window;
    QComboBox& cmbInst;
    QComboBox& cmbTune;
    QLineEdit& txtDur;
    QSpinBox& spnA4;
};

class TunerBehaviour {
public:
    // `showChords` shows the chord window, creating it when none is open.
    TunerBehaviour(TunerHost& host, TunerControls controls, std::function<void()> showChords);
    ~TunerBehaviour();
    TunerBehaviour(const TunerBehaviour&) = delete;
    TunerBehaviour& operator=(const TunerBehaviour&) = delete;

    // Runs once, before the window is first shown.
    void load();

    // Event handlers.
    void soundChange();
    void tuningChange();
    // The reference A4 box changed: the synth and the listening window follow it.
    void referenceChange();
    void playString(int index);
    // Returns the character code to let through, or 0 to swallow the key.
    int filterKey(int keyAscii) const;
    void loadDefaults();
    void showChordWindow();
    void exitProgram();
    // The window is about to close by its close box or the system; never refuses.
    void queryUnload();

    const StringNotes& currentNotes() const { return currentNotes_; }
    // The reference A4 in whole hertz.
    int referenceA4() const;
    // Called with the reference whenever it changes.
    void onReferenceChanged(std::function<void(int a4Hz)> changed) {
        referenceChanged_ = std::move(changed);
    }
    // Called with the new notes whenever the tuning change takes effect.
    void onNotesChanged(std::function<void(const StringNotes&)> changed) {
        notesChanged_ = std::move(changed);
    }
    midi::MIDILib& midiOut() { return midiOut_; }
    // The chord window's sound and remembered view; it goes with the behaviour.
    std::weak_ptr<chords::ChordHost> chordHost() const;

private:
    // The steps of load() and queryUnload(). The lists are filled from the catalogue's tables.
    void fillTuningList();
    void fillInstrumentList();
    void loadSettings();
    void saveSettings();
    // The MIDI output accepted at load could not be loaded after all: closed, and reported.
    void synthFailed();

    // Sets a drop-down list's text: selects the entry with exactly that text, else leaves the
    // selection as it is.
    static bool selectText(QComboBox& list, const QString& text);
    // A message box over the window with one of the window's texts; the button pressed.
    MessageAnswer message(std::u16string_view text, std::u16string_view title, MessageStyle style);
    void applyStoredPosition(const QString& left, const QString& top);
    // The note length in whole seconds; none, after telling the user, when the box is empty or
    // not numeric.
    std::optional<int> checkedDuration();

    TunerHost& host_;
    TunerControls controls_;
    std::function<void()> showChords_;
    StringNotes currentNotes_{};
    std::function<void(const StringNotes&)> notesChanged_;
    std::function<void(int)> referenceChanged_;
    midi::MIDILib midiOut_;
    std::shared_ptr<ChordSound> chordSound_;
};

}  // namespace tuner
