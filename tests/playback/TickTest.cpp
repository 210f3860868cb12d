// What the tick computes for the display, the play time and the lyrics window.
#include "PlayerFixture.h"

namespace {
// Twelve tracks of 60 s each.
const SimDisc kTwelveTracks = SimDisc::Audio({60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60});

class Tick : public PlayerFixture {
protected:
    // Paused 15.5 s into entry 2 (track 2).
    void PauseOnEntryTwo()
    {
        player.SelectEntry(2);
        clock.Advance(15500);
        commands.PauseBtn->trigger();
        Poll();
    }
};
} // namespace

TEST_F(Tick, TheFourTimeModesShowPassedAndRemainingTimeOfTheListAndTheTrack)
{
    StartWith(kTwelveTracks);
    PauseOnEntryTwo();
    struct Expected {
        int mode, ordinal, minutes, seconds;
    };
    // List: 720 s; entry 2 starts at 60 s; 15.5 s into it.
    for (const Expected& e :
         {Expected{0, 2, 1, 15}, Expected{1, 11, 10, 44}, Expected{2, 2, 0, 15}, Expected{3, 11, 0, 44}}) {
        player.TimeMode = e.mode;
        Poll();
        EXPECT_EQ(player.ShownOrdinal, e.ordinal) << e.mode;
        EXPECT_EQ(player.ShownNumber, e.ordinal) << e.mode;
        EXPECT_EQ(player.ShownMinutes, e.minutes) << e.mode;
        EXPECT_EQ(player.ShownSeconds, e.seconds) << e.mode;
        EXPECT_EQ(host.modeLabelText, PlaybackController::TimeModeName(e.mode));
    }
}

TEST_F(Tick, TrueTrackShowsTheDiscTrackNumberInEveryMode)
{
    StartWith(kTwelveTracks);
    draws = {4}; // entry 1 is track 5
    commands.TypeRandItem->trigger();
    player.TrueTrack = true;
    player.SelectEntry(1);
    for (int mode = 0; mode < 4; ++mode) {
        player.TimeMode = mode;
        Poll();
        EXPECT_EQ(player.ShownNumber, 5) << mode;
    }
    EXPECT_EQ(player.ShownOrdinal, 12); // mode 3 counts down
}

TEST_F(Tick, PlayTimeCountsWholeSecondsOnlyWhilePlaying)
{
    StartWith(kTwelveTracks);
    RunFor(5000); // stopped
    EXPECT_EQ(words.PlayTime, 0);
    commands.PlayBtn->trigger();
    clock.Advance(3500);
    Poll();
    EXPECT_EQ(words.PlayTime, 3);
    EXPECT_EQ(host.playTimeChanges, 1);

    commands.PauseBtn->trigger();
    clock.Advance(10000);
    Poll();
    EXPECT_EQ(words.PlayTime, 3);
    // The count restarts at the resume: the half second before the pause is lost.
    commands.PauseBtn->trigger();
    clock.Advance(2100);
    Poll();
    EXPECT_EQ(words.PlayTime, 5);

    // While data entry is open nothing counts, not even later.
    player.InDataEntry = true;
    clock.Advance(4000);
    Poll();
    EXPECT_EQ(words.PlayTime, 5);
    player.InDataEntry = false;
    clock.Advance(1100);
    Poll();
    EXPECT_EQ(words.PlayTime, 6);
}

TEST_F(Tick, WhileDataEntryIsOpenTheTickLeavesTheDriveAlone)
{
    StartWith(kTwelveTracks);
    player.SelectEntry(1);
    player.InDataEntry = true;
    clock.Advance(65000); // far past the end of track 1
    Poll();
    EXPECT_EQ(player.EntryIndex, 1);
    EXPECT_EQ(player.ShownMinutes, 0);
    EXPECT_EQ(player.ShownSeconds, 0);
}

TEST_F(Tick, TheTrackListFollowsTheEntryUnlessDroppedDown)
{
    StartWith(kTwelveTracks);
    player.SelectEntry(4);
    EXPECT_EQ(player.TrackListIndex, 3);
    host.listDropped = true;
    player.SelectEntry(6);
    EXPECT_EQ(player.TrackListIndex, 3);
    host.listDropped = false;
    Poll();
    EXPECT_EQ(player.TrackListIndex, 5);
}

TEST_F(Tick, TheTimerRunsFasterWhilePlaybackHasStarted)
{
    player.TimerInt = 50;
    StartWith(kTwelveTracks);
    EXPECT_EQ(player.Timer.interval(), 150);
    commands.PlayBtn->trigger();
    EXPECT_EQ(player.Timer.interval(), 50);
    commands.StopBtn->trigger();
    EXPECT_EQ(player.Timer.interval(), 150);
    // A value outside 10..10000 from a hand-edited file is held to that range.
    player.TimerInt = 0;
    player.UpdateTimerInterval();
    EXPECT_EQ(player.Timer.interval(), 30);
}

TEST_F(Tick, TheDevicePollComesEveryThirdTick)
{
    StartWith(kTwelveTracks);
    commands.PlayBtn->trigger(); // polls at once
    const int32_t first = player.LastPosition;
    clock.Advance(100);
    player.TimerProc();
    clock.Advance(100);
    player.TimerProc();
    EXPECT_EQ(player.LastPosition, first);
    clock.Advance(100);
    player.TimerProc();
    EXPECT_EQ(player.LastPosition, first + 300);
    EXPECT_EQ(player.LastPositionTick, clock.TickCount());
}

TEST_F(Tick, ATrackShorterThanTheEndMarginDoesNotMakeTheTickRunAway)
{
    // A crafted image: track 2 lasts 0.12 s.
    SimDisc disc;
    disc.tracks = {{150, true}, {150 + 75 * 30, true}, {150 + 75 * 30 + 9, true}};
    disc.leadOutFrame = 150 + 75 * 60;
    StartWith(disc);
    commands.TypeRept1Item->trigger();
    player.SelectEntry(2);
    RunFor(1000);
    EXPECT_EQ(player.EntryIndex, 2);
    EXPECT_TRUE(commands.StopBtn->isEnabled());
}

TEST_F(Tick, TheLyricsWindowIsWantedWhileItsItemIsCheckedAndUpdatedWhileARegisteredDiscPlays)
{
    FakeWordsView view;
    player.SetWordsView(&view);
    StartWith(kTwelveTracks);
    // Not wanted: the item is unchecked.
    RunFor(500);
    EXPECT_FALSE(player.WantWords);
    EXPECT_TRUE(view.updates.isEmpty());

    commands.WordsDispItem->setChecked(true);
    RunFor(500);
    EXPECT_TRUE(player.WantWords);
    EXPECT_TRUE(view.shown);
    EXPECT_FALSE(view.updates.contains(true)); // no data file: idle

    ASSERT_FALSE(words.Register(QStringLiteral("Lyrics")));
    commands.PlayBtn->trigger();
    view.updates.clear();
    RunFor(500);
    EXPECT_FALSE(view.updates.isEmpty());
    EXPECT_FALSE(view.updates.contains(false));

    // A track without lines, with HideNoWords: the window goes.
    view.hideNoWords = true;
    view.hasLines = false;
    RunFor(500);
    EXPECT_FALSE(player.WantWords);
    EXPECT_FALSE(view.shown);

    // Stopped with HideNoWords: not wanted, and no update.
    view.hasLines = true;
    commands.StopBtn->trigger();
    view.updates.clear();
    RunFor(1000);
    EXPECT_FALSE(player.WantWords);
    EXPECT_TRUE(view.updates.isEmpty());

    // A timing test wants the window and leaves the updates to the dialog.
    host.testing = true;
    RunFor(1000);
    EXPECT_TRUE(player.WantWords);
    EXPECT_TRUE(view.shown);
    EXPECT_TRUE(view.updates.isEmpty());
}

TEST_F(Tick, TheLyricsWindowIsNotShownOrHiddenWhileAPollIsDueOrMinimised)
{
    FakeWordsView view;
    player.SetWordsView(&view);
    StartWith(kTwelveTracks);
    commands.WordsDispItem->setChecked(true);
    host.minimized = true;
    RunFor(1000);
    EXPECT_TRUE(player.WantWords);
    EXPECT_FALSE(view.shown);
    host.minimized = false;
    // A command set the poll due: this tick leaves the window as it is.
    player.PollCountdown = -1;
    player.TimerProc();
    EXPECT_FALSE(view.shown);
    player.TimerProc();
    EXPECT_TRUE(view.shown);
}
