#pragma once
#include "core/common/Clock.h"

// A clock that moves only when the test says so.
class ManualClock : public Clock {
public:
    explicit ManualClock(uint32_t start = 1000) : now(start) {}
    uint32_t TickCount() const override { return now; }
    void Advance(uint32_t ms) { now += ms; }
    void Set(uint32_t ms) { now = ms; }

private:
    uint32_t now;
};
