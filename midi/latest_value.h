#pragma once
// The newest of a series of values, handed from one thread that writes them to one thread
// that reads them, without locks or allocation: three slots, one being written, one being
// read and one in between. A reader that is slower than the writer skips to the newest.

#include <array>
#include <atomic>

namespace midi {

template <typename T>
class LatestValue {
public:
    // Writer: fills the slot it owns, then publishes it.
    T& next() { return slots_[writing_]; }
    void publish() { writing_ = middle_.exchange(writing_ | fresh) & index; }

    // Reader: the newest value published since the last take(), or null.
    const T* take() {
        if (!(middle_.load() & fresh))
            return nullptr;
        reading_ = middle_.exchange(reading_) & index;
        return &slots_[reading_];
    }

private:
    static constexpr unsigned index = 3;
    static constexpr unsigned fresh = 4;
    std::array<T, 3> slots_{};
    unsigned writing_ = 0;
    std::atomic<unsigned> middle_{1};
    unsigned reading_ = 2;
};

}  // namespace midi
