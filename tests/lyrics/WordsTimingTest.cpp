// When the lyrics line changes next, as the controller's moment and the clock tell it:
// the choice differs exactly from the tick it names, across seeks, pauses and adjustments.
#include "core/lyrics/WordsLine.h"
#include "playback/PlayerFixture.h"

namespace {
class WordsTiming : public PlayerFixture {
protected:
    // Two tracks of 30 s, registered; track 1 has A (1.00 s to 3.00 s) and B (3.20 s to 5.00 s).
    void SetUp() override
    {
        StartWith(SimDisc::Audio({30, 30}));
        ASSERT_FALSE(words.Register(QStringLiteral("Timing")));
        words.SetLine(1, 1, {QStringLiteral("A"), 100, 300});
        words.SetLine(1, 2, {QStringLiteral("B"), 320, 500});
        words.SetLineCount(1, 2);
    }

    // The choice at tick count now, from the controller's last reading.
    WordsChoice At(uint32_t now)
    {
        WordsInput in;
        in.Active = true;
        TakeMoment(in, player);
        in.Now = now;
        return ChooseWords(words, in);
    }

    // The choice names its next change: one millisecond before it the line is still the
    // same, at it the line is another. Answers the tick it named.
    uint32_t ExpectChangeNamedRight()
    {
        const uint32_t now = clock.TickCount();
        const WordsChoice c = At(now);
        EXPECT_TRUE(c.ChangeDue);
        if (!c.ChangeDue) return 0;
        EXPECT_GT(c.ChangeTick - now, 0u);
        EXPECT_EQ(At(c.ChangeTick - 1).Line, c.Line);
        EXPECT_NE(At(c.ChangeTick).Line, c.Line);
        return c.ChangeTick;
    }

    // The tick at which the head, playing on from the last reading, is ms into track 1.
    uint32_t TickAtTrackMs(int32_t ms) const
    {
        return player.LastPositionTick + static_cast<uint32_t>(TrackStart(1) + ms - player.LastPosition);
    }
};
} // namespace

TEST_F(WordsTiming, TheNextChangeIsNamedFromTheReadingAcrossASeekAPauseAndAnAdjustment)
{
    commands.PlayBtn->trigger(); // reads the position
    // A appears once 1.01 s have passed (its start must be passed), then B at 3.21 s.
    EXPECT_EQ(ExpectChangeNamedRight(), TickAtTrackMs(1010));
    RunFor(1500);
    EXPECT_EQ(At(clock.TickCount()).Line, QStringLiteral("A"));
    EXPECT_EQ(ExpectChangeNamedRight(), TickAtTrackMs(3000)); // A ends
    RunFor(1600);
    EXPECT_EQ(ExpectChangeNamedRight(), TickAtTrackMs(3210));

    // Back to the start of the track: timed again from the new reading.
    commands.TopTrkItem->trigger();
    EXPECT_EQ(ExpectChangeNamedRight(), TickAtTrackMs(1010));
    RunFor(2000);

    // Paused, nothing is due; resumed 5 s later, the rest of A is still to come.
    commands.PauseBtn->trigger();
    EXPECT_FALSE(At(clock.TickCount()).ChangeDue);
    EXPECT_EQ(At(clock.TickCount() + 60000).Line, QStringLiteral("A"));
    RunFor(5000);
    commands.PauseBtn->trigger();
    const uint32_t resumed = clock.TickCount();
    const int32_t into = player.LastPosition - TrackStart(1);
    EXPECT_EQ(ExpectChangeNamedRight(), resumed + static_cast<uint32_t>(3000 - into));

    // An adjustment of half a second moves every change half a second later.
    const uint32_t plain = At(clock.TickCount()).ChangeTick;
    words.SetAdjust(1, 50);
    EXPECT_EQ(ExpectChangeNamedRight(), plain + 500);
    // Past the last line nothing more will change.
    words.SetAdjust(1, 0);
    RunFor(6000);
    EXPECT_FALSE(At(clock.TickCount()).ChangeDue);
}

TEST_F(WordsTiming, BridgedGapsAndOverlapsChangeWhereTheChoiceDoes)
{
    // With continuous display the 0.2 s gap is bridged: A runs on until B takes over.
    EXPECT_EQ(NextLineChange(
                  150, 2,
                  [](int k) {
                      return k == 1 ? LineSpan{100, 300} : LineSpan{320, 500};
                  },
                  true),
              std::optional<int32_t>(321));
    // Overlapping lines: B takes over at its start; A's end changes nothing.
    const auto overlap = [](int k) { return k == 1 ? LineSpan{100, 400} : LineSpan{300, 500}; };
    EXPECT_EQ(NextLineChange(150, 2, overlap, false), std::optional<int32_t>(301));
    EXPECT_EQ(NextLineChange(301, 2, overlap, false), std::optional<int32_t>(500));
    EXPECT_EQ(NextLineChange(500, 2, overlap, false), std::nullopt);
    // Before the track's start the hundredths count from the nine milliseconds before each step.
    for (int32_t linePos : {-3, 0, 1, 57})
        for (int adjust : {-20, 0, 35}) {
            const int32_t at = FirstPositionAt(linePos, 10000, adjust, 5);
            EXPECT_EQ(LinePosition(at, 10000, adjust, 5), linePos) << linePos << " " << adjust;
            EXPECT_EQ(LinePosition(at - 1, 10000, adjust, 5), linePos - 1) << linePos << " " << adjust;
        }
}
