#pragma once
// A stand-in main window until the tuner window exists: plays the thinnest string.

#include <QWidget>
#include <memory>

#include "midi/midi_lib.h"
#include "tuner/tuner_host.h"

namespace app {

class PlaceholderWindow : public QWidget {
public:
    explicit PlaceholderWindow(tuner::TunerHost& host);

private:
    tuner::TunerHost& host_;
    std::unique_ptr<midi::MIDILib> midi_;
};

}  // namespace app
