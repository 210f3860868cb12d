#include <gtest/gtest.h>

#include "support/ManualClock.h"
#include "support/SimDevice.h"

namespace {
struct Drive : ::testing::Test {
    ManualClock clock;
    SimDevice dev{clock};
    SimDisc disc = SimDisc::Audio({60, 90, 30});
    void SetUp() override
    {
        dev.Open(QString());
        dev.InsertDisc(disc);
    }
};
} // namespace

TEST_F(Drive, TableOfContentsInAbsoluteMilliseconds)
{
    EXPECT_EQ(dev.TrackCount(), 3);
    EXPECT_EQ(dev.TrackPosition(1), 2000);
    EXPECT_EQ(dev.TrackPosition(2), 62000);
    EXPECT_EQ(dev.TrackLength(2), 90000);
    EXPECT_EQ(dev.TrackPosition(3) + dev.TrackLength(3), 182000);
    EXPECT_TRUE(dev.TrackIsAudio(1));
    EXPECT_EQ(dev.Mode(), ModeStopped);
}

TEST_F(Drive, PlayWithNothingPendingRunsToTheEndOfTheDiscAndStopsThere)
{
    dev.Play();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    clock.Advance(100000);
    EXPECT_EQ(dev.Position(), 102000);
    EXPECT_EQ(dev.Mode(), ModePlaying);
    clock.Advance(100000);
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_EQ(dev.Position(), 182000);
}

TEST_F(Drive, PositioningPlayOnlyMovesTheHead)
{
    dev.Stop();
    dev.SetStartPos(62000);
    dev.SetEndPos(62000);
    dev.SetWait(true);
    dev.Play();
    EXPECT_EQ(dev.Position(), 62000);
    EXPECT_EQ(dev.Mode(), ModeStopped);
    // Start and end were consumed: the next Play goes from the head to the end of the disc.
    dev.Play();
    clock.Advance(500);
    EXPECT_EQ(dev.Position(), 62500);
    EXPECT_FALSE(dev.PendingEnd().has_value());
}

TEST_F(Drive, PausedDeviceReportsStoppedAndResumesWhereItHalted)
{
    dev.SetEndPos(62000);
    dev.Play();
    clock.Advance(3000);
    dev.Pause();
    EXPECT_EQ(dev.Mode(), ModeStopped);
    clock.Advance(10000);
    EXPECT_EQ(dev.Position(), 5000);
    dev.Resume();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    clock.Advance(60000);
    EXPECT_EQ(dev.Position(), 62000); // the end of the original Play still holds
    EXPECT_EQ(dev.Mode(), ModeStopped);
}

TEST_F(Drive, EndSetWhilePausedIsUsedByThePlayThatResumeFallsBackTo)
{
    dev.SetEndPos(62000);
    dev.Play();
    clock.Advance(1000);
    dev.Pause();
    // A track change while paused: positioning, then an end that no Play consumes yet.
    dev.Stop();
    dev.SetStartPos(62000);
    dev.SetEndPos(62000);
    dev.SetWait(true);
    dev.Play();
    dev.SetEndPos(152000);
    EXPECT_EQ(dev.PendingEnd(), 152000);
    dev.Resume(); // nothing paused any more: falls back to Play
    EXPECT_EQ(dev.Mode(), ModePlaying);
    clock.Advance(95000);
    EXPECT_EQ(dev.Position(), 152000);
    EXPECT_EQ(dev.Mode(), ModeStopped);
}

TEST_F(Drive, RefusedResumeFallsBackToPlay)
{
    dev.refuseResume = true;
    dev.Play();
    clock.Advance(1000);
    dev.Pause();
    dev.SetEndPos(10000);
    dev.Resume();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    clock.Advance(20000);
    EXPECT_EQ(dev.Position(), 10000);
}

TEST_F(Drive, PauseWhileStoppedDoesNothing)
{
    dev.Pause();
    EXPECT_FALSE(dev.IsPaused());
    EXPECT_EQ(dev.Mode(), ModeStopped);
}

TEST_F(Drive, TrayAndDiscChangesShowInTheMode)
{
    dev.Eject();
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_EQ(dev.TrackCount(), 0);
    dev.settleMs = 4000;
    dev.CloseDoor();
    EXPECT_EQ(dev.Mode(), ModeNotReady);
    clock.Advance(3999);
    EXPECT_EQ(dev.Mode(), ModeNotReady);
    clock.Advance(1);
    EXPECT_EQ(dev.Mode(), ModeStopped);
    dev.RemoveDisc();
    EXPECT_EQ(dev.Mode(), ModeOpen);
    dev.emptyMode = ModeNotReady;
    EXPECT_EQ(dev.Mode(), ModeNotReady);
}

TEST_F(Drive, EjectOnlyWhenTheDriveCan)
{
    dev.canEject = false;
    dev.Eject();
    EXPECT_EQ(dev.Mode(), ModeStopped);
}

TEST_F(Drive, NeverReadyDriveNeverReportsStopped)
{
    dev.neverReady = true;
    clock.Advance(30000);
    EXPECT_EQ(dev.Mode(), ModeNotReady);
    EXPECT_EQ(dev.TrackCount(), 0);
}

TEST(SimDrive, DataFirstTrackAnswersNotAudio)
{
    ManualClock clock;
    SimDevice dev(clock);
    dev.InsertDisc(SimDisc::DataFirst(300, {60, 60}));
    EXPECT_EQ(dev.TrackCount(), 3);
    EXPECT_FALSE(dev.TrackIsAudio(1));
    EXPECT_TRUE(dev.TrackIsAudio(2));
    EXPECT_EQ(dev.TrackPosition(2), 302000);
}

TEST(SimDrive, TmsfAnswersAsTheOldDeviceGaveThem)
{
    ManualClock clock;
    SimDevice dev(clock);
    // Track 1 of 4 min 10 s 5 frames, track 2 of 3 s: the last one frame short.
    SimDisc d;
    d.tracks = {{150, true}, {150 + 250 * 75 + 5, true}};
    d.leadOutFrame = d.tracks[1].startFrame + 3 * 75;
    dev.InsertDisc(d);
    dev.SetTimeFormat(TimeFormatTmsf);
    EXPECT_EQ(dev.TrackPosition(2), 2);
    EXPECT_EQ(dev.TrackLength(1), 4 | (10 << 8) | (5 << 16));
    EXPECT_EQ(dev.TrackLength(2), 0 | (2 << 8) | (74 << 16));
    dev.SetTimeFormat(TimeFormatMilliseconds);
    EXPECT_EQ(dev.TrackPosition(2), (150 + 250 * 75 + 5) * 1000 / 75);
}

TEST(SimDrive, NinetyNineTracksAndNoTracks)
{
    ManualClock clock;
    SimDevice dev(clock);
    dev.InsertDisc(SimDisc::Audio(std::vector<int>(99, 5)));
    EXPECT_EQ(dev.TrackCount(), 99);
    EXPECT_EQ(dev.TrackPosition(99), 2000 + 98 * 5000);
    EXPECT_EQ(dev.TrackPosition(100), 0);
    dev.InsertDisc(SimDisc{});
    EXPECT_EQ(dev.TrackCount(), 0);
    EXPECT_FALSE(dev.TrackIsAudio(1));
}
