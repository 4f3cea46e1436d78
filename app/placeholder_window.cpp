#include "app/placeholder_window.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace app {

PlaceholderWindow::PlaceholderWindow(tuner::TunerHost& host)
    : host_(host), midi_(std::make_unique<midi::MIDILib>(host.midiPort(), host.waitHost())) {
    setWindowTitle(QString::fromUtf8("Uglaševanje kitare"));
    auto* layout = new QVBoxLayout(this);
    auto* play = new QPushButton(QString::fromUtf8("     E-1 (Najtanjša struna)"), this);
    layout->addWidget(play);
    std::int32_t code = 0;
    if (!midi_->connectMIDI(midi::mapperId, code)) {
        host_.messageBox(this, QString::fromUtf8("Ne morem povezati na MIDI Mapper"),
                         QString::fromUtf8("Kritična napaka"), tuner::msgbox::critical);
    } else {
        midi_->setInstrument(25);
        midi_->setBaseNote(0);
    }
    connect(play, &QPushButton::clicked, this, [this] { midi_->playNote(64, 2); });
}

}  // namespace app
