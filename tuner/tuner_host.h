#pragma once
// What the tuner window takes from its host: message boxes, the settings store, placement on
// the screen, ending the program, and the MIDI port and wait services its MIDILib uses. The
// application provides the real ones; tests provide recording fakes.

#include <QList>
#include <QString>
#include <utility>

class QWidget;

#include "audio/audio_capture.h"

namespace midi {
class MidiPort;
class WaitHost;
}  // namespace midi

namespace tuner {

// Message box styles and answers, numbered as the classic message-box constants.
enum class MessageStyle {
    critical = 16,  // critical icon, OK button
    question = 36,  // question icon, Yes and No buttons
};
enum class MessageAnswer { ok = 1, yes = 6, no = 7 };

class TunerHost {
public:
    virtual ~TunerHost() = default;

    // A modal message box; returns the button pressed.
    virtual MessageAnswer messageBox(QWidget* parent, const QString& text, const QString& title,
                                     MessageStyle style) = 0;

    // The per-user settings store; a missing key reads as `defaultValue`.
    virtual QString readSetting(const QString& section, const QString& key,
                                const QString& defaultValue) = 0;
    virtual void writeSetting(const QString& section, const QString& key, const QString& value) = 0;
    // Several values of a section at once: one write, so that a store that cannot be written
    // says so once. By default one after the other.
    virtual void writeSettings(const QString& section,
                               const QList<std::pair<QString, QString>>& values) {
        for (const auto& [key, value] : values)
            writeSetting(section, key, value);
    }

    // Centres the window on its screen, horizontally then vertically.
    virtual void centreOnScreen(QWidget& window) = 0;

    // The window frame's outer position, in twips (1/1440 inch).
    virtual double windowLeft(const QWidget& window) = 0;
    virtual double windowTop(const QWidget& window) = 0;
    // Moves the frame's outer left (top) edge to `twips`. A value no screen coordinate can hold
    // is refused: nothing moves and the result is false.
    virtual bool setWindowLeft(QWidget& window, double twips) = 0;
    virtual bool setWindowTop(QWidget& window, double twips) = 0;
    // Whether some part of the window lies on one of the screens.
    virtual bool onAnyScreen(const QWidget& window) = 0;

    // Ends the process at once: no window's closing step runs, nothing is written.
    virtual void endProgram() = 0;

    virtual midi::MidiPort& midiPort() = 0;
    virtual midi::WaitHost& waitHost() = 0;
    // Record streams from the desktop's microphone, for the listening window.
    virtual audio::AudioCaptureFactory microphone() = 0;
};

}  // namespace tuner
