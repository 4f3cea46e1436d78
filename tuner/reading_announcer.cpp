#include "tuner/reading_announcer.h"

namespace tuner {

bool ReadingAnnouncer::reading(const QString& string, const QString& deviation, bool inTune,
                               std::int64_t nowMs) {
    bool due = !last_;
    if (last_) {
        const std::int64_t since = nowMs - last_->atMs;
        const bool news = string != last_->string || inTune != last_->inTune;
        const bool moved = deviation != last_->deviation;
        due = (news && since >= changeIntervalMs) || (moved && since >= movingIntervalMs);
    }
    if (due)
        last_ = Announced{string, deviation, inTune, nowMs};
    return due;
}

}  // namespace tuner
