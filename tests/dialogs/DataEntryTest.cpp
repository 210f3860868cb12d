// The rules of data entry: memo lines and the line limit, copy sources, the timing
// check of OK and the lyrics text import.
#include "discdata/DiscFixture.h"

#include "common/TextCodec.h"
#include "dialogs/DataEntry.h"

namespace {
class Entry : public DiscFixture {
protected:
    void SetUp() override { Insert(SimDisc::Audio({60, 60, 60, 60, 60, 60})); }
    void Lines(int track, const std::vector<std::pair<int32_t, int32_t>>& times)
    {
        int k = 0;
        for (auto [s, e] : times) {
            ++k;
            words.SetLine(track, k, TWordsLine{QStringLiteral("l%1").arg(k), s, e});
        }
        words.SetLineCount(track, k);
    }
};

} // namespace

// Moving texts past their times and the 127-line limit are tested through the dialog.
TEST_F(Entry, MemoLinesEndAtEveryBreakAndCopySourcesAreNeitherTheTrackNorABorrower)
{
    EXPECT_EQ(MemoLines(QStringLiteral("a\nb\n")), (QStringList{"a", "b"}));
    EXPECT_EQ(MemoLines(QStringLiteral("a\r\nb\rc")), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(MemoLines(MemoText({"x", "", ""})), (QStringList{"x", "", ""}));
    EXPECT_TRUE(MemoLines(QString()).isEmpty());

    Lines(2, {{100, 200}, {300, 400}});
    SetCopySource(words, 5, 2);
    EXPECT_EQ(words.GetLineCount(5), 2);
    EXPECT_EQ(CopySources(words, 3), (std::vector<int>{1, 2, 4, 6}));
    // No link again: the borrowed lines stay as the track's own.
    SetCopySource(words, 5, 0);
    EXPECT_EQ(words.GetLineCount(5), 2);
    EXPECT_EQ(CopySources(words, 3), (std::vector<int>{1, 2, 4, 5, 6}));
}

TEST_F(Entry, TheTimingCheckFindsTheFirstContradictionAndNeverComparesZeros)
{
    Lines(1, {{0, 500}, {600, 0}, {900, 900}}); // zeros are never compared...
    Lines(2, {{100, 200}, {200, 300}});         // a start equal to the end before passes
    Lines(5, {{100, 200}, {300, 400}, {1000, 3000}, {2900, 3100}});
    std::optional<TimingFault> fault = CheckTiming(words);
    ASSERT_TRUE(fault);
    // ... but an end equal to its start fails in the start column.
    EXPECT_EQ(fault->Track, 1);
    EXPECT_EQ(fault->Line, 3);
    EXPECT_EQ(fault->Column, 1);

    Lines(1, {{0, 500}, {600, 0}, {900, 1000}});
    fault = CheckTiming(words);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->Track, 5);
    EXPECT_EQ(fault->Line, 3);
    EXPECT_EQ(fault->Column, 2);

    // Both faults on one line: the end column wins.
    Lines(5, {{500, 400}, {300, 600}});
    fault = CheckTiming(words);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->Line, 1);
    EXPECT_EQ(fault->Column, 2);

    // A borrower is checked through its source only.
    Lines(5, {{100, 200}});
    Lines(6, {{500, 100}});
    SetCopySource(words, 3, 6);
    fault = CheckTiming(words);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->Track, 6);
    Lines(6, {{100, 500}});
    words.ResolveCopies();
    EXPECT_FALSE(CheckTiming(words));
}

TEST(LyricsImport, CodePage932AndUtf8WithOrWithoutMarkAreToldApart)
{
    const QString text = QStringLiteral("春の歌\r\n二行目 ～ ①\r\n");
    const QStringList lines{QStringLiteral("春の歌"), QStringLiteral("二行目 ～ ①")};

    ImportedLyrics cp = DecodeLyricsText(Cp932::Encode(text));
    EXPECT_FALSE(cp.Utf8);
    EXPECT_EQ(cp.Lines, lines);
    EXPECT_EQ(cp.Invalid, 0);

    ImportedLyrics utf = DecodeLyricsText(text.toUtf8());
    EXPECT_TRUE(utf.Utf8);
    EXPECT_EQ(utf.Lines, lines);
    ImportedLyrics marked = DecodeLyricsText("\xEF\xBB\xBF" + text.toUtf8());
    EXPECT_TRUE(marked.Utf8);
    EXPECT_EQ(marked.Lines, lines);

    // "でで" in UTF-8 is also valid code page 932 (two kanji, each followed by a
    // half-width kana); valid UTF-8 wins.
    const QByteArray both("\xE3\x81\xA7\xE3\x81\xA7\n");
    int invalid = -1;
    ASSERT_FALSE(Cp932::Decode(both, &invalid).isEmpty());
    ASSERT_EQ(invalid, 0);
    EXPECT_EQ(DecodeLyricsText(both).Lines, QStringList{QStringLiteral("でで")});

    // Code page 932 bytes that break UTF-8 (a lone trail byte) stay code page 932;
    // plain ASCII reads the same either way, lines split at CR, LF and CR LF.
    EXPECT_EQ(DecodeLyricsText(Cp932::Encode(QStringLiteral("ｱｲｳ"))).Lines, QStringList{QStringLiteral("ｱｲｳ")});
    ImportedLyrics ascii = DecodeLyricsText("one\rtwo\nthree");
    EXPECT_FALSE(ascii.Utf8);
    EXPECT_EQ(ascii.Lines, (QStringList{"one", "two", "three"}));
    // An overlong UTF-8 form is not UTF-8.
    EXPECT_FALSE(DecodeLyricsText("\xC0\xAF").Utf8);
}

TEST_F(Entry, AFileThatCannotBeReadOffersRetryAndCancelKeepsNothing)
{
    const QString path = dir.filePath(QStringLiteral("lyrics.txt"));
    presenter.answers = {IdRetry};
    EXPECT_FALSE(ReadLyricsFile(path));
    ASSERT_EQ(presenter.shown.size(), 2);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("読み込みエラー"));
    WriteBytes(path, Cp932::Encode(QStringLiteral("一\n二\n")));
    const std::optional<ImportedLyrics> read = ReadLyricsFile(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Lines, (QStringList{QStringLiteral("一"), QStringLiteral("二")}));
}
