#include <gtest/gtest.h>

#include "core/lyrics/WordsSweep.h"
#include "support/ManualClock.h"

namespace {
// "Hello " from 10.00 s, "big " from 10.50 s, "world" from 11.00 s, the line ending at
// 12.00 s; the position read as 9.90 s at the clock's tick 1000, running on with it.
SweepInput Line(const ManualClock& clock)
{
    SweepInput in;
    in.Words = {{1000, 0}, {1050, 6}, {1100, 10}};
    in.LineEnd = 1200;
    in.TextLength = 15;
    in.PositionMs = 9900;
    in.PositionTick = 1000;
    in.Now = clock.TickCount();
    return in;
}
} // namespace

TEST(WordsSweep, FollowsTheClockWordByWordAndIdlesOutsideTheSungLine)
{
    ManualClock clock(1000);
    // Before the first word: nothing sung, the first word due at its time, not sooner.
    SweepState s = ChooseSweep(Line(clock));
    EXPECT_EQ(s.Word, -1);
    ASSERT_TRUE(s.RepaintDue);
    EXPECT_EQ(s.RepaintTick, 1100u);
    EXPECT_EQ(s.WordTick, 1100u);

    // At the first word's time it begins; a quarter into it, a quarter of it is sung and
    // the sweep draws again at the next frame.
    clock.Set(1100);
    s = ChooseSweep(Line(clock));
    EXPECT_EQ(s.Word, 0);
    EXPECT_DOUBLE_EQ(s.Fraction, 0.0);
    clock.Set(1225);
    s = ChooseSweep(Line(clock));
    EXPECT_EQ(s.Word, 0);
    EXPECT_EQ(s.From, 0);
    EXPECT_EQ(s.To, 6);
    EXPECT_DOUBLE_EQ(s.Fraction, 0.25);
    ASSERT_TRUE(s.RepaintDue);
    EXPECT_EQ(s.RepaintTick, 1225u + kSweepFrameMs);
    ASSERT_TRUE(s.WordDue);
    EXPECT_EQ(s.WordTick, 1600u);

    // The last word sweeps towards the line's end; a frame never runs past it.
    clock.Set(3090);
    s = ChooseSweep(Line(clock));
    EXPECT_EQ(s.Word, 2);
    EXPECT_EQ(s.From, 10);
    EXPECT_EQ(s.To, 15);
    EXPECT_DOUBLE_EQ(s.Fraction, 0.99);
    EXPECT_EQ(s.RepaintTick, 3100u);
    EXPECT_FALSE(s.WordDue);

    // Sung through: all of it, and nothing more to draw until the next line.
    clock.Set(3100);
    s = ChooseSweep(Line(clock));
    EXPECT_EQ(s.Word, 2);
    EXPECT_DOUBLE_EQ(s.Fraction, 1.0);
    EXPECT_FALSE(s.RepaintDue);

    // Paused half-way into "big ": the sweep stands, and nothing is due.
    SweepInput paused = Line(clock);
    paused.Paused = true;
    paused.PositionMs = 10750;
    s = ChooseSweep(paused);
    EXPECT_EQ(s.Word, 1);
    EXPECT_DOUBLE_EQ(s.Fraction, 0.5);
    EXPECT_FALSE(s.RepaintDue);
    EXPECT_FALSE(s.WordDue);

    // A line without an end has its last word sung whole at once; a line without words is
    // a plain line, with nothing to sweep.
    SweepInput open = Line(clock);
    open.LineEnd = 0;
    s = ChooseSweep(open);
    EXPECT_EQ(s.Word, 2);
    EXPECT_DOUBLE_EQ(s.Fraction, 1.0);
    EXPECT_FALSE(s.RepaintDue);
    SweepInput plain = Line(clock);
    plain.Words.clear();
    s = ChooseSweep(plain);
    EXPECT_EQ(s.Word, -1);
    EXPECT_FALSE(s.RepaintDue);
}
