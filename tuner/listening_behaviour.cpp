#include "tuner/listening_behaviour.h"

#include <QLocale>
#include <algorithm>

#include "pitch/pitch_estimator.h"
#include "pitch/reading_text.h"
#include "tuner/listener.h"
#include "tuner/listening_layout.h"

namespace tuner {
namespace {

// Semitones around the targets the estimator still reads: a string a minor third off (a
// tuning just changed) is shown against its target rather than not at all.
constexpr double rangeMarginNotes = 3.0;

QString frequencyText(double hz) {
    return QLocale(QLocale::Slovenian).toString(hz, 'f', 2) + toQString(listening::hertz);
}

}  // namespace

ListeningBehaviour::ListeningBehaviour(ListeningView& view, audio::AudioCaptureFactory microphone,
                                       ListeningTiming timing)
    : view_(view), microphone_(std::move(microphone)) {
    hold_.setSingleShot(true);
    hold_.setInterval(timing.holdMs);
    connect(&hold_, &QTimer::timeout, this,
            [this] { view_.showMessage(toQString(listening::playPrompt)); });
    retry_.setSingleShot(true);
    retry_.setInterval(timing.retryMs);
    connect(&retry_, &QTimer::timeout, this, [this] { listen(); });
}

ListeningBehaviour::~ListeningBehaviour() {
    // Before anything its thread hands readings to goes.
    listener_.reset();
}

void ListeningBehaviour::setTargets(const StringNotes& notes, const StringNames& names) {
    notes_ = notes;
    names_ = names;
    choice_.emplace(notes_);
    follow();
}

void ListeningBehaviour::setChromatic(bool chromatic) {
    chromatic_ = chromatic;
    follow();
}

void ListeningBehaviour::setReference(int a4Hz) {
    a4Hz_ = a4Hz;
    follow();
}

void ListeningBehaviour::follow() {
    const auto [low, high] = std::minmax_element(notes_.begin(), notes_.end());
    // The estimator reads real frequencies: its notes move with the reference.
    const double shift = pitch::referenceOffsetCents(a4Hz_) / 100.0;
    // Chromatic, every fret of a guitar, the twelfth-fret harmonics and notes included.
    const double top =
        chromatic_ ? pitch::LiveEstimator::highestFrettedNote : *high + rangeMarginNotes;
    const std::pair<double, double> range{*low - rangeMarginNotes + shift, top + shift};
    if (range == range_ && (listener_ || retry_.isActive()))
        return;
    range_ = range;
    listen();
}

void ListeningBehaviour::listen() {
    retry_.stop();
    hold_.stop();
    listener_.reset();
    view_.showMessage(toQString(listening::playPrompt));
    // Readings and the loss arrive on the microphone's thread and are handled here, on the
    // window's; a reading still on its way when the window closes is dropped with it.
    const int generation = ++generation_;
    listener_ = std::make_unique<Listener>(
        microphone_, range_.first, range_.second,
        [this, generation](const pitch::Reading& r) {
            QMetaObject::invokeMethod(
                this, [this, generation, r] { reading(generation, r); }, Qt::QueuedConnection);
        },
        [this, generation](const std::string&) {
            QMetaObject::invokeMethod(
                this, [this, generation] { lost(generation); }, Qt::QueuedConnection);
        });
    listener_->start();
}

void ListeningBehaviour::reading(int generation, const pitch::Reading& r) {
    if (generation != generation_ || !listener_ || !choice_)
        return;
    const double hz = pitch::toStandardPitch(r.hz, a4Hz_);
    QString name;
    double cents = 0.0;
    if (chromatic_) {
        const int note = pitch::nearestNote(hz);
        name = QString::fromStdString(pitch::noteName(note));
        cents = pitch::centsBetween(hz, pitch::noteFrequencyHz(note));
    } else {
        const auto target = choice_->choose(hz);
        if (!target)
            return;
        name = names_[static_cast<std::size_t>(target->target)].trimmed();
        cents = target->cents;
    }
    view_.showReading(name, QString::fromStdString(pitch::centsText(cents, r.spreadCents)),
                      frequencyText(r.hz), cents);
    hold_.start();
}

void ListeningBehaviour::lost(int generation) {
    if (generation != generation_)
        return;
    listener_.reset();
    hold_.stop();
    view_.showMessage(toQString(listening::noMicrophone));
    retry_.start();
}

}  // namespace tuner
