// Previous and next: quick skips that add up, and the fast seek while a button is held.
#include "PlayerFixture.h"

namespace {
// Five tracks of 60 s: track n starts at 2000 + (n - 1) * 60000 ms; the disc ends at 302000.
const SimDisc kFiveTracks = SimDisc::Audio({60, 60, 60, 60, 60});

class Presses : public PlayerFixture {};
} // namespace

TEST_F(Presses, ThreeQuickNextPressesMakeOneJump800MsAfterTheThird)
{
    StartWith(kFiveTracks);
    commands.PlayBtn->trigger();
    RunFor(3000);
    const qsizetype mark = device.calls.size();
    Press(true, 60);
    RunFor(300);
    Press(true, 60);
    RunFor(300);
    Press(true, 60); // pressed at t3
    EXPECT_EQ(player.EntryIndex, 4);
    EXPECT_TRUE(player.SkipPending);
    // Nothing has moved yet: the first track plays on.
    EXPECT_EQ(player.CurrentTrack, 1);
    EXPECT_EQ(PositioningsSince(mark), 0);
    clock.Advance(740); // t3 + 800
    player.TimerProc();
    EXPECT_EQ(PositioningsSince(mark), 0);
    clock.Advance(1); // more than 800 ms after the third press
    player.TimerProc();
    EXPECT_FALSE(player.SkipPending);
    EXPECT_EQ(player.CurrentTrack, 4);
    EXPECT_EQ(PositioningsSince(mark), 1);
    EXPECT_TRUE(Playing());
    EXPECT_GE(device.HeadMs(), TrackStart(4));
    EXPECT_LT(device.HeadMs(), TrackStart(4) + 500);
}

TEST_F(Presses, NextOnTheLastEntryWrapsToEntryOneEvenWithoutRepeat)
{
    StartWith(kFiveTracks);
    player.SelectEntry(5);
    ASSERT_FALSE(player.RepeatChecked());
    Press(true, 50);
    EXPECT_EQ(player.EntryIndex, 1);
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 1);
    EXPECT_TRUE(Playing());
}

TEST_F(Presses, PreviousInTheFirstTwoSecondsGoesBackAndLaterRestartsTheEntry)
{
    StartWith(kFiveTracks);
    player.SelectEntry(3);
    RunFor(1500);
    Press(false, 50);
    EXPECT_EQ(player.EntryIndex, 2);
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 2);

    RunFor(5000);
    Press(false, 50);
    EXPECT_EQ(player.EntryIndex, 2);
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 2);
    EXPECT_LT(device.HeadMs(), TrackStart(2) + 500);

    // Quick presses add up backwards too: each starts from the skip's target.
    RunFor(5000);
    player.SelectEntry(4);
    RunFor(5000);
    Press(false, 50); // restart 4
    RunFor(150);
    Press(false, 50); // 3
    RunFor(150);
    Press(false, 50); // 2
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 2);
}

TEST_F(Presses, PreviousOnEntryOneAlwaysRestartsIt)
{
    StartWith(kFiveTracks);
    commands.PlayBtn->trigger();
    RunFor(500);
    Press(false, 50);
    EXPECT_EQ(player.EntryIndex, 1);
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 1);
    EXPECT_LT(device.HeadMs(), TrackStart(1) + 500);
}

TEST_F(Presses, AHeldButtonSeeksInStepsOf1000Then1700Then2890Ms)
{
    StartWith(SimDisc::Audio({600}));
    std::vector<int32_t> moves;
    host.seekKeys = true;
    player.PrevNextPress(true);
    int32_t last = 0;
    for (int i = 0; i < 500; ++i) { // five seconds
        RunFor(10);
        if (!player.FastSeeking) continue;
        if (last != 0 && player.SeekTarget != last) moves.push_back(player.SeekTarget - last);
        last = player.SeekTarget;
    }
    EXPECT_FALSE(player.Timer.isActive());
    EXPECT_EQ(player.LastPosition, player.SeekTarget);
    host.seekKeys = false;
    player.ReleaseButton();
    EXPECT_TRUE(player.Timer.isActive());
    EXPECT_FALSE(player.FastSeeking);

    ASSERT_GE(moves.size(), 40u);
    // Passes 1 to 14 move 1000 ms, 15 to 29 move 1700, from the 30th on 2890.
    for (size_t i = 0; i < 14; ++i) EXPECT_EQ(moves[i], 1000) << i;
    for (size_t i = 14; i < 29; ++i) EXPECT_EQ(moves[i], 1700) << i;
    for (size_t i = 29; i < moves.size(); ++i) EXPECT_EQ(moves[i], 2890) << i;
    // Stopped, the head goes where the seek reached and stays there.
    EXPECT_EQ(device.HeadMs(), last);
    EXPECT_FALSE(Playing());
}

TEST_F(Presses, AFastSeekBackwardsStopsAtTheStartOfEntryOneAndPlaysFromThere)
{
    StartWith(kFiveTracks);
    player.SelectEntry(2);
    RunFor(5000); // head near 67000
    host.seekKeys = true;
    player.PrevNextPress(false);
    RunFor(2000);
    EXPECT_TRUE(player.FastSeeking);
    EXPECT_EQ(player.EntryIndex, 1); // crossed back into entry 1
    EXPECT_FALSE(Playing());
    RunFor(6000);
    EXPECT_EQ(player.SeekTarget, TrackStart(1));
    EXPECT_EQ(player.EntryIndex, 1);
    EXPECT_EQ(player.LastPosition, TrackStart(1));
    host.seekKeys = false;
    player.ReleaseButton();
    EXPECT_TRUE(Playing());
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 1);
    EXPECT_GE(device.HeadMs(), TrackStart(1) + 900);
}

TEST_F(Presses, AFastSeekForwardsStopsAtTheEndOfTheLastEntryAndTheListEndsAtTheNextPoll)
{
    StartWith(kFiveTracks);
    player.SelectEntry(4);
    host.seekKeys = true;
    player.PrevNextPress(true);
    RunFor(12000);
    EXPECT_EQ(player.EntryIndex, 5);
    EXPECT_EQ(player.SeekTarget, 302000);
    host.seekKeys = false;
    player.ReleaseButton();
    RunFor(1000);
    EXPECT_EQ(player.EntryIndex, 1);
    EXPECT_FALSE(Playing());
    EXPECT_EQ(device.HeadMs(), TrackStart(1));
    EXPECT_TRUE(commands.PlayBtn->isEnabled());
}

TEST_F(Presses, AFastSeekForwardsWithRepeatGoesOnWithEntryOne)
{
    StartWith(kFiveTracks);
    commands.TypeReptItem->trigger();
    player.SelectEntry(5);
    Press(true, 8000);
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 1);
    EXPECT_TRUE(Playing());
}

TEST_F(Presses, ASecondPressWhileHeldIsIgnored)
{
    StartWith(kFiveTracks);
    host.seekKeys = true;
    player.PrevNextPress(true);
    RunFor(200);
    player.PrevNextPress(false); // the other button, still during the first press
    RunFor(600);
    EXPECT_TRUE(player.FastSeeking);
    EXPECT_GT(player.SeekTarget, TrackStart(1));
    host.seekKeys = false;
    player.ReleaseButton();
    EXPECT_FALSE(player.Waiting());
}

TEST_F(Presses, WhenNoSeekKeyIsDownTheDisplayStopsFollowingTheSeek)
{
    // A mouse button released away from the button: no click, the press goes on, but
    // the tick stops showing the seek.
    StartWith(kFiveTracks);
    host.seekKeys = true;
    player.PrevNextPress(true);
    RunFor(1000);
    ASSERT_TRUE(player.FastSeeking);
    host.seekKeys = false;
    RunFor(50);
    EXPECT_FALSE(player.FastSeeking);
    EXPECT_TRUE(player.ButtonHeld);
    player.ReleaseButton();
    EXPECT_FALSE(player.Waiting());
    EXPECT_TRUE(player.Timer.isActive());
}

TEST_F(Presses, ADiscTakenOutDuringAFastSeekEndsItWithoutPlaying)
{
    StartWith(kFiveTracks);
    commands.PlayBtn->trigger();
    host.seekKeys = true;
    player.PrevNextPress(true);
    RunFor(1000);
    const qsizetype mark = device.calls.size();
    device.RemoveDisc();
    RunFor(1000);
    EXPECT_FALSE(player.FastSeeking);
    EXPECT_FALSE(player.Waiting());
    EXPECT_TRUE(host.events.contains(QStringLiteral("WriteLogLine")));
    EXPECT_FALSE(commands.PlayBtn->isEnabled());
    EXPECT_FALSE(commands.NextBtn->isEnabled());
    host.seekKeys = false;
    player.ReleaseButton();
    EXPECT_TRUE(device.calls.mid(mark).filter(QStringLiteral("Play(")).isEmpty());
}
