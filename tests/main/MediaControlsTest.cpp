// The desktop's media controls: what they see of the player, and their commands carried
// out as the buttons and menu items would.
#include "playback/PlayerFixture.h"

#include "core/main/MediaControls.h"

namespace {
// Tracks of 60, 90 and 30 s: starts at 2000, 62000 and 152000 ms.
const SimDisc kThreeTracks = SimDisc::Audio({60, 90, 30});

class MediaControlsTest : public PlayerFixture {
protected:
    MediaControlsTest() : media(player, words, commands) {}

    MediaState Now() { return state = media.State(state, clock.TickCount()); }
    int32_t IntoTrack() { return device.HeadMs() - TrackStart(player.CurrentTrack); }

    MediaControls media;
    MediaState state;
};
} // namespace

// The bus test plays the demo disc; these are the states and refusals it does not reach.
TEST_F(MediaControlsTest, NoDiscAnUntitledTrackAnOpenDialogAndDataEntry)
{
    StartUp();
    MediaState s = Now();
    EXPECT_EQ(s.Status, QStringLiteral("Stopped"));
    EXPECT_FALSE(s.HasTrack || s.CanPlay || s.CanPause || s.CanGoNext || s.CanGoPrevious || s.CanSeek);

    StartWith(kThreeTracks);
    // Stopped, the track can be played and paused all the same: both belong to the track.
    s = Now();
    EXPECT_TRUE(s.CanPlay && s.CanPause);
    media.PlayPause();
    RunFor(2000);
    s = Now();
    EXPECT_EQ(s.Status, QStringLiteral("Playing"));
    EXPECT_EQ(s.Title, QStringLiteral("トラック 1"));
    EXPECT_TRUE(s.Album.isEmpty() && s.Artist.isEmpty());
    EXPECT_NEAR(s.PositionUs, 2000000, 150000);
    EXPECT_TRUE(s.CanPlay && s.CanPause && s.CanSeek && s.CanGoNext);

    // With one of our dialogs open the commands act as the buttons behind it would.
    host.dialogOpen = true;
    s = Now();
    EXPECT_TRUE(s.CanPlay && s.CanPause && s.CanGoNext && s.CanSeek);
    media.Next();
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 2);
    media.Pause();
    EXPECT_TRUE(player.IsPaused());
    media.Play();
    EXPECT_FALSE(player.IsPaused());
    host.dialogOpen = false;

    // Not with a message box up, whose loop may run inside a command or the tick.
    bool modal = true;
    media.ModalOpen = [&] { return modal; };
    EXPECT_FALSE(Now().CanPause);
    media.Pause();
    EXPECT_FALSE(player.IsPaused());
    modal = false;
    media.Pause();
    EXPECT_TRUE(player.IsPaused());

    // Data entry merely open (it stopped playback as it opened): the desktop plays, and
    // the player follows the drive as ever, on to the next entry.
    player.StopBtnClick();
    player.InDataEntry = true;
    EntryPlayback entry;
    player.EntryPlaying = [&] { return entry.Running; };
    media.EntryPlaying = [&] { return entry; };
    s = Now();
    EXPECT_TRUE(s.CanPlay && s.CanPause && s.CanGoNext && s.CanSeek);
    media.PlayPause();
    RunFor(1000);
    EXPECT_TRUE(Playing());
    media.Next();
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 2);
    RunFor(90000);
    EXPECT_EQ(player.CurrentTrack, 3) << "the track's end went by unnoticed";
    s = Now();
    EXPECT_EQ(s.Status, QStringLiteral("Playing"));
    EXPECT_GT(s.PositionUs, 0);
    EXPECT_LT(s.PositionUs, 2000000);

    // Its timing test plays a track of its own: the desktop is told what plays, with the
    // line of the test's times, and its commands are refused.
    words.FileName = dir.filePath(QStringLiteral("disc.dat"));
    words.SetLineCount(2, 1);
    words.SetLine(2, 1, {QStringLiteral("ためし"), 500, 900});
    player.StopBtnClick();
    entry = {true, true, 2, TrackStart(2) + 6000};
    s = Now();
    EXPECT_EQ(s.Status, QStringLiteral("Playing"));
    EXPECT_EQ(s.Track, 2);
    EXPECT_EQ(s.PositionUs, 6000000);
    EXPECT_EQ(s.Line, QStringLiteral("ためし"));
    EXPECT_EQ(s.LineStartMs, 5000);
    EXPECT_FALSE(s.CanPlay || s.CanPause || s.CanGoNext || s.CanSeek);
    media.PlayPause();
    media.Next();
    RunFor(1000);
    EXPECT_FALSE(player.Started());
    EXPECT_EQ(player.EntryIndex, 1);
    player.InDataEntry = false;
}

TEST_F(MediaControlsTest, NextOnTheLastEntryStopsUnlessARepeatIsOn)
{
    StartWith(kThreeTracks);
    media.Play();
    media.Next();
    EXPECT_TRUE(Now().CanGoNext); // the skip to entry 2 is pending
    media.Next();
    RunFor(1000);
    EXPECT_EQ(player.EntryIndex, 3);
    EXPECT_TRUE(Playing());
    EXPECT_FALSE(Now().CanGoNext);
    // No next track: playback stops (the button wraps to entry 1 and plays on).
    media.Next();
    RunFor(1000);
    EXPECT_FALSE(player.Started());
    EXPECT_FALSE(Playing());
    EXPECT_EQ(player.EntryIndex, 1);

    // A skip still pending on the last entry is dropped with the stop.
    player.SelectEntry(2);
    media.Next();
    media.Next();
    RunFor(1000);
    EXPECT_FALSE(player.Started());
    EXPECT_FALSE(player.SkipPending);
    EXPECT_EQ(player.EntryIndex, 1);

    // With a repeat the list has no end: Next wraps as the button does.
    for (Command* repeat : {commands.TypeReptItem, commands.TypeRept1Item}) {
        repeat->trigger();
        player.SelectEntry(3);
        ASSERT_TRUE(Now().CanGoNext);
        media.Next();
        RunFor(1000);
        EXPECT_EQ(player.EntryIndex, 1);
        EXPECT_TRUE(Playing());
        repeat->trigger();
    }
}

TEST_F(MediaControlsTest, AnUnregisteredDiscIsNamedByItsCueSheetOrCdText)
{
    SimDisc disc = kThreeTracks;
    disc.text.discTitle = QStringLiteral("夜の音");
    disc.text.discPerformer = QStringLiteral("ミレルーン");
    disc.text.trackTitles = {QStringLiteral("一"), QString(), QStringLiteral("三")};
    StartWith(disc);
    MediaState s = Now();
    EXPECT_EQ(s.Title, QStringLiteral("一"));
    EXPECT_EQ(s.Album, QStringLiteral("夜の音"));
    EXPECT_EQ(s.Artist, QStringLiteral("ミレルーン"));
    player.SelectEntry(2);
    EXPECT_EQ(Now().Title, QStringLiteral("トラック 2")); // none for this track
    // Once the disc has titles of its own, those are its names.
    words.SetSongTitle(2, QStringLiteral("二"));
    s = Now();
    EXPECT_EQ(s.Title, QStringLiteral("二"));
    EXPECT_TRUE(s.Artist.isEmpty());
}

TEST_F(MediaControlsTest, TheLyricsAreTheTracksAndTheLineComesWithItsHeardTimes)
{
    StartWith(kThreeTracks);
    words.FileName = dir.filePath(QStringLiteral("disc.dat")); // registered: its lyrics show
    words.SetLineCount(1, 2);
    words.SetLine(1, 1, {QStringLiteral("はじめ"), 100, 300});
    words.SetLine(1, 2, {QStringLiteral("つぎ"), 400, 600});
    words.SetAdjust(1, -50); // the lines are heard half a second earlier
    media.Play();
    RunFor(700);
    MediaState s = Now();
    EXPECT_EQ(s.Lyrics, QStringLiteral("はじめ\nつぎ"));
    EXPECT_EQ(s.Line, QStringLiteral("はじめ"));
    EXPECT_EQ(s.LineStartMs, 500);
    EXPECT_EQ(s.LineEndMs, 2500);
    const MediaState first = s;
    RunFor(2900);
    s = Now();
    EXPECT_EQ(s.Line, QStringLiteral("つぎ"));
    EXPECT_EQ(s.LineStartMs, 3500);
    EXPECT_EQ(s.LineEndMs, 5500);
    // The line of the moment is not part of the track's metadata.
    EXPECT_TRUE(s.SameMetadata(first));
    EXPECT_FALSE(s.SameLine(first));
    RunFor(3000);
    s = Now();
    EXPECT_TRUE(s.Line.isEmpty());
    EXPECT_EQ(s.LineStartMs, 0);
}

TEST_F(MediaControlsTest, SeeksStayInTheTrackAndKeepPlayingOrPaused)
{
    StartWith(kThreeTracks);
    media.Play();
    RunFor(5000);
    ASSERT_TRUE(media.Seek(10000000, clock.TickCount()));
    EXPECT_NEAR(IntoTrack(), 15000, 300);
    EXPECT_TRUE(Playing());
    ASSERT_TRUE(media.Seek(-60000000, clock.TickCount())); // before the start: the start
    EXPECT_EQ(IntoTrack(), 0);

    const QString id = Now().TrackId;
    EXPECT_FALSE(media.SetPosition(QStringLiteral("/org/mirelune/entry/2/track/2"), 1000000, clock.TickCount()));
    EXPECT_FALSE(media.SetPosition(id, 61000000, clock.TickCount()));
    EXPECT_FALSE(media.SetPosition(id, -1, clock.TickCount()));
    EXPECT_LT(IntoTrack(), 500);
    media.Pause();
    ASSERT_TRUE(media.SetPosition(id, 30000000, clock.TickCount()));
    EXPECT_EQ(IntoTrack(), 30000);
    EXPECT_FALSE(Playing());
    media.Play();
    RunFor(1000);
    EXPECT_TRUE(Playing());
    EXPECT_NEAR(IntoTrack(), 31000, 300);

    // Past the end is the next track, by a quick skip.
    EXPECT_FALSE(media.Seek(40000000, clock.TickCount()));
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 2);
    EXPECT_TRUE(Playing());
    // A position on the entry skipped to, before the skip was made: made at once, then sought.
    media.Next();
    const QString third = Now().TrackId;
    EXPECT_EQ(third, QStringLiteral("/org/mirelune/disc/%1/entry/3/track/3").arg(words.DiscId));
    ASSERT_TRUE(media.SetPosition(third, 5000000, clock.TickCount()));
    EXPECT_FALSE(player.SkipPending);
    EXPECT_EQ(player.CurrentTrack, 3);
    EXPECT_EQ(IntoTrack(), 5000);
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 3);
}

TEST_F(MediaControlsTest, TheTrackIdNamesTheDiscToo)
{
    StartWith(kThreeTracks);
    const QString first = Now().TrackId;
    ASSERT_FALSE(words.DiscId.isEmpty());
    EXPECT_EQ(first, QStringLiteral("/org/mirelune/disc/%1/entry/1/track/1").arg(words.DiscId));
    // Another disc's first track on its first entry is another track.
    device.Eject();
    RunFor(2000);
    device.InsertDisc(SimDisc::Audio({61, 90, 30}));
    RunFor(5000);
    const QString other = Now().TrackId;
    EXPECT_TRUE(other.endsWith(QLatin1String("/entry/1/track/1"))) << other.toStdString();
    EXPECT_NE(other, first);
}

TEST_F(MediaControlsTest, ShuffleSwitchesThePlayTypeAndPlaysOnWithTheSameTrack)
{
    StartWith(kThreeTracks);
    media.Play();
    media.SetShuffle(false); // normal already: nothing changes
    EXPECT_TRUE(Playing());
    player.SelectEntry(2);
    RunFor(10000);
    media.SetShuffle(true);
    EXPECT_TRUE(commands.TypeRandItem->isChecked());
    EXPECT_TRUE(Now().Shuffle);
    // The track heard comes first in the new order, and plays on from where it was.
    EXPECT_TRUE(Playing());
    EXPECT_EQ(player.EntryIndex, 1);
    EXPECT_EQ(player.CurrentTrack, 2);
    EXPECT_NEAR(IntoTrack(), 10000, 300);
    RunFor(1000);
    EXPECT_NEAR(IntoTrack(), 11000, 300);

    // Paused, it stays paused where it is.
    media.Pause();
    media.SetShuffle(false);
    EXPECT_TRUE(commands.TypeNormItem->isChecked());
    EXPECT_TRUE(player.Started());
    EXPECT_TRUE(player.IsPaused());
    EXPECT_EQ(player.EntryIndex, 2);
    EXPECT_EQ(player.CurrentTrack, 2);
    EXPECT_NEAR(IntoTrack(), 11000, 300);
    RunFor(1000);
    EXPECT_FALSE(Playing());

    // Stopped, the play type changes as from the menu.
    player.StopBtnClick();
    media.SetShuffle(true);
    EXPECT_TRUE(commands.TypeRandItem->isChecked());
    EXPECT_FALSE(player.Started());
}

TEST(MediaState, AJumpIsAMoveOnTheSameEntryThatPlayingDoesNotExplain)
{
    MediaState a;
    a.HasTrack = true;
    a.TrackId = QStringLiteral("/org/mirelune/entry/1/track/1");
    a.Status = QStringLiteral("Playing");
    a.PositionUs = 10000000;
    MediaState b = a;
    b.PositionUs = 10100000;
    EXPECT_FALSE(PositionJumped(a, b, 100));
    b.PositionUs = 0; // the entry restarted
    EXPECT_TRUE(PositionJumped(a, b, 100));
    b.PositionUs = 10000000;
    a.Status = QStringLiteral("Paused");
    EXPECT_FALSE(PositionJumped(a, b, 5000));
    b.PositionUs = 15000000;
    EXPECT_TRUE(PositionJumped(a, b, 5000));
    b.TrackId = QStringLiteral("/org/mirelune/entry/2/track/2"); // another entry: no jump
    EXPECT_FALSE(PositionJumped(a, b, 5000));
}
