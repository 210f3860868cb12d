// The rules of data entry: memo lines and the line limit, copy sources, the timing
// check of OK and the lyrics text import.
#include "discdata/DiscFixture.h"

#include <QFile>
#include <sys/stat.h>

#include "core/common/TextCodec.h"
#include "core/entry/DataEntry.h"

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

TEST_F(Entry, EditedLyricsKeepEachLinesTimesWithItsText)
{
    const QString star = QStringLiteral("夜空に星が"), stars = QStringLiteral("夜空に星が光る");
    struct Case {
        const char* what;
        QStringList before, after;
        std::vector<int> from; // for each line after: the line before it is, -1 new
    };
    const std::vector<Case> cases = {
        {"unchanged", {"A", "B", "C"}, {"A", "B", "C"}, {0, 1, 2}},
        {"a line inserted first", {"A", "B", "C"}, {"N", "A", "B", "C"}, {-1, 0, 1, 2}},
        {"a line inserted between", {"A", "B", "C"}, {"A", "N", "B", "C"}, {0, -1, 1, 2}},
        {"a line added last", {"A", "B"}, {"A", "B", "N"}, {0, 1, -1}},
        {"a line deleted", {"A", "B", "C"}, {"A", "C"}, {0, 2}},
        {"the first line deleted", {"A", "B", "C"}, {"B", "C"}, {1, 2}},
        {"a line edited in place", {"A", "B", "C"}, {"A", "X", "C"}, {0, 1, 2}},
        {"two lines edited in place", {"A", "B", "C", "D"}, {"A", "X", "Y", "D"}, {0, 1, 2, 3}},
        {"the first line edited", {"A", "B"}, {"X", "B"}, {0, 1}},
        {"every line replaced, as many", {"A", "B"}, {"X", "Y"}, {0, 1}},
        {"a line inserted before one mended", {"A", star, "C"}, {"A", "N", stars, "C"}, {0, -1, 1, 2}},
        {"a line mended before one inserted", {"A", stars, "C"}, {"A", star, "N", "C"}, {0, 1, -1, 2}},
        {"one line replaced by two unlike it", {"A", "B", "C"}, {"A", "X", "Y", "C"}, {0, -1, -1, 2}},
        {"two lines joined into one unlike them", {"A", "B", "C", "D"}, {"A", "X", "D"}, {0, -1, 3}},
        {"a repeated line inserted among repeats", {"S", "R", "R", "E"}, {"S", "R", "N", "R", "E"}, {0, 1, -1, 2, 3}},
        {"one of two empty lines deleted", {"A", "", "B", "", "C"}, {"A", "", "B", "C"}, {0, 1, 2, 4}},
        {"a line moved to the end", {"A", "B", "C"}, {"B", "C", "A"}, {1, 2, 0}},
        {"a line cut and pasted two down", {"A", "B", "C", "D"}, {"B", "C", "A", "D"}, {1, 2, 0, 3}},
        {"two lines swapped far apart", {"A", "B", "C", "D"}, {"A", "D", "C", "B"}, {0, 3, 2, 1}},
        {"a line moved while another is mended", {"A", "B", "C", star}, {"B", "A", "C", stars}, {1, 0, 2, 3}},
        {"lyrics typed anew", {}, {"A", "B"}, {-1, -1}},
        {"lyrics cleared", {"A", "B"}, {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(FollowLines(c.before, c.after), c.from) << c.what;

    // Stored, the times go with the lines they belong to.
    // Word times go with their line while its text stays, not once it is mended.
    Lines(3, {{100, 200}, {300, 400}, {500, 600}});
    const std::vector<WordMark> split{{500, 0}, {550, 1}};
    for (int k : {2, 3}) {
        TWordsLine line = words.GetLine(3, k);
        line.Words = {{line.StartTime, 0}, {line.StartTime + 50, 1}};
        words.SetLine(3, k, line);
    }
    ASSERT_TRUE(StoreLyrics(words, 3, {"l1", "new", "l2.", "l3"}));
    EXPECT_TRUE(words.GetLine(3, 3).Words.empty());
    EXPECT_EQ(words.GetLine(3, 4).Words, split);
    ASSERT_EQ(words.GetLineCount(3), 4);
    const std::vector<std::pair<int32_t, int32_t>> times = {{100, 200}, {0, 0}, {300, 400}, {500, 600}};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(words.GetLine(3, k).StartTime, times[k - 1].first) << "line " << k;
        EXPECT_EQ(words.GetLine(3, k).EndTime, times[k - 1].second) << "line " << k;
    }
    EXPECT_EQ(words.GetLine(3, 3).Text, QStringLiteral("l2."));
    ASSERT_TRUE(StoreLyrics(words, 3, {"l1", "l3"}));
    EXPECT_EQ(words.GetLine(3, 2).StartTime, 500);
}

// The 127-line limit is tested through the dialog.
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
    // Neither UTF-8 nor plausible code page 932: Windows-1252, and the user is told.
    const ImportedLyrics western = DecodeLyricsText("Caf\xE9 au lait\r\nD\xE9j\xE0 vu\r\n");
    EXPECT_EQ(western.Lines, (QStringList{QStringLiteral("Café au lait"), QStringLiteral("Déjà vu")}));
    EXPECT_TRUE(western.Windows1252);
    EXPECT_TRUE(ImportNotes(western, nullptr).join(' ').contains(QStringLiteral("Windows-1252")));
    EXPECT_TRUE(ImportNotes(cp, nullptr).isEmpty());
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

    // A FIFO is refused with its reason, not waited on; so is a file far too large to be lyrics.
    const QString fifo = dir.filePath(QStringLiteral("fifo.lrc"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString huge = dir.filePath(QStringLiteral("huge.txt"));
    ASSERT_TRUE(QFile(huge).open(QIODevice::WriteOnly) && QFile::resize(huge, 64 * 1024 * 1024));
    for (const QString& bad : {fifo, huge}) {
        presenter.shown.clear();
        EXPECT_FALSE(ReadLyricsFile(bad)) << bad.toStdString();
        ASSERT_EQ(presenter.shown.size(), 1);
        EXPECT_FALSE(presenter.shown[0].reason.isEmpty()) << bad.toStdString();
    }
}
