// A data file keeps the bytes of everything the program did not change.
#include "DiscFixture.h"

namespace {

class KeptBytes : public DiscFixture {
protected:
    void SetUp() override { Insert(SimDisc::Audio({200, 30, 240})); }
    void Use(const QByteArray& text)
    {
        RegisterFile(QStringLiteral("Disc"), text);
        Reinsert();
        ASSERT_TRUE(words.HasFile());
    }
    QByteArray FileBytes() { return ReadBytes(words.FileName); }
};

TEST_F(KeptBytes, UntouchedEntriesAndUnknownSectionsKeepTheirBytes)
{
    // ED40, 8790, FA4A and EEF9 have twins elsewhere in code page 932 that encoding the
    // decoded text again would choose; numbers in forms the program would not write.
    const QByteArray text =
        "[Mirelune]\r\nVersion=151A\r\n\r\n"
        "[Info]\r\nTitle=\xED\x40 disc\r\nArtist = \x87\x90 artist\r\nPlayTime=0x10\r\n"
        "PlayType=16\r\nProgram=2,1\r\n\r\n"
        "[Title]\r\n01=\xFA\x4A one\r\n02=two \xEE\xF9\r\n03=three\r\n\r\n"
        "[Words01] ; the verse\r\nAdjust=+3\r\n001=0100,200,\xED\x40 line\r\n002=300,400,\x87\x90\r\n\r\n"
        "[Words02]\r\nAdjust=0\r\n001=5,6,\xFA\x4A\r\n\r\n"
        "[Unknown \xED\x40]\r\nkey \xEE\xF9=value \xFA\x4A\r\n\r\n";
    Use(text);
    ASSERT_TRUE(presenter.shown.isEmpty());
    EXPECT_EQ(words.PlayTime, 16);
    EXPECT_EQ(words.GetLineCount(1), 2); // a section header may carry a comment
    EXPECT_EQ(words.GetAdjust(1), 3);
    EXPECT_EQ(words.GetLine(1, 1).StartTime, 100);

    // Everything saved as it was read: not a byte changes.
    ASSERT_TRUE(words.Save(dpAll));
    EXPECT_EQ(FileBytes(), text);

    // One title and one line changed: only those two entries are written anew.
    words.SetSongTitle(3, QStringLiteral("drei"));
    TWordsLine line = words.GetLine(2, 1);
    line.StartTime = 7;
    words.SetLine(2, 1, line);
    words.PlayTime += 1;
    ASSERT_TRUE(words.Save(dpLyrics));
    QByteArray expected = text;
    expected.replace("03=three", "03=drei");
    expected.replace("001=5,6,\xFA\x4A", "001=7,6,\x87\x54");
    expected.replace("PlayTime=0x10", "PlayTime=17");
    EXPECT_EQ(FileBytes(), expected);
}

TEST_F(KeptBytes, Utf8FileStaysUtf8WithItsPrivateUseCharacters)
{
    // U+F741 lies in the range the codec uses for undecodable bytes of code page 932
    // files; in a UTF-8 file it is a character like any other.
    const QByteArray text = "\xEF\xBB\xBF[Info]\r\nTitle=x\xEF\x9D\x81y\r\n\r\n[Title]\r\n01=\xE6\xAD\x8C\r\n\r\n";
    Use(text);
    EXPECT_EQ(words.Title, QStringLiteral("x\uF741y"));
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_TRUE(FileBytes().startsWith("\xEF\xBB\xBF[Info]\r\nTitle=x\xEF\x9D\x81y\r\n")) << FileBytes().constData();
    words.SetSongTitle(2, QStringLiteral("二"));
    ASSERT_TRUE(words.Save(dpLyrics));
    Reinsert();
    EXPECT_EQ(words.Title, QStringLiteral("x\uF741y"));
    EXPECT_EQ(words.GetSongTitle(1), QStringLiteral("歌"));
    EXPECT_EQ(words.GetSongTitle(2), QStringLiteral("二"));
    EXPECT_TRUE(FileBytes().startsWith("\xEF\xBB\xBF"));
}

} // namespace
