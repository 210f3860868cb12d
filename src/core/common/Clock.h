#pragma once
// Monotonic millisecond tick count. 32-bit and unsigned on purpose: every interval is
// taken as an unsigned difference, so a wrap after 49.7 days does no harm.
#include <QElapsedTimer>
#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t TickCount() const = 0;
};

class SystemClock : public Clock {
public:
    SystemClock() { timer.start(); }
    uint32_t TickCount() const override { return static_cast<uint32_t>(timer.elapsed()); }

private:
    QElapsedTimer timer;
};
