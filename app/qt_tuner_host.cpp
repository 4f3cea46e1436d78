#include "app/qt_tuner_host.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/frame_centring.h"
#include "app/settings_store.h"
#include "app/twips_geometry.h"
#include "audio/desktop_audio.h"
#include "midi/system_midi_port.h"

namespace app {

QtTunerHost::QtTunerHost(std::unique_ptr<midi::MidiPort> port) : port_(std::move(port)) {
    if (!port_) {
        auto system = std::make_unique<midi::SystemMidiPort>();
        // The synth loads on its own thread: the window is built and shown meanwhile, and what
        // it plays before the synth is ready sounds once it is.
        system->prepareSynth([mayLoad = synthMayLoad_.get_future().share()] { mayLoad.wait(); });
        port_ = std::move(system);
    }
}

QtTunerHost::~QtTunerHost() {
    // The port waits for its loading thread, which must not wait for a frame that never came.
    startSynthLoading();
}

void QtTunerHost::startSynthLoading() {
    if (synthReleased_)
        return;
    synthReleased_ = true;
    synthMayLoad_.set_value();
}

tuner::MessageAnswer QtTunerHost::messageBox(QWidget* parent, const QString& text,
                                             const QString& title, tuner::MessageStyle style) {
    using tuner::MessageAnswer;
    const bool question = style == tuner::MessageStyle::question;
    QMessageBox box(question ? QMessageBox::Question : QMessageBox::Critical, title, text,
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    // Qt 6 looks these captions up under a name that Debian's Slovenian translation does not
    // carry, so they would stay English even with it installed. D and N answer a question.
    if (question) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Da"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Ne"));
    } else {
        box.button(QMessageBox::Ok)->setText(QStringLiteral("V redu"));
    }
    const int answer = box.exec();
    if (!question)
        return MessageAnswer::ok;
    return answer == QMessageBox::Yes ? MessageAnswer::yes : MessageAnswer::no;
}

QString QtTunerHost::readSetting(const QString& section, const QString& key,
                                 const QString& defaultValue) {
    return SettingsStore().read(section, key, defaultValue);
}

void QtTunerHost::writeSetting(const QString& section, const QString& key, const QString& value) {
    SettingsStore().write(section, key, value);
}

void QtTunerHost::writeSettings(const QString& section,
                                const QList<std::pair<QString, QString>>& values) {
    SettingsStore().write(section, values);
}

void QtTunerHost::centreOnScreen(QWidget& window) {
    centreFrameOnScreen(window);
}

double QtTunerHost::windowLeft(const QWidget& window) {
    return frameLeftTwips(window);
}

double QtTunerHost::windowTop(const QWidget& window) {
    return frameTopTwips(window);
}

bool QtTunerHost::setWindowLeft(QWidget& window, double twips) {
    return WindowTwips(window).setLeft(twips);
}

bool QtTunerHost::setWindowTop(QWidget& window, double twips) {
    return WindowTwips(window).setTop(twips);
}

bool QtTunerHost::onAnyScreen(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const auto screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(),
                       [&](const QScreen* s) { return s->geometry().intersects(frame); });
}

audio::AudioCaptureFactory QtTunerHost::microphone() {
    return audio::desktopMicrophone();
}

void QtTunerHost::endProgram() {
    // At once: no close event, no destructor, no settings written. Output already printed is
    // flushed so nothing the user saw on a terminal is cut.
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace app
