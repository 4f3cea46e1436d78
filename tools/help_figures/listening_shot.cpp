#include "tools/help_figures/listening_shot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>

#include "controls/xp_button.h"
#include "midi/offline_synth.h"
#include "midi/soundfonts.h"
#include "tools/help_figures/silent_host.h"
#include "tuner/catalogue.h"
#include "tuner/frm_main.h"
#include "tuner/listening_window.h"

namespace help_figures {
namespace {

constexpr int program = 25;  // the default sound: steel-string acoustic guitar
constexpr int note = 45;     // A2, the fifth string of standard tuning
constexpr double centsFlat = -8.0;

// A microphone that hears one note, handed over as soon as it is opened.
class PlayedNote final : public audio::AudioCapture {
public:
    PlayedNote(audio::CaptureSink& sink, std::vector<float> sound, int rate)
        : sink_(sink), sound_(std::move(sound)), rate_(rate) {}
    void start() override { sink_.captured(sound_.data(), static_cast<int>(sound_.size())); }
    int sampleRate() const override { return rate_; }
    std::string failure() const override { return {}; }

private:
    audio::CaptureSink& sink_;
    std::vector<float> sound_;
    int rate_;
};

}  // namespace

QImage renderListeningWindow() {
    const midi::SoundFontChoice font = midi::installedSoundFont();
    std::string error;
    auto synth = midi::OfflineSynth::create(font.path, font.gain, error);
    if (!synth)
        return {};
    pitch::PitchCorrections flat;
    flat.cents[program - pitch::firstGuitarProgram][note - pitch::firstCalibratedNote] = centsFlat;
    synth->setCorrections(flat);
    std::vector<float> sound = synth->play(program, note, 1.0);
    for (float& s : sound)
        s *= 0.5f;
    const int rate = static_cast<int>(synth->sampleRate());

    // The string buttons' names, as the tuner window shows them.
    SilentHost host;
    const tuner::frmMain tunerWindow(host);
    tuner::StringNames names;
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = tunerWindow.cmdNote()[i]->caption();
    tuner::ListeningWindow window(
        [&](audio::CaptureSink& sink) { return std::make_unique<PlayedNote>(sink, sound, rate); },
        tuner::tuningRows[0].notes, names);
    QElapsedTimer waited;
    waited.start();
    while (window.deviationLabel().text().isEmpty() && waited.elapsed() < 5000)
        QCoreApplication::processEvents();
    window.show();
    QCoreApplication::processEvents();
    return window.grab().toImage();
}

}  // namespace help_figures
