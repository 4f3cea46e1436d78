#include "tuner/listening_speech.h"

#include <QAccessible>
#include <QLabel>

#include "tuner/tuning_meter.h"

namespace tuner {
namespace {

// A label's name that is empty would hand the name back to the label's text, which tells the
// reader of every change; a single space reads as nothing.
QString nameFor(const QString& text) {
    return text.isEmpty() ? QStringLiteral(" ") : text;
}

// Renames only on a change: every rename is told to the reader.
void rename(QLabel& label, const QString& text) {
    if (label.accessibleName() != nameFor(text))
        label.setAccessibleName(nameFor(text));
}

}  // namespace

ListeningSpeech::ListeningSpeech(QLabel& string, QLabel& deviation, QLabel& frequency,
                                 TuningMeter& meter, Clock monotonicMs)
    : string_(string),
      deviation_(deviation),
      frequency_(frequency),
      meter_(meter),
      monotonicMs_(std::move(monotonicMs)) {
    for (QLabel* label : {&string_, &deviation_, &frequency_})
        label->setAccessibleName(nameFor(label->text()));
}

void ListeningSpeech::reading(const QString& string, const QString& deviation,
                              const QString& frequency, double cents) {
    if (!announcer_.reading(string, deviation, TuningMeter::inTuneAt(cents), monotonicMs_()))
        return;
    rename(string_, string);
    rename(deviation_, deviation);
    rename(frequency_, frequency);
    QAccessibleValueChangeEvent event(&meter_, TuningMeter::clamped(cents));
    QAccessible::updateAccessibility(&event);
}

void ListeningSpeech::message(const QString& text) {
    announcer_.cleared();
    rename(string_, text);
    rename(deviation_, QString());
    rename(frequency_, QString());
}

}  // namespace tuner
