// The disc data object: the track table, the first audio track and borrowed lyrics.
#include "DiscFixture.h"

namespace {

using Words = DiscFixture;

TEST_F(Words, NewDiscBuildsTheTrackTableAndTheEndRecord)
{
    const SimDisc disc = SimDisc::Audio({200, 30, 240});
    Insert(disc);
    EXPECT_EQ(words.SongCount, 3);
    EXPECT_EQ(words.AudioState, 1);
    EXPECT_EQ(words.FirstAudioTrack, 1);
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(words.SongStart(n), disc.TrackStartMs(n)) << n;
    EXPECT_EQ(words.SongLength(2), 30000);
    EXPECT_EQ(words.SongStart(4), words.SongStart(3) + words.SongLength(3));
    EXPECT_EQ(words.SongStart(4), disc.EndMs());
    EXPECT_EQ(words.SongLength(4), 0);
    EXPECT_EQ(words.AudioLength(), disc.EndMs() - 2000);
    EXPECT_FALSE(words.HasFile());
    EXPECT_EQ(words.GetSongTitle(2), QString());
    EXPECT_EQ(words.DiscId.size(), 8);
}

TEST_F(Words, NewDiscForgetsThePreviousDisc)
{
    Insert(SimDisc::Audio({60, 60, 60, 60}));
    words.Title = QStringLiteral("old");
    words.SetSongTitle(4, QStringLiteral("old title"));
    words.SetLineCount(2, 5);
    words.SetAdjust(2, 9);
    words.SetCopyTrack(3, 1);
    words.PlayTime = 99;
    words.ProgramList[1] = 4;
    words.ProgramCount = 1;
    commands.State.SetRepeat(RepeatMode::All);
    Insert(SimDisc::Audio({60, 60}));
    EXPECT_TRUE(words.Title.isEmpty());
    EXPECT_TRUE(words.Songs[4].Title.isEmpty()); // every record a disc can have
    EXPECT_EQ(words.GetLineCount(2), 0);
    EXPECT_EQ(words.GetAdjust(2), 0);
    EXPECT_EQ(words.PlayTime, 0);
    EXPECT_EQ(words.ProgramCount, 0);
    EXPECT_EQ(commands.State.Repeat(), RepeatMode::Off);
    EXPECT_FALSE(commands.TypeProgItem->isEnabled());
}

TEST_F(Words, DataOnlyDisc)
{
    SimDisc disc = SimDisc::Audio({600, 300});
    for (SimTrack& t : disc.tracks) t.audio = false;
    Insert(disc);
    EXPECT_EQ(words.AudioState, 0);
    EXPECT_EQ(words.FirstAudioTrack, 2);
    EXPECT_FALSE(words.HasFile());
    EXPECT_EQ(words.GetSongTitle(1), QStringLiteral("(データ)"));
    EXPECT_EQ(words.GetSongTitle(2), QStringLiteral("(データ)"));
    EXPECT_EQ(words.AudioLength(), 0);
    // It cannot be registered, and that is no failure.
    EXPECT_FALSE(words.Register(QStringLiteral("Data")));
    EXPECT_FALSE(words.HasFile());
    EXPECT_FALSE(QFile::exists(DataPath(QStringLiteral("Data"))));
}

TEST_F(Words, DataTrackFirst)
{
    const SimDisc disc = SimDisc::DataFirst(600, {100, 200});
    Insert(disc);
    EXPECT_EQ(words.AudioState, 2);
    EXPECT_EQ(words.FirstAudioTrack, 2);
    words.SetSongTitle(1, QStringLiteral("hidden"));
    words.SetSongTitle(2, QStringLiteral("Song"));
    EXPECT_EQ(words.GetSongTitle(1), QStringLiteral("(データ)"));
    EXPECT_EQ(words.GetSongTitle(2), QStringLiteral("Song"));
    EXPECT_EQ(words.AudioLength(), disc.EndMs() - disc.TrackStartMs(2));
}

TEST_F(Words, NinetyNineTracksUseRecordHundredAsTheEnd)
{
    Insert(SimDisc::Audio(std::vector<int>(99, 10)));
    EXPECT_EQ(words.SongCount, 99);
    EXPECT_EQ(words.SongStart(100), words.SongStart(99) + words.SongLength(99));
    EXPECT_EQ(words.SongLength(100), 0);
}

TEST_F(Words, NoTracksAndIndexesOutsideTheRecordsAreHarmless)
{
    device.InsertDisc(SimDisc::Audio({60}));
    words.NewDisc(0);
    EXPECT_EQ(words.SongCount, 0);
    EXPECT_EQ(words.SongStart(1), 0);
    words.SetLine(101, 1, {QStringLiteral("x"), 1, 2});
    words.SetLine(1, 129, {QStringLiteral("x"), 1, 2});
    words.SetSongTitle(0, QStringLiteral("x"));
    EXPECT_EQ(words.GetLine(0, 1).Text, QString());
    EXPECT_EQ(words.GetLine(1, 0).Text, QString());
    EXPECT_EQ(words.SongStart(-3), 0);
    words.NewDisc(150); // more than a disc can hold
    EXPECT_EQ(words.SongCount, 99);
}

class Copies : public DiscFixture {
protected:
    void SetUp() override { Insert(SimDisc::Audio(std::vector<int>(8, 60))); }
    void Fill(int track, int count, const QString& stem)
    {
        for (int i = 1; i <= count; ++i) words.SetLine(track, i, {stem + QString::number(i), i * 100, i * 100 + 50});
        words.SetLine(track, count + 1, {QStringLiteral("***"), 0, 0});
        words.SetLineCount(track, count);
    }
};

TEST_F(Copies, BorrowingTrackGetsTheLinesAndKeepsItsAdjust)
{
    Fill(2, 10, QStringLiteral("two "));
    words.SetAdjust(2, 40);
    words.SetCopyTrack(5, 2);
    words.SetAdjust(5, -7);
    words.ResolveCopies();
    EXPECT_EQ(words.GetLineCount(5), 10);
    EXPECT_EQ(words.GetLine(5, 10).Text, QStringLiteral("two 10"));
    EXPECT_EQ(words.GetLine(5, 10).StartTime, 1000);
    EXPECT_EQ(words.GetLine(5, 11).Text, QStringLiteral("***"));
    EXPECT_EQ(words.GetAdjust(5), -7);
}

TEST_F(Copies, ChainsResolveInAscendingOrder)
{
    Fill(1, 3, QStringLiteral("one "));
    Fill(7, 2, QStringLiteral("seven "));
    Fill(3, 1, QStringLiteral("three "));
    words.SetCopyTrack(2, 7); // 7 borrows too, but later in the pass
    words.SetCopyTrack(7, 1);
    words.SetCopyTrack(8, 7); // after 7 was resolved
    words.ResolveCopies();
    EXPECT_EQ(words.GetLineCount(2), 2);
    EXPECT_EQ(words.GetLine(2, 1).Text, QStringLiteral("seven 1"));
    EXPECT_EQ(words.GetLineCount(7), 3);
    EXPECT_EQ(words.GetLineCount(8), 3);
    EXPECT_EQ(words.GetLine(8, 1).Text, QStringLiteral("one 1"));
}

TEST_F(Copies, LinksOutsideTheDiscAreNoLinks)
{
    Fill(3, 2, QStringLiteral("three "));
    words.SetCopyTrack(3, 9); // beyond the 8 tracks
    words.SetCopyTrack(4, -2);
    words.SetCopyTrack(5, 500);
    words.ResolveCopies();
    EXPECT_EQ(words.GetLineCount(3), 2);
    EXPECT_EQ(words.GetLine(3, 1).Text, QStringLiteral("three 1"));
    EXPECT_EQ(words.GetLineCount(4), 0);
    EXPECT_EQ(words.GetLineCount(5), 0);
}

TEST_F(Copies, ProgramCommandsFollowTheProgram)
{
    words.ResolveCopies();
    EXPECT_FALSE(commands.TypeProgItem->isEnabled());
    EXPECT_FALSE(commands.TypeProgRandItem->isEnabled());
    words.ProgramList[1] = 2;
    words.ProgramCount = 1;
    words.ResolveCopies();
    EXPECT_TRUE(commands.State.HasProgram());
}

} // namespace
