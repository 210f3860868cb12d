// Discs coming in and going out: loading, auto-play, the no-disc state.
#include <QFile>

#include "PlayerFixture.h"

namespace {
const SimDisc kThreeTracks = SimDisc::Audio({60, 90, 30});

class DiscChanges : public PlayerFixture {
protected:
    // Start-up with an empty drive; the first polls find nothing.
    void StartEmpty()
    {
        StartUp();
        RunFor(1000);
    }
};
} // namespace

TEST_F(DiscChanges, ADiscInTheDriveAtStartUpIsLoadedByTheFirstPoll)
{
    device.InsertDisc(kThreeTracks);
    StartUp();
    EXPECT_TRUE(player.DiscAtStart);
    EXPECT_EQ(host.events.first(), QStringLiteral("FinishStartup"));
    EXPECT_EQ(player.EntryCount(), 0);
    RunFor(300);
    EXPECT_EQ(player.EntryCount(), 3);
    EXPECT_FALSE(player.DiscAtStart);
    EXPECT_FALSE(player.Loading);
    EXPECT_TRUE(player.LogStart.isValid());
    EXPECT_EQ(host.events.mid(1, 3), (QStringList{QStringLiteral("CloseDiscManager"), QStringLiteral("ClosePopupMenus"),
                                                  QStringLiteral("ShowDiscTitle")}));
    EXPECT_TRUE(host.modeLabelVisible);
    EXPECT_EQ(host.modeLabelText, QStringLiteral("Pass"));
}

TEST_F(DiscChanges, PopupMenusStayWhileADialogIsOpen)
{
    host.dialogOpen = true;
    device.InsertDisc(kThreeTracks);
    StartUp();
    RunFor(300);
    EXPECT_EQ(player.EntryCount(), 3);
    EXPECT_FALSE(host.events.contains(QStringLiteral("ClosePopupMenus")));
}

TEST_F(DiscChanges, ADiscInsertedWithAutorunDoesNotStartByItselfButTheSameDiscAtStartUpDoes)
{
    player.AutoPlay = true;
    host.autorun = true;
    StartEmpty();
    device.InsertDisc(kThreeTracks);
    RunFor(1000);
    ASSERT_EQ(player.EntryCount(), 3);
    EXPECT_FALSE(Playing());
    EXPECT_TRUE(commands.PlayBtn->isEnabled());

    // Without Autorun.inf the next disc plays at once.
    device.OpenTray();
    RunFor(1000);
    host.autorun = false;
    device.CloseDoor();
    RunFor(1000);
    EXPECT_TRUE(Playing());
}

TEST_F(DiscChanges, ADiscWithAutorunAlreadyInTheDriveAtStartUpPlays)
{
    player.AutoPlay = true;
    host.autorun = true;
    StartWith(kThreeTracks);
    EXPECT_TRUE(Playing());
    EXPECT_FALSE(commands.PlayBtn->isEnabled());
}

TEST_F(DiscChanges, ShiftHeldWhileADiscLoadsInvertsAutoPlay)
{
    player.AutoPlay = false;
    StartEmpty();
    host.shift = true;
    device.InsertDisc(kThreeTracks);
    RunFor(1000);
    EXPECT_TRUE(Playing());

    player.AutoPlay = true;
    device.OpenTray();
    RunFor(1000);
    device.CloseDoor();
    RunFor(1000);
    ASSERT_EQ(player.EntryCount(), 3);
    EXPECT_FALSE(Playing());
}

TEST_F(DiscChanges, LoadingWaitsForTheDriveToSettleWithoutTicking)
{
    device.settleMs = 3000;
    StartEmpty();
    const int updates = host.displayUpdates;
    device.InsertDisc(kThreeTracks); // not ready for three seconds
    RunFor(1000);
    EXPECT_TRUE(player.Loading);
    EXPECT_TRUE(player.Waiting());
    EXPECT_FALSE(player.Timer.isActive());
    EXPECT_GT(host.displayUpdates, updates); // "Loading..." is shown
    const int countdown = player.PollCountdown;
    RunFor(1500);
    EXPECT_EQ(player.PollCountdown, countdown); // no tick ran meanwhile
    EXPECT_EQ(player.EntryCount(), 0);
    RunFor(1000);
    EXPECT_FALSE(player.Loading);
    EXPECT_FALSE(player.Waiting());
    EXPECT_TRUE(player.Timer.isActive());
    EXPECT_EQ(player.EntryCount(), 3);
    EXPECT_EQ(device.HeadMs(), 2000);
}

TEST_F(DiscChanges, ANotReadyDriveThatNeverReportsOpenLoadsOnlyAfterTheTrayOpens)
{
    device.emptyMode = ModeNotReady;
    StartUp();
    // The initial open mode changes to not ready: a load that waits 20 s for nothing.
    RunFor(1000);
    EXPECT_TRUE(player.Loading);
    RunFor(19000);
    EXPECT_TRUE(player.Loading);
    RunFor(1000);
    EXPECT_FALSE(player.Loading);
    EXPECT_EQ(player.EntryCount(), 0);
    EXPECT_FALSE(commands.PlayBtn->isEnabled());

    // Not ready straight to stopped is no disc change.
    device.InsertDisc(kThreeTracks);
    RunFor(3000);
    EXPECT_EQ(player.EntryCount(), 0);
    EXPECT_FALSE(commands.PlayBtn->isEnabled());

    device.OpenTray();
    RunFor(1000);
    device.CloseDoor();
    RunFor(1000);
    EXPECT_EQ(player.EntryCount(), 3);
    EXPECT_TRUE(commands.PlayBtn->isEnabled());
}

TEST_F(DiscChanges, ADiscWithoutAudioLeavesOnlyThePropertiesCommand)
{
    device.InsertDisc(SimDisc::DataFirst(300, {}));
    StartUp();
    RunFor(1000);
    EXPECT_EQ(words.AudioState, 0);
    EXPECT_EQ(player.EntryCount(), 0);
    EXPECT_TRUE(commands.CDInfoItem->isEnabled());
    for (Command* a : {commands.PlayBtn, commands.PauseBtn, commands.StopBtn, commands.PrevBtn, commands.NextBtn,
                       commands.CDInfoSaveItem, commands.TypeNormItem, commands.TypeRandItem, commands.TypeReptItem,
                       commands.TypeRept1Item, commands.ProgSetItem, commands.InputDataItem})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(player.TrackListEnabled);
    EXPECT_FALSE(host.modeLabelVisible);
    EXPECT_EQ(player.PlayGlyph, QStringLiteral("Play0"));
}

TEST_F(DiscChanges, RemovingTheDiscShowsNoDiscAndClearsBothRadioGroups)
{
    StartWith(kThreeTracks);
    commands.TypeReptItem->trigger();
    commands.PlayBtn->trigger();
    RunFor(2000);
    device.OpenTray();
    RunFor(1000);
    EXPECT_FALSE(commands.TypeNormItem->isChecked());
    EXPECT_FALSE(commands.TypeReptItem->isChecked());
    EXPECT_FALSE(commands.TypeNormItem->isEnabled());
    EXPECT_FALSE(commands.PlayBtn->isEnabled());
    EXPECT_FALSE(commands.StopBtn->isEnabled());
    EXPECT_TRUE(player.TrackItems.isEmpty());
    EXPECT_FALSE(player.TrackListEnabled);
    EXPECT_EQ(player.Timer.interval(), 300);
    EXPECT_FALSE(player.LogStart.isValid());
    EXPECT_FALSE(host.modeLabelVisible);
    EXPECT_EQ(host.events.count(QStringLiteral("WriteLogLine")), 1);
}

TEST_F(DiscChanges, RemovingTheDiscWhileDataEntryIsOpenCancelsItAndSavesThePlayState)
{
    StartWith(kThreeTracks);
    ASSERT_FALSE(words.Register(QStringLiteral("Sample")));
    ASSERT_TRUE(words.HasFile());
    commands.PlayBtn->trigger();
    RunFor(5000);
    const int32_t played = words.PlayTime;
    ASSERT_GE(played, 4);

    // Data entry opens: it stops playback and the tick leaves the drive alone.
    commands.StopBtn->trigger();
    player.InDataEntry = true;
    host.dialogOpen = true;
    host.onCloseDiscDialogs = [this] {
        host.dialogOpen = false;
        player.InDataEntry = false;
    };
    RunFor(1000);
    device.OpenTray();
    RunFor(1000);
    const qsizetype cancel = host.events.indexOf(QStringLiteral("CloseDiscDialogs"));
    ASSERT_GE(cancel, 0);
    // With the dialog gone the popups are closed, then the log line is written.
    EXPECT_EQ(host.events.mid(cancel, 3),
              (QStringList{QStringLiteral("CloseDiscDialogs"), QStringLiteral("ClosePopupMenus"),
                           QStringLiteral("WriteLogLine")}));
    EXPECT_FALSE(player.InDataEntry);
    EXPECT_FALSE(words.HasFile());

    // The play time went into the data file: the same disc brings it back.
    words.PlayTime = 0;
    device.CloseDoor();
    RunFor(1000);
    ASSERT_TRUE(words.HasFile());
    EXPECT_EQ(words.PlayTime, played);
}

TEST_F(DiscChanges, ASkipArmedJustBeforeTheDiscGoesNeitherJumpsNorUnloadsTwice)
{
    StartWith(kThreeTracks);
    commands.PlayBtn->trigger();
    RunFor(2000);
    Press(true, 50);
    ASSERT_TRUE(player.SkipPending);
    device.OpenTray();
    const qsizetype mark = device.calls.size();
    RunFor(2000);
    EXPECT_EQ(host.events.count(QStringLiteral("WriteLogLine")), 1);
    EXPECT_FALSE(player.SkipPending);
    EXPECT_TRUE(device.calls.mid(mark).filter(QStringLiteral("Play(")).isEmpty());
}

TEST_F(DiscChanges, AnUnknownPlayTypeInTheDataFilePlaysAsNormal)
{
    StartWith(kThreeTracks);
    ASSERT_FALSE(words.Register(QStringLiteral("Odd")));
    const QString path = words.FileName;
    commands.TypeRandItem->trigger();
    device.OpenTray();
    RunFor(1000);
    // A play type of 7, written by hand into the file.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    const qsizetype at = text.indexOf("PlayType=");
    ASSERT_GE(at, 0);
    text.replace(at, text.indexOf('\n', at) - at, "PlayType=7\r");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();

    device.CloseDoor();
    RunFor(1000);
    ASSERT_EQ(words.PlayTypeCode, 7);
    EXPECT_TRUE(commands.TypeNormItem->isChecked());
    EXPECT_EQ(player.PlayType(), ptNormal);
    EXPECT_EQ(player.PlayList.Tracks(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(commands.PlayBtn->isEnabled());
}

TEST_F(DiscChanges, WithoutADiscTrackCommandsAndSelectionsDoNothing)
{
    StartEmpty();
    player.SelectEntry(1);
    commands.NextTrkItem->trigger();
    commands.TopTrkItem->trigger();
    commands.PrevTrkItem->trigger();
    EXPECT_FALSE(commands.PlayBtn->isEnabled());
    EXPECT_FALSE(commands.NextBtn->isEnabled());
    EXPECT_TRUE(device.calls.filter(QStringLiteral("Play(")).isEmpty());

    device.InsertDisc(kThreeTracks);
    RunFor(1000);
    ASSERT_EQ(player.EntryCount(), 3);
    player.SelectEntry(4); // past the list
    player.SelectEntry(0);
    EXPECT_EQ(player.EntryIndex, 1);
    EXPECT_FALSE(Playing());
}

TEST_F(DiscChanges, AfterTheDiscWentASelectionByNumberNeitherMovesTheHeadNorStartsPlaying)
{
    StartWith(kThreeTracks);
    device.OpenTray();
    RunFor(1000);
    ASSERT_FALSE(player.TrackListEnabled);
    const qsizetype mark = device.calls.size();
    const uint32_t before = clock.TickCount();
    player.SelectEntry(2);
    EXPECT_TRUE(device.calls.mid(mark).filter(QStringLiteral("Play(")).isEmpty());
    EXPECT_LT(clock.TickCount() - before, 100u); // no wait for a head that is not there
    EXPECT_FALSE(commands.PauseBtn->isEnabled());
    EXPECT_FALSE(commands.StopBtn->isEnabled());
}

TEST_F(DiscChanges, AReplacedDiscIsUnloadedAndLoadedOnceWhateverAsksTheDriveFirst)
{
    // The swap answers open once; a command may be the one to hear it.
    const SimDisc kTwoTracks = SimDisc::Audio({60, 90});
    const std::vector<std::pair<const char*, std::function<void()>>> askers = {
        {"Pause", [&] { commands.PauseBtn->trigger(); }},
        {"a number key", [&] { player.SelectEntry(2); }},
        {"the track list", [&] { player.SelectFromList(0); }},
        {"the next poll", [] {}},
    };
    StartWith(kTwoTracks);
    commands.PlayBtn->trigger();
    RunFor(1000);
    bool three = true;
    for (const auto& [name, ask] : askers) {
        SCOPED_TRACE(name);
        host.events.clear();
        device.ReplaceDisc(three ? kThreeTracks : kTwoTracks);
        const uint32_t before = clock.TickCount();
        ask();
        EXPECT_LT(clock.TickCount() - before, 100u); // nothing waits for the head
        RunFor(2000);
        EXPECT_EQ(host.events.count(QStringLiteral("WriteLogLine")), 1);     // one unload
        EXPECT_EQ(host.events.count(QStringLiteral("CloseDiscManager")), 1); // one load
        EXPECT_EQ(words.SongCount, three ? 3 : 2);
        EXPECT_EQ(player.EntryCount(), three ? 3 : 2);
        EXPECT_TRUE(commands.PlayBtn->isEnabled()); // a new disc stands at its first entry
        three = !three;
    }
}

TEST_F(DiscChanges, APressInItsClickPhaseWhenTheDiscGoesArmsNoSkip)
{
    device.emptyMode = ModeNotReady; // an empty drive that reports not ready
    StartWith(kThreeTracks);
    commands.PlayBtn->trigger();
    RunFor(1000);
    host.seekKeys = true;
    player.PrevNextPress(true);
    RunFor(100);
    device.RemoveDisc();
    Poll();
    ASSERT_FALSE(player.TrackListEnabled);
    host.seekKeys = false;
    player.ReleaseButton(); // within the click phase
    EXPECT_FALSE(player.SkipPending);
    const uint32_t before = clock.TickCount();
    RunFor(2000);
    EXPECT_LT(clock.TickCount() - before, 2100u); // no 5 s wait for a head without a disc
    EXPECT_EQ(host.events.count(QStringLiteral("WriteLogLine")), 1);
}

TEST_F(DiscChanges, ADataFileChangedByAnotherProgramIsReadAgainOnceNoDialogIsOpen)
{
    StartWith(kThreeTracks);
    ASSERT_FALSE(words.Register(QStringLiteral("Sample")));
    words.SetSongTitle(2, QStringLiteral("Old title"));
    ASSERT_TRUE(words.Save(dpLyrics));
    commands.PlayBtn->trigger();
    RunFor(2000);
    ASSERT_TRUE(Playing());
    // mirelune-tool (its own disc data object) writes new lyrics and titles into the file.
    const auto outside = [this](const QString& title) {
        CommandSet otherCommands;
        TWords other(device, otherCommands, settings);
        other.NewDisc(device.TrackCount());
        other.Title = title;
        other.SetSongTitle(2, title + QStringLiteral(" 2"));
        other.SetLine(2, 1, {QStringLiteral("new line"), 100, 200});
        other.SetLineCount(2, 1);
        ASSERT_TRUE(other.Save(dpLyrics));
    };

    // A dialog works on the disc: the file is left alone meanwhile.
    host.dialogOpen = true;
    outside(QStringLiteral("New"));
    RunFor(5000);
    EXPECT_EQ(words.Title, QStringLiteral("Sample"));
    EXPECT_EQ(words.GetLineCount(2), 0);

    // The dialog closed: read again within a few polls, the track list follows, and the
    // disc plays on.
    host.dialogOpen = false;
    host.events.clear();
    RunFor(3000);
    EXPECT_EQ(words.Title, QStringLiteral("New"));
    EXPECT_EQ(words.GetSongTitle(2), QStringLiteral("New 2"));
    ASSERT_EQ(words.GetLineCount(2), 1);
    EXPECT_EQ(words.GetLine(2, 1).Text, QStringLiteral("new line"));
    EXPECT_TRUE(host.events.contains(QStringLiteral("ShowDiscTitle")));
    EXPECT_EQ(player.TrackItems.value(1), QStringLiteral("02: New 2"));
    EXPECT_TRUE(Playing());
    EXPECT_EQ(player.CurrentTrack, 1);

    // Edits waiting to be saved are not thrown away by a read; their save merges instead.
    words.SetSongTitle(3, QStringLiteral("Mine"));
    outside(QStringLiteral("Newer"));
    RunFor(3000);
    EXPECT_EQ(words.Title, QStringLiteral("New"));
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_EQ(words.Title, QStringLiteral("Newer"));
    EXPECT_EQ(words.GetSongTitle(3), QStringLiteral("Mine"));
}

// Playing, paused, the play type and the repeat are the core's own state: the buttons and
// menu items only show it, so what they show by hand changes neither what the controller
// does nor what the data file keeps.
TEST_F(DiscChanges, ThePlayStateIsTheCoresAndTheDataFileKeepsIt)
{
    StartWith(kThreeTracks);
    ASSERT_FALSE(words.Register(QStringLiteral("State")));
    const QString path = words.FileName;
    commands.TypeRandItem->trigger();
    commands.TypeRept1Item->trigger();
    commands.PlayBtn->trigger();
    RunFor(1000);
    ASSERT_TRUE(Playing());

    commands.PlayBtn->setEnabled(true);
    commands.StopBtn->setEnabled(false);
    commands.TypeNormItem->setChecked(true);
    commands.TypeRept1Item->setChecked(false);
    EXPECT_TRUE(player.Started());
    EXPECT_FALSE(player.IsPaused());
    EXPECT_EQ(player.PlayType(), ptRandom);
    EXPECT_TRUE(player.RepeatOneChecked());
    player.UpdateTimerInterval();
    EXPECT_EQ(player.Timer.interval(), player.TimerInt); // playing: the short interval

    device.OpenTray();
    RunFor(1000);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("PlayType=33\r\n")); // random, repeat one
    EXPECT_FALSE(player.Started());
    EXPECT_FALSE(commands.TypeRandItem->isChecked());

    device.CloseDoor();
    RunFor(1000);
    EXPECT_EQ(player.PlayType(), ptRandom);
    EXPECT_TRUE(player.RepeatOneChecked());
    EXPECT_TRUE(commands.TypeRandItem->isChecked());
    EXPECT_TRUE(commands.TypeRept1Item->isChecked());
    EXPECT_FALSE(commands.TypeReptItem->isChecked());
    EXPECT_FALSE(player.Started());
}
