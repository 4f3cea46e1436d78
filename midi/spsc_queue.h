#pragma once
// A bounded queue between one producing thread and one consuming thread that never blocks
// and never allocates after construction: what a real-time thread may read from. The
// producers serialise themselves when there are several; the consumer is one thread at a time.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace midi {

template <typename T, std::size_t Capacity>
class SpscQueue {
    static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0,
                  "the capacity is a power of two, so the counters may wrap");

public:
    // Producer. False, and nothing changed, when the queue is full.
    bool push(const T& value) {
        const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == Capacity)
            return false;
        slots_[tail & (Capacity - 1)] = value;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer. The oldest value, or nothing when the queue is empty.
    std::optional<T> pop() {
        const std::uint64_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire))
            return std::nullopt;
        T value = slots_[head & (Capacity - 1)];
        head_.store(head + 1, std::memory_order_release);
        return value;
    }

    // Values pushed so far, and values popped so far: positions in the queue's history.
    std::uint64_t pushed() const { return tail_.load(std::memory_order_acquire); }
    std::uint64_t popped() const { return head_.load(std::memory_order_acquire); }

private:
    std::array<T, Capacity> slots_{};
    // Apart, so that the two threads do not share a cache line for their counters.
    alignas(64) std::atomic<std::uint64_t> head_{0};
    alignas(64) std::atomic<std::uint64_t> tail_{0};
};

}  // namespace midi
