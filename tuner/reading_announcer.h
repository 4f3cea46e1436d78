#pragma once
// When a screen reader is told about the listening window's readings. The display changes
// about 20 times a second; a reader that spoke each change would never finish a sentence. A
// reading is announced when it brings a new string or takes the needle into or out of the
// in-tune band, and otherwise at most once a second while its deviation moves. Times come from
// the caller's monotonic clock, so the rule is tested without waiting.

#include <QString>
#include <cstdint>
#include <optional>

namespace tuner {

class ReadingAnnouncer {
public:
    // The least time between two announcements while only the deviation moves.
    static constexpr std::int64_t movingIntervalMs = 1000;
    // The least time between any two announcements: a needle trembling on the band's edge
    // changes zone at every reading, and is announced no faster than this.
    static constexpr std::int64_t changeIntervalMs = 300;

    // A reading shown at `nowMs`: whether to announce it now.
    bool reading(const QString& string, const QString& deviation, bool inTune, std::int64_t nowMs);
    // No reading is shown any more (the prompt or a message): the next one is news.
    void cleared() { last_.reset(); }

private:
    struct Announced {
        QString string;
        QString deviation;
        bool inTune;
        std::int64_t atMs;
    };
    std::optional<Announced> last_;
};

}  // namespace tuner
