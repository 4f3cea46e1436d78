#include "tuner/listening_window.h"

#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <chrono>

#include "controls/accessibility.h"
#include "controls/enter_key.h"
#include "controls/single_window.h"
#include "midi/wait_host.h"
#include "tuner/catalogue.h"
#include "tuner/listening_layout.h"
#include "tuner/listening_speech.h"
#include "tuner/strobe_band.h"
#include "tuner/tuning_meter.h"
#include "tuner/window_font.h"

namespace tuner {
namespace {

// The one listening window, while it is open.
QPointer<ListeningWindow>& openWindow() {
    static QPointer<ListeningWindow> window;
    return window;
}

QLabel* centredLabel(QWidget* parent, const layout::Place& place, double points, bool bold) {
    auto* label = new QLabel(parent);
    label->setGeometry(layout::pixels(place));
    label->setAlignment(Qt::AlignCenter);
    QFont font = windowFont(points);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

ListeningSpeech::Clock monotonicClock(midi::WaitHost* host) {
    if (host)
        return [host] { return host->monotonicMs(); };
    return [] {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    };
}

}  // namespace

ListeningWindow::ListeningWindow(audio::AudioCaptureFactory microphone, const StringNotes& notes,
                                 const StringNames& names, ListeningTiming timing,
                                 midi::WaitHost* clock) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(toQString(listening::caption));
    setWindowIcon(QIcon(toQString(layout::windowIcon)));
    setFont(windowFont());
    setFixedSize(listening::clientWidth / layout::twipsPerPixel,
                 listening::clientHeight / layout::twipsPerPixel);

    string_ = centredLabel(this, listening::stringName, listening::stringNamePoints, true);
    deviation_ = centredLabel(this, listening::deviation, listening::deviationPoints, true);
    frequency_ = centredLabel(this, listening::frequency, listening::frequencyPoints, false);
    meter_ = new TuningMeter(this);
    meter_->setGeometry(layout::pixels(listening::meter));
    strobe_ = new StrobeBand(monotonicClock(clock), this);
    strobe_->setGeometry(layout::pixels(listening::strobe));
    chromatic_ = new QCheckBox(toQString(listening::chromatic), this);
    chromatic_->setGeometry(layout::pixels(listening::chromaticBox));
    reference_ = new QLabel(this);
    reference_->setGeometry(layout::pixels(listening::reference));
    auto* close = new QPushButton(toQString(listening::close), this);
    close->setGeometry(layout::pixels(listening::closeButton));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    controls::letEnterPressButtons(*this);
    // The meter already reads as a value; the moving stripes say nothing more.
    controls::hideFromReaders(*strobe_);

    speech_ = std::make_unique<ListeningSpeech>(*string_, *deviation_, *frequency_, *meter_,
                                                monotonicClock(clock));
    ListeningView& view = *this;
    behaviour_ = std::make_unique<ListeningBehaviour>(view, std::move(microphone), timing);
    behaviour_->setTargets(notes, names);
    connect(chromatic_, &QCheckBox::toggled, this,
            [this](bool chromatic) { behaviour_->setChromatic(chromatic); });
}

ListeningWindow::~ListeningWindow() {
    // The microphone closes before the labels it reports to.
    behaviour_.reset();
}

void ListeningWindow::setTargets(const StringNotes& notes, const StringNames& names) {
    behaviour_->setTargets(notes, names);
}

void ListeningWindow::setReference(int a4Hz) {
    behaviour_->setReference(a4Hz);
    reference_->setText(a4Hz == pitch::standardA4
                            ? QString()
                            : toQString(listening::referencePrefix) + QString::number(a4Hz) +
                                  toQString(listening::hertz));
}

void ListeningWindow::showReading(const QString& stringName, const QString& deviation,
                                  const QString& frequency, double cents) {
    speech_->reading(stringName, deviation, frequency, cents);
    string_->setText(stringName);
    deviation_->setText(deviation);
    frequency_->setText(frequency);
    meter_->setCents(cents);
    strobe_->setCents(cents);
    QPalette palette = deviation_->palette();
    palette.setColor(QPalette::WindowText,
                     meter_->inTune() ? listening::inTuneColour : listening::outOfTuneColour);
    deviation_->setPalette(palette);
}

void ListeningWindow::showMessage(const QString& text) {
    speech_->message(text);
    string_->setText(text);
    deviation_->clear();
    frequency_->clear();
    meter_->setCents(std::nullopt);
    strobe_->setCents(std::nullopt);
}

ListeningWindow* showListeningWindow(audio::AudioCaptureFactory microphone,
                                     const StringNotes& notes, const StringNames& names,
                                     midi::WaitHost* clock) {
    return controls::showSingleWindow(
        openWindow(),
        [&] { return new ListeningWindow(std::move(microphone), notes, names, {}, clock); });
}

ListeningWindow* openListeningWindow() {
    return openWindow();
}

}  // namespace tuner
