// Word times in the data file (here UTF-8, for a character code page 932 lacks): kept in
// a section of their own, so that the line keys stay as older programs have them.
#include "DiscFixture.h"
#include "core/discdata/DataFile.h"

namespace {

const QByteArray kPlain = "\xEF\xBB\xBF[Mirelune]\r\nVersion=151A\r\n\r\n"
                          "[Info]\r\nTitle=Disc\r\nArtist=Band\r\nPlayTime=0\r\nPlayType=0\r\nProgram=\r\n\r\n"
                          "[Title]\r\n01=One\r\n02=Two\r\n\r\n"
                          "[Words01]\r\nAdjust=0\r\n"
                          "001=1530,1985,First line of the song\r\n"
                          "002=2010,2470,二𠮷目です\r\n\r\n";
const QByteArray kTimes = "[WordTimes01]\r\n001=1530+6,1600+5,1700+11\r\n002=2010+3,2200+2\r\n\r\n";

class WordTimes : public DiscFixture {
protected:
    void SetUp() override { Insert(SimDisc::Audio({200, 30})); }
    void Use(const QByteArray& text)
    {
        RegisterFile(QStringLiteral("Disc"), text);
        Reinsert();
        ASSERT_EQ(words.FileName, DataPath(QStringLiteral("Disc")));
    }
};

TEST_F(WordTimes, StayInTheirOwnSectionAndComeBackWithTheFileUnchanged)
{
    // A file with word times reads them: the first word at the line's start, the second
    // line's places in UTF-16 past a character outside the basic plane.
    Use(kPlain + kTimes);
    const std::vector<WordMark> first{{1530, 0}, {1600, 6}, {1700, 11}};
    EXPECT_EQ(words.GetLine(1, 1).Words, first);
    const std::vector<WordMark> second{{2010, 0}, {2200, 4}};
    EXPECT_EQ(words.GetLine(1, 2).Words, second);
    EXPECT_EQ(WordTimesValue(words.GetLine(1, 2)), QStringLiteral("2010+3,2200+2"));

    // Saved whole, the file is as it was, byte for byte.
    ASSERT_TRUE(words.Save(dpAll));
    EXPECT_EQ(ReadBytes(words.FileName), kPlain + kTimes);

    // A line moved takes its first word along; the line keys are the older program's own.
    TWordsLine line = words.GetLine(1, 1);
    line.StartTime = 1520;
    words.SetLine(1, 1, line);
    ASSERT_TRUE(words.Save(dpLyrics));
    QByteArray moved = kPlain + kTimes;
    moved.replace("001=1530,1985", "001=1520,1985").replace("001=1530+6", "001=1520+6");
    EXPECT_EQ(ReadBytes(words.FileName), moved);

    // Lines without word times leave no section behind: the file is again one an older
    // program wrote.
    for (int k = 1; k <= 2; ++k) {
        line = words.GetLine(1, k);
        line.Words.clear();
        words.SetLine(1, k, line);
    }
    line = words.GetLine(1, 1);
    line.StartTime = 1530;
    words.SetLine(1, 1, line);
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_EQ(ReadBytes(words.FileName), kPlain);
    Reinsert();
    EXPECT_TRUE(words.GetLine(1, 1).Words.empty());
    ASSERT_TRUE(words.Save(dpAll));
    EXPECT_EQ(ReadBytes(words.FileName), kPlain);
}

TEST_F(WordTimes, ThatNoLongerFitTheirLineAreNotUsed)
{
    // An older program mended line 1's text and moved line 2: their word times no longer
    // fit and are not used, and stay in the file while the track is not written.
    QByteArray edited = kPlain + kTimes;
    edited.replace("First line of the song", "First line of a song").replace("002=2010,", "002=2020,");
    Use(edited);
    EXPECT_TRUE(words.GetLine(1, 1).Words.empty());
    EXPECT_TRUE(words.GetLine(1, 2).Words.empty());
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_EQ(ReadBytes(words.FileName), edited);

    // A time past the line's end, a time going back, a length past the text: none fit.
    for (const char* value : {"1530+6,1600+5,1990+11", "1530+6,1500+5,1700+11", "1530+6,1600+5,1700+12", "x"}) {
        TWordsLine probe{QStringLiteral("First line of the song"), 1530, 1985};
        EXPECT_FALSE(ParseWordTimes(QString::fromLatin1(value), &probe)) << value;
        EXPECT_TRUE(probe.Words.empty());
    }
}

} // namespace
