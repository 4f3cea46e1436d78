#include "tuner/listening_behaviour.h"

#include <QLocale>
#include <algorithm>

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

ListeningBehaviour::ListeningBehaviour(ListeningView& view, midi::AudioCaptureFactory microphone,
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
    const auto [low, high] = std::minmax_element(notes_.begin(), notes_.end());
    const std::pair<double, double> range{*low - rangeMarginNotes, *high + rangeMarginNotes};
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
    const auto target = choice_->choose(r.hz);
    if (!target)
        return;
    view_.showReading(names_[static_cast<std::size_t>(target->target)].trimmed(),
                      QString::fromStdString(pitch::centsText(target->cents, r.spreadCents)),
                      frequencyText(r.hz), target->cents);
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
