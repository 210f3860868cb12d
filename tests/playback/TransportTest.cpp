// Play, pause, stop, selection, play types and the end of each track.
#include "PlayerFixture.h"

namespace {
// Tracks of 60, 90 and 30 s: starts at 2000, 62000 and 152000 ms, the disc ends at 182000.
const SimDisc kThreeTracks = SimDisc::Audio({60, 90, 30});

class Transport : public PlayerFixture {};
} // namespace

TEST_F(Transport, ALoadedDiscStopsAtTheStartOfEntryOneWithTheStoppedButtons)
{
    StartWith(kThreeTracks);
    EXPECT_EQ(player.EntryCount(), 3);
    EXPECT_EQ(player.EntryIndex, 1);
    EXPECT_EQ(player.CurrentTrack, 1);
    EXPECT_EQ(device.HeadMs(), 2000);
    EXPECT_FALSE(Playing());
    EXPECT_TRUE(commands.PlayBtn->isEnabled());
    EXPECT_FALSE(commands.PauseBtn->isEnabled());
    EXPECT_FALSE(commands.StopBtn->isEnabled());
    EXPECT_TRUE(commands.PrevBtn->isEnabled() && commands.NextBtn->isEnabled());
    EXPECT_TRUE(commands.TypeNormItem->isChecked());
    EXPECT_TRUE(player.TrackListEnabled);
    EXPECT_EQ(player.TrackItems, (QStringList{QStringLiteral("01: "), QStringLiteral("02: "), QStringLiteral("03: ")}));
    EXPECT_EQ(player.PlayList.Offset(3), 150000);
    EXPECT_EQ(player.PlayList.TotalLength(), 180000);
    EXPECT_EQ(player.DiscEnd, 182000);
    EXPECT_EQ(player.PlayGlyph, QStringLiteral("Play1"));
    EXPECT_EQ(player.StopGlyph, QStringLiteral("Stop1"));
}

TEST_F(Transport, ADataFirstTrackIsInNoListAndPlayingStartsAtTheFirstAudioTrack)
{
    StartWith(SimDisc::DataFirst(100, {60, 60}));
    EXPECT_EQ(player.EntryCount(), 2);
    EXPECT_EQ(player.PlayList.Track(1), 2);
    EXPECT_EQ(player.PlayList.Track(2), 3);
    EXPECT_EQ(player.CurrentTrack, 2);
    EXPECT_EQ(device.HeadMs(), TrackStart(2));
    EXPECT_EQ(player.TrackItems.first(), QStringLiteral("02: "));

    commands.PlayBtn->trigger();
    RunFor(1000);
    EXPECT_TRUE(Playing());
    EXPECT_GT(device.HeadMs(), TrackStart(2));
    EXPECT_LT(device.HeadMs(), TrackStart(3));
}

TEST_F(Transport, PlayPlaysTheEntryToItsEndAndTheButtonsCarryTheState)
{
    StartWith(kThreeTracks);
    commands.PlayBtn->trigger();
    EXPECT_TRUE(Playing());
    EXPECT_FALSE(commands.PlayBtn->isEnabled());
    EXPECT_TRUE(commands.PauseBtn->isEnabled());
    EXPECT_TRUE(commands.StopBtn->isEnabled());
    EXPECT_EQ(host.focused, commands.StopBtn);
    EXPECT_EQ(player.Timer.interval(), 100);
    // The drive itself would stop at the end of track 1.
    EXPECT_EQ(device.calls.last(), QStringLiteral("Play(-,62000)"));

    commands.StopBtn->trigger();
    EXPECT_FALSE(Playing());
    EXPECT_EQ(device.HeadMs(), 2000);
    EXPECT_TRUE(commands.PlayBtn->isEnabled());
    EXPECT_EQ(host.focused, commands.PlayBtn);
    EXPECT_EQ(player.Timer.interval(), 300);
}

TEST_F(Transport, PauseHaltsAndASecondPauseResumes)
{
    StartWith(kThreeTracks);
    commands.PlayBtn->trigger();
    RunFor(5000);
    commands.PauseBtn->trigger();
    EXPECT_TRUE(player.IsPaused());
    EXPECT_EQ(player.PauseGlyph, QStringLiteral("Pause1"));
    const int32_t halted = device.HeadMs();
    RunFor(3000);
    EXPECT_EQ(device.HeadMs(), halted);
    // Play while paused only re-applies the buttons: still paused.
    player.PlayBtnClick();
    EXPECT_TRUE(player.IsPaused());
    EXPECT_FALSE(Playing());

    commands.PauseBtn->trigger();
    EXPECT_FALSE(player.IsPaused());
    EXPECT_EQ(player.PauseGlyph, QStringLiteral("Pause0"));
    EXPECT_TRUE(Playing());
    RunFor(1000);
    EXPECT_GE(device.HeadMs(), halted + 900);
}

TEST_F(Transport, SelectingAnotherEntryWhilePausedStaysPausedAtItsStart)
{
    StartWith(kThreeTracks);
    commands.PlayBtn->trigger();
    RunFor(4000);
    commands.PauseBtn->trigger();
    player.SelectFromList(2); // the third item
    EXPECT_EQ(player.EntryIndex, 3);
    EXPECT_EQ(player.CurrentTrack, 3);
    EXPECT_EQ(device.HeadMs(), 152000);
    EXPECT_TRUE(player.IsPaused());
    EXPECT_FALSE(Playing());
    RunFor(2000);
    EXPECT_EQ(device.HeadMs(), 152000);
    EXPECT_EQ(player.TrackListIndex, 2);

    // Resuming plays the new entry, and the drive stops at its end.
    commands.PauseBtn->trigger();
    EXPECT_TRUE(Playing());
    clock.Advance(31000);
    EXPECT_EQ(device.HeadMs(), 182000);
}

TEST_F(Transport, SelectingAnEntryFromStoppedStartsPlayingIt)
{
    StartWith(kThreeTracks);
    player.SelectEntry(2);
    EXPECT_TRUE(Playing());
    EXPECT_EQ(player.CurrentTrack, 2);
    EXPECT_FALSE(commands.PlayBtn->isEnabled());
    clock.Advance(1000);
    EXPECT_EQ(device.HeadMs(), 63000);
}

TEST_F(Transport, ChoosingAPlayTypeWhilePlayingStopsAtEntryOneOfTheNewOrder)
{
    StartWith(kThreeTracks);
    player.SelectEntry(2);
    RunFor(2000);
    draws = {2, 0, 1};
    commands.TypeRandItem->trigger();
    EXPECT_TRUE(commands.TypeRandItem->isChecked());
    EXPECT_FALSE(commands.TypeNormItem->isChecked());
    EXPECT_EQ(player.PlayList.Tracks(), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(player.EntryIndex, 1);
    EXPECT_EQ(device.HeadMs(), 152000);
    EXPECT_FALSE(Playing());
    EXPECT_TRUE(commands.PlayBtn->isEnabled());

    // Even the current type draws anew.
    commands.PlayBtn->trigger();
    draws = {1, 2, 0};
    commands.TypeRandItem->trigger();
    EXPECT_TRUE(commands.TypeRandItem->isChecked());
    EXPECT_EQ(player.PlayList.Tracks(), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(device.HeadMs(), 62000);
    EXPECT_FALSE(Playing());
}

TEST_F(Transport, TheEndOfATrackIsTaken200MsBeforeTheNextTrackStarts)
{
    StartWith(kThreeTracks);
    commands.PlayBtn->trigger();
    clock.Advance(59799); // head at 61799
    Poll();
    EXPECT_EQ(player.EntryIndex, 1);
    clock.Advance(1); // head at 61800 = start of track 2 - 200
    Poll();
    EXPECT_EQ(player.EntryIndex, 2);
    EXPECT_EQ(player.CurrentTrack, 2);
    EXPECT_TRUE(Playing());
    EXPECT_EQ(device.HeadMs(), 62000);
    EXPECT_EQ(player.LastPosition, 62000);
}

TEST_F(Transport, TheEndOfAPlayingTrackIsReadAtTheFirstTickInTheMarginNotAtTheNextThirdTick)
{
    // Polls every third tick fall at 61700 and 62000 here: the end would be read late.
    StartWith(kThreeTracks);
    commands.PlayBtn->trigger(); // polls at once, at 2000
    uint32_t ran = 0;
    while (player.EntryIndex == 1 && ran < 61000) {
        clock.Advance(100);
        ran += 100;
        player.TimerProc();
    }
    EXPECT_EQ(player.EntryIndex, 2);
    EXPECT_EQ(ran, 59800u) << "the next track was asked for after the end of this one";
    EXPECT_EQ(device.HeadMs(), 62000);
}

TEST_F(Transport, TheEndOfTheLastEntryStopsAndRewindsWithoutRepeat)
{
    StartWith(kThreeTracks);
    player.SelectEntry(3);
    RunFor(31000);
    EXPECT_EQ(player.EntryIndex, 1);
    EXPECT_FALSE(Playing());
    EXPECT_EQ(device.HeadMs(), 2000);
    EXPECT_TRUE(commands.PlayBtn->isEnabled());
}

TEST_F(Transport, WithRepeatTheListGoesOnWithEntryOneInTheSameOrder)
{
    StartWith(kThreeTracks);
    draws = {1, 2, 0};
    commands.TypeRandItem->trigger(); // tracks 2, 3, 1
    commands.TypeReptItem->trigger();
    EXPECT_TRUE(player.RepeatChecked());
    EXPECT_TRUE(host.events.contains(QStringLiteral("RedrawDisplay")));
    player.SelectEntry(3); // track 1
    RunFor(61000);
    EXPECT_EQ(player.EntryIndex, 1);
    EXPECT_EQ(player.CurrentTrack, 2);
    EXPECT_TRUE(Playing());
    EXPECT_EQ(player.PlayList.Tracks(), (std::vector<int>{2, 3, 1}));
}

TEST_F(Transport, WithRepeatOneTheEndOfATrackRestartsTheSameEntry)
{
    StartWith(kThreeTracks);
    commands.TypeRept1Item->trigger();
    player.SelectEntry(3);
    RunFor(30500);
    EXPECT_EQ(player.EntryIndex, 3);
    EXPECT_TRUE(Playing());
    EXPECT_LT(device.HeadMs(), 152000 + 1000);
    // A selection still changes the entry.
    player.SelectEntry(1);
    EXPECT_EQ(player.CurrentTrack, 1);
}

TEST_F(Transport, TheRepeatCycleGoesOffRepeatRepeatOneOff)
{
    StartWith(kThreeTracks);
    player.CycleRepeat();
    EXPECT_TRUE(player.RepeatChecked());
    player.CycleRepeat();
    EXPECT_TRUE(player.RepeatOneChecked());
    EXPECT_FALSE(player.RepeatChecked());
    player.CycleRepeat();
    EXPECT_FALSE(player.RepeatOneChecked() || player.RepeatChecked());
}

TEST_F(Transport, PlayTypeCycleSkipsTheProgramTypesWithoutAProgram)
{
    StartWith(kThreeTracks);
    player.CyclePlayType();
    EXPECT_EQ(player.PlayType(), ptRandom);
    player.CyclePlayType();
    EXPECT_EQ(player.PlayType(), ptNormal);

    words.ProgramList[1] = 3;
    words.ProgramList[2] = 1;
    words.ProgramCount = 2;
    words.ResolveCopies(); // enables the program types
    player.CyclePlayType();
    player.CyclePlayType();
    EXPECT_EQ(player.PlayType(), ptProgram);
    EXPECT_EQ(player.PlayList.Tracks(), (std::vector<int>{3, 1}));
    player.CyclePlayType();
    EXPECT_EQ(player.PlayType(), ptProgramRandom);
    player.CyclePlayType();
    EXPECT_EQ(player.PlayType(), ptNormal);
}

TEST_F(Transport, AnEmptyListStopsInsteadOfLoopingForever)
{
    StartWith(kThreeTracks);
    words.ProgramCount = 1;
    words.ProgramList[1] = 42; // not on this disc
    player.PlayTypeClick(ptProgram);
    EXPECT_EQ(player.EntryCount(), 0);
    EXPECT_TRUE(commands.PlayBtn->isEnabled());
    player.EntryIndex = 1;
    EXPECT_TRUE(player.GoToEntry());
}

TEST_F(Transport, AnEmptyListChosenWhilePlayingStopsTheDriveAndPlayThenStartsNothing)
{
    StartWith(kThreeTracks);
    player.SelectEntry(2);
    RunFor(2000);
    ASSERT_TRUE(Playing());
    words.ProgramCount = 1;
    words.ProgramList[1] = 42; // not on this disc
    words.ResolveCopies();
    commands.TypeProgItem->trigger();
    EXPECT_EQ(player.EntryCount(), 0);
    EXPECT_TRUE(commands.PlayBtn->isEnabled());
    EXPECT_FALSE(Playing()); // the buttons say stopped, so must the drive
    const int32_t head = device.HeadMs();

    commands.PlayBtn->trigger();
    RunFor(2000);
    EXPECT_FALSE(Playing());
    EXPECT_EQ(device.HeadMs(), head);
    EXPECT_TRUE(commands.PlayBtn->isEnabled());
}

TEST_F(Transport, LyricsMenuTrackItemsMoveThroughTheList)
{
    StartWith(kThreeTracks);
    commands.PlayBtn->trigger();
    commands.NextTrkItem->trigger();
    EXPECT_EQ(player.CurrentTrack, 2);
    EXPECT_TRUE(Playing());
    RunFor(5000);
    commands.TopTrkItem->trigger();
    EXPECT_EQ(device.HeadMs(), 62000);
    commands.PrevTrkItem->trigger();
    commands.PrevTrkItem->trigger();
    EXPECT_EQ(player.EntryIndex, 1);
    // Past the last entry without repeat the list ends.
    player.EntryIndex = 3;
    commands.NextTrkItem->trigger();
    EXPECT_EQ(player.EntryIndex, 1);
    EXPECT_FALSE(Playing());
}
