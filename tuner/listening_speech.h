#pragma once
// What a screen reader hears of the listening window. The string and deviation labels and the
// frequency keep an accessible name of their own, so the display's 20 changes a second stay
// silent; the names follow the display when ReadingAnnouncer says a reading is worth telling,
// and that change, with the meter's value, is what the reader is told. A message (the prompt,
// no microphone) is always told.

#include <QString>
#include <cstdint>
#include <functional>

#include "tuner/reading_announcer.h"

class QLabel;

namespace tuner {

class TuningMeter;

class ListeningSpeech {
public:
    // Monotonic time in milliseconds.
    using Clock = std::function<std::int64_t()>;

    ListeningSpeech(QLabel& string, QLabel& deviation, QLabel& frequency, TuningMeter& meter,
                    Clock monotonicMs);

    // Called before the window shows a reading with these texts.
    void reading(const QString& string, const QString& deviation, const QString& frequency,
                 double cents);
    // Called before the window shows `text` in place of a reading.
    void message(const QString& text);

private:
    QLabel& string_;
    QLabel& deviation_;
    QLabel& frequency_;
    TuningMeter& meter_;
    Clock monotonicMs_;
    ReadingAnnouncer announcer_;
};

}  // namespace tuner
