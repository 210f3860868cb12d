#pragma once
#include <atomic>

#include "core/common/Clock.h"

// A clock that moves only when the test says so. A fake sound output reads it on the
// player's thread while the test moves it: hence atomic.
class ManualClock : public Clock {
public:
    explicit ManualClock(uint32_t start = 1000) : now(start) {}
    uint32_t TickCount() const override { return now.load(std::memory_order_relaxed); }
    void Advance(uint32_t ms) { now.fetch_add(ms, std::memory_order_relaxed); }
    void Set(uint32_t ms) { now.store(ms, std::memory_order_relaxed); }

private:
    std::atomic<uint32_t> now;
};
