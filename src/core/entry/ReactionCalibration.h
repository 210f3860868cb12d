#pragma once
// Finding the user's reaction time: the program plays eight clicks at a steady pace and
// the user taps along; how late the taps come on average is proposed as the reaction
// time the timing capture takes off every stamp.
#include <cstdint>
#include <optional>
#include <vector>

// Plays the clicks. The device layer makes the sound; tests stand in for it.
class ClickSound {
public:
    virtual ~ClickSound() = default;
    // Starts count clicks, intervalMs apart, the first at once; false without a sound output.
    virtual bool Start(int count, int intervalMs) = 0;
    // Hands the sound output what it takes now; called every few milliseconds while it plays.
    virtual void Feed() = 0;
    // Milliseconds of the clicks' sound heard so far; -1 before the first sample sounds.
    virtual int HeardMs() = 0;
    virtual void Stop() = 0;
};

class ReactionCalibration {
public:
    static constexpr int kClicks = 8;
    static constexpr int kIntervalMs = 750;
    // Taps this much before a click still count for it (a tap that anticipated).
    static constexpr int kEarlyMs = 150;
    // At least this many clicks need a tap for a proposal.
    static constexpr int kNeeded = 5;

    // The clicks begin (are heard) at tick first; taps before are forgotten.
    void Begin(uint32_t first);
    void Tap(uint32_t tick);
    // The tick click k (0-based) is heard at.
    uint32_t ClickTick(int k) const { return first + static_cast<uint32_t>(k * kIntervalMs); }
    // Each click's lag: the first tap from kEarlyMs before it up to the next click's
    // window; clicks without a tap have none.
    std::vector<std::optional<int>> Lags() const;
    // The mean lag of the clicks tapped, rounded to 10 ms and never below 0; none with
    // fewer than kNeeded taps.
    std::optional<int> Proposal() const;
    // All clicks have sounded (and a last tap had its time) at tick now.
    bool Done(uint32_t now) const { return begun && now - first >= uint32_t(kClicks * kIntervalMs); }

private:
    bool begun = false;
    uint32_t first = 0;
    std::vector<uint32_t> taps;
};
