// The desktop's media controls: what they see of the player, and their commands carried
// out as the buttons and menu items would.
#include "playback/PlayerFixture.h"

#include "main/MediaControls.h"

namespace {
// Tracks of 60, 90 and 30 s: starts at 2000, 62000 and 152000 ms.
const SimDisc kThreeTracks = SimDisc::Audio({60, 90, 30});

class MediaControlsTest : public PlayerFixture {
protected:
    MediaControlsTest() : media(player, words, commands, host) {}

    MediaState Now() { return state = media.State(state, clock.TickCount()); }
    int32_t IntoTrack() { return device.HeadMs() - TrackStart(player.CurrentTrack); }

    MediaControls media;
    MediaState state;
};
} // namespace

// The bus test plays the demo disc; these are the states and refusals it does not reach.
TEST_F(MediaControlsTest, NoDiscAnUntitledTrackAndAnOpenDialog)
{
    StartUp();
    MediaState s = Now();
    EXPECT_EQ(s.Status, QStringLiteral("Stopped"));
    EXPECT_FALSE(s.HasTrack || s.CanPlay || s.CanPause || s.CanGoNext || s.CanGoPrevious || s.CanSeek);

    StartWith(kThreeTracks);
    media.PlayPause();
    RunFor(2000);
    s = Now();
    EXPECT_EQ(s.Status, QStringLiteral("Playing"));
    EXPECT_EQ(s.Title, QStringLiteral("トラック 1"));
    EXPECT_NEAR(s.PositionUs, 2000000, 150000);
    EXPECT_TRUE(s.CanPause && s.CanSeek && s.CanGoNext);

    // With one of our dialogs open nothing can be done, as on the buttons behind it.
    host.dialogOpen = true;
    s = Now();
    EXPECT_FALSE(s.CanPlay || s.CanPause || s.CanGoNext || s.CanSeek);
    media.PlayPause();
    media.Next();
    EXPECT_FALSE(media.Seek(5000000, clock.TickCount()));
    RunFor(1000);
    EXPECT_TRUE(Playing());
    EXPECT_EQ(player.CurrentTrack, 1);
    // So with a message box up, whose loop runs inside a command or the tick.
    host.dialogOpen = false;
    bool modal = true;
    media.ModalOpen = [&] { return modal; };
    EXPECT_FALSE(Now().CanPause);
    media.Pause();
    EXPECT_FALSE(player.IsPaused);
    modal = false;
    media.Pause();
    EXPECT_TRUE(player.IsPaused);
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
    EXPECT_EQ(third, QStringLiteral("/org/mirelune/entry/3/track/3"));
    ASSERT_TRUE(media.SetPosition(third, 5000000, clock.TickCount()));
    EXPECT_FALSE(player.SkipPending);
    EXPECT_EQ(player.CurrentTrack, 3);
    EXPECT_EQ(IntoTrack(), 5000);
    RunFor(1000);
    EXPECT_EQ(player.CurrentTrack, 3);
}

TEST_F(MediaControlsTest, ShuffleIsTheRandomCounterpartOfThePlayType)
{
    StartWith(kThreeTracks);
    media.Play();
    media.SetShuffle(false); // normal already: playback goes on
    EXPECT_TRUE(Playing());
    media.SetShuffle(true);
    EXPECT_TRUE(commands.TypeRandItem->isChecked());
    EXPECT_TRUE(Now().Shuffle);
    EXPECT_FALSE(player.Started()); // a new list stops, as from the menu
    media.SetShuffle(false);
    EXPECT_TRUE(commands.TypeNormItem->isChecked());
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
