#pragma once
// Lets time pass for a playback controller on a manual clock: every 10 ms the step
// timer fires while a wait runs, and the tick timer fires whenever its interval has gone by.
#include <cstdint>

#include "core/playback/PlaybackController.h"
#include "support/ManualClock.h"

class PlayerTime {
public:
    PlayerTime(PlaybackController& player, ManualClock& clock) : player(player), clock(clock) {}

    void RunFor(uint32_t ms)
    {
        for (uint32_t t = 0; t < ms; t += 10) {
            clock.Advance(10);
            if (player.Waiting()) player.Step();
            sinceTick += 10;
            if (!player.Timer.isActive()) {
                sinceTick = 0;
            } else if (sinceTick >= static_cast<uint32_t>(player.Timer.interval())) {
                sinceTick = 0;
                player.TimerProc();
            }
        }
    }

private:
    PlaybackController& player;
    ManualClock& clock;
    uint32_t sinceTick = 0;
};
