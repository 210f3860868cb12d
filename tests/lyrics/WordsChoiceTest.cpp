// The caption and line UpdateWords shows, from the disc's lyrics and the playing moment.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/lyrics/WordsLine.h"
#include "core/settings/IniFile.h"
#include "support/ManualClock.h"
#include "support/RecordingPresenter.h"
#include "support/SimDevice.h"

namespace {
// Three tracks of 60 s; track 3 ("Song") starts at 122000 ms and has lines A and B.
class WordsChoiceTest : public ::testing::Test {
protected:
    WordsChoiceTest() : device(clock), words(device, commands, settings)
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
        device.InsertDisc(SimDisc::Audio({60, 60, 60}));
        words.NewDisc(device.TrackCount());
        words.SetSongTitle(3, QStringLiteral("Song"));
        words.SetLine(3, 1, {QStringLiteral("A"), 100, 300});
        words.SetLine(3, 2, {QStringLiteral("B"), 320, 500});
        words.SetLineCount(3, 2);
        in.Active = true;
        in.CurrentTrack = 3;
        in.LastPositionTick = in.Now = 5000;
    }

    // The choice with the head polled at hundredths into track 3 and no time since.
    WordsChoice At(int32_t hundredths)
    {
        in.LastPosition = 122000 + hundredths * 10;
        return ChooseWords(words, in);
    }

    QTemporaryDir dir;
    ManualClock clock;
    SimDevice device;
    CommandSet commands;
    Settings settings;
    TWords words;
    RecordingPresenter presenter;
    WordsInput in;
};
} // namespace

TEST_F(WordsChoiceTest, ThePlayingTracksCaptionAndTheLineWhoseSpanHoldsThePosition)
{
    EXPECT_EQ(At(101).Caption, QStringLiteral("03: Song - 歌詞"));
    EXPECT_EQ(At(101).Line, QStringLiteral("A"));
    in.WordsContDisp = true;
    EXPECT_EQ(At(320).Line, QStringLiteral("A"));
    EXPECT_EQ(At(321).Line, QStringLiteral("B"));
    EXPECT_FALSE(At(320).Unchanged);
}

TEST_F(WordsChoiceTest, InactiveShowsThePlainCaptionAndNoLine)
{
    in.Active = false;
    const WordsChoice c = At(150);
    EXPECT_EQ(c.Caption, QStringLiteral("歌詞"));
    EXPECT_EQ(c.Line, QString());
    EXPECT_FALSE(c.Unchanged || c.Unwanted);
}

TEST_F(WordsChoiceTest, AnAdjustmentShowsTheLinesLaterAndABorrowingTrackTakesBothOff)
{
    words.SetAdjust(3, 50);
    EXPECT_EQ(At(150).Line, QString());
    EXPECT_EQ(At(151).Line, QStringLiteral("A"));

    // Track 2 borrows track 3's lines, with adjustments 20 (own) and 50 (track 3's).
    words.SetCopyTrack(2, 3);
    words.ResolveCopies();
    words.SetAdjust(2, 20);
    in.CurrentTrack = 2;
    in.LastPosition = 62000 + 1700; // 170 hundredths in
    EXPECT_EQ(ChooseWords(words, in).Line, QString());
    in.LastPosition = 62000 + 1710;
    EXPECT_EQ(ChooseWords(words, in).Line, QStringLiteral("A"));
}

TEST_F(WordsChoiceTest, NothingChangesWhileAPollIsDueOrDataEntryIsOpen)
{
    in.PollCountdown = -1;
    EXPECT_TRUE(At(150).Unchanged);
    in.PollCountdown = 0;
    in.InDataEntry = true;
    EXPECT_TRUE(At(150).Unchanged);
}

TEST_F(WordsChoiceTest, BetweenPollsTheLineMovesOnWithTheTickCountButNotWhilePaused)
{
    in.Now = in.LastPositionTick + 2500; // 2.5 s since the poll at 0.9 s: 3.4 s in
    EXPECT_EQ(At(90).Line, QStringLiteral("B"));
    in.IsPaused = true;
    EXPECT_EQ(At(90).Line, QString());
}

TEST_F(WordsChoiceTest, ATimingTestAsksTheDriveAndMarksTheCaption)
{
    in.Testing = true;
    in.InDataEntry = true; // the test runs inside data entry
    in.PollCountdown = -1;
    in.DevicePosition = [] { return 122000 + 3210; };
    const WordsChoice c = At(0);
    EXPECT_FALSE(c.Unchanged);
    EXPECT_EQ(c.Caption, QStringLiteral("03: Song - 歌詞テスト"));
    EXPECT_EQ(c.Line, QStringLiteral("B"));
}

TEST_F(WordsChoiceTest, ATrackWithoutLyricsIsUnwantedOnlyWithHideNoWords)
{
    in.CurrentTrack = 1;
    WordsChoice c = At(0);
    EXPECT_FALSE(c.Unwanted);
    EXPECT_EQ(c.Caption, QStringLiteral("01:  - 歌詞"));
    EXPECT_EQ(c.Line, QString());
    in.HideNoWords = true;
    c = At(0);
    EXPECT_TRUE(c.Unwanted);
    EXPECT_EQ(c.Line, QString());
}

TEST_F(WordsChoiceTest, AReadingALittleBehindTheLineJustShownDoesNotTakeItBack)
{
    // B was shown at 3.21 s; the next poll's reading is 6 ms behind: B stays.
    const WordsChoice shown = At(321);
    ASSERT_EQ(shown.Line, QStringLiteral("B"));
    in.ShownTrack = 3;
    in.ShownPosition = shown.Position;
    in.LastPosition = shown.Position - 6;
    const WordsChoice late = ChooseWords(words, in);
    EXPECT_EQ(late.Line, QStringLiteral("B"));
    EXPECT_EQ(late.Position, shown.Position);
    // A real step back (a seek, a repeat) is followed, and so is the same reading in another track.
    EXPECT_EQ(At(250).Line, QStringLiteral("A"));
    in.LastPosition = shown.Position - 6;
    in.ShownTrack = 2;
    EXPECT_NE(ChooseWords(words, in).Line, QStringLiteral("B"));
}

// Line times near the limit of 32 bits in a data file are held far away as the file is
// read: the next change is still ahead (the arithmetic of the choice does not wrap round
// into the past, which would fire the line timer at once, again and again).
TEST_F(WordsChoiceTest, TimesAtTheIntegerLimitInTheFileStayFarAhead)
{
    QFile file(dir.filePath(QStringLiteral("far.dat")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Words03]\r\n001=-2147483648,300,A\r\n002=99999000,300000000,Later\r\n"
               "003=2147483647,2147483647,Last\r\n");
    file.close();
    words.FileName = file.fileName();
    words.Load(dpLyrics);
    ASSERT_EQ(words.GetLineCount(3), 3);
    EXPECT_EQ(words.GetLine(3, 1).StartTime, -kMaxLineTime);
    EXPECT_EQ(words.GetLine(3, 2).EndTime, kMaxLineTime);
    EXPECT_EQ(words.GetLine(3, 3).StartTime, kMaxLineTime);
    EXPECT_EQ(At(150).Line, QStringLiteral("A"));
    const WordsChoice after = At(400);
    EXPECT_TRUE(after.Line.isEmpty());
    ASSERT_TRUE(after.ChangeDue);
    EXPECT_GT(static_cast<int32_t>(after.ChangeTick - in.Now), 10 * 86400 * 1000); // line 2, days on
    const WordsChoice far = At(99999500);
    EXPECT_EQ(far.Line, QStringLiteral("Later"));
    ASSERT_TRUE(far.ChangeDue);
    EXPECT_EQ(static_cast<int32_t>(far.ChangeTick - in.Now), 5000); // its end, where it is held
}
