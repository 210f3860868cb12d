// LRC files: what the reader makes of the forms found in the wild, the writer, the round
// trip through a track and its data file, and the line limit.
#include "DiscFixture.h"

#include <QStringEncoder>

#include "core/common/TextCodec.h"
#include "core/discdata/Lrc.h"
#include "core/entry/DataEntry.h"
#include "core/lyrics/WordsLine.h"

namespace {

struct Line {
    int32_t start, end;
    QString text;
    bool operator==(const Line&) const = default;
};

std::vector<Line> linesOf(const std::vector<TWordsLine>& lines)
{
    std::vector<Line> out;
    for (const TWordsLine& l : lines) out.push_back({l.StartTime, l.EndTime, l.Text});
    return out;
}

void PrintTo(const Line& l, std::ostream* os) { *os << l.start << "-" << l.end << " " << l.text.toStdString(); }

struct Skips {
    int count = 0;
    std::vector<int> lines;
};

struct ReadCase {
    const char* name;
    QStringList file;
    int32_t trackEnd;
    std::vector<Line> lines;
    int16_t adjust = 0;
    Skips untimed = {}, badTags = {}; // lines skipped, and why
    int atZero = 0;                   // lines moved off 00:00.00
};

TEST(LrcRead, FormsFoundInTheWild)
{
    const ReadCase cases[] = {
        {"fractions of one, two and three digits, none, and a colon before them",
         {"[00:01.5]a", "[00:02.25]b", "[00:03.456]c", "[00:04]d", "[00:05:50]e", "[100:00.00]f"},
         700000,
         {{150, 225, "a"},
          {225, 345, "b"},
          {345, 400, "c"},
          {400, 550, "d"},
          {550, 600000, "e"},
          {600000, 700000, "f"}}},
        {"several time tags put the line at each time",
         {"[00:10.00][00:30.00]chorus", "[00:20.00] verse "},
         4000,
         {{1000, 2000, "chorus"}, {2000, 3000, "verse"}, {3000, 4000, "chorus"}}},
        {"a positive offset shows the lines earlier: the correction is its negative",
         {"[offset:+500]", "[00:10.00]x"},
         2000,
         {{1000, 2050, "x"}},
         -50},
        {"an offset with blanks around and inside its sign",
         {"[offset: - 250 ]", "[00:10.00]x"},
         2000,
         {{1000, 1975, "x"}},
         25},
        {"an offset that is no number changes nothing, and is told",
         {"[offset:soon]", "[00:10.00]x"},
         2000,
         {{1000, 2000, "x"}},
         0,
         {},
         {1, {1}}},
        {"what the correction cannot hold moves the times",
         {"[offset:-400000]", "[00:10.00]x"},
         0,
         {{11000, kLrcOpenEnd, "x"}},
         30000},
        {"word tags go, other angle brackets stay",
         {"[00:01.00]<00:01.00>Hel<00:01.50>lo <00:02.0>world", "[00:03.00]I <3 you"},
         500,
         {{100, 300, "Hello world"}, {300, 500, "I <3 you"}}},
        {"word tags set apart by blanks leave one blank; a tag that removing one forms goes too",
         {"[00:01.00] <00:01.00> Some <00:01.50> words <00:02.00> here", "[00:03.00]<<00:03.50>00:03.60>end"},
         500,
         {{100, 300, "Some words here"}, {300, 500, "end"}}},
        {"ID tags, known or not, are no lyrics; untimed text is none either, and is told",
         {"[ti:Song [Live]]", "[ar:Someone]", "[by:me]", "[re:tool]", "just text", "[00:01.00]x", "[chorus]", " \t"},
         200,
         {{100, 200, "x"}},
         0,
         {1, {5}},
         {1, {7}}},
        {"tags that cannot be read are told with the first few of their lines",
         {"[00:1x.00]a", "[00:01.00]b", "[00:02.00", "[:x]", "[1:2:3:4]c", "[length:soon]", "[]", "[00:03.00]c", "d",
          "[00.04.00]e"},
         400,
         {{100, 300, "b"}, {300, 400, "c"}},
         0,
         {1, {9}},
         {7, {1, 3, 4, 5, 6}}},
        {"hours before the minutes, with a fraction; a:b:c without one stays minutes",
         {"[1:02:03.45]late", "[01:02:03]early"},
         0,
         {{6203, 372345, "early"}, {372345, kLrcOpenEnd, "late"}}},
        {"a line at 00:00.00 starts at 00:00.01: a start of 0 is no time in a data file",
         {"[00:00.00]first", "[00:00.00][00:02.00]again", "[00:01.00]"},
         300,
         {{1, 100, "first / again"}, {200, 300, "again"}},
         0,
         {},
         {},
         2},
        {"lines out of order are sorted; lines of one time are joined",
         {"[00:30.00]c", "[00:10.00]a", "[00:20.00]b1", "[00:20.00]b2"},
         4000,
         {{1000, 2000, "a"}, {2000, 3000, "b1 / b2"}, {3000, 4000, "c"}}},
        {"an empty timed line ends the line before it and is no line itself",
         {"[00:01.00]a", "[00:02.00]", "[00:05.00]b", "[00:06.00] <00:06.00> ", "[00:00.50]"},
         1000,
         {{100, 200, "a"}, {500, 600, "b"}}},
        {"enhanced LRC: the word tag after the last word ends the line, unless the next line or the end is sooner",
         {"[00:01.00]<00:01.00>Hel <00:02.00>lo <00:03.90>", "[00:05.00]<00:05.00>next <00:06.50> ",
          "[00:08.00]late<00:09.50>", "[00:09.00]<00:09.50>over <00:12.00>", "[00:07.00]back<00:06.00>"},
         1100,
         {{100, 390, "Hel lo"}, {500, 650, "next"}, {700, 800, "back"}, {800, 900, "late"}, {900, 1100, "over"}}},
        {"the last line ends at the file's length when the track's is unknown, else never",
         {"[length: 01:00.50]", "[00:10.00]x"},
         0,
         {{1000, 6050, "x"}}},
        {"without any length the last line shows until the track ends", {"[00:10.00]x"}, 0, {{1000, kLrcOpenEnd, "x"}}},
        {"a line after the track's end has no end",
         {"[00:10.00]x", "[00:50.00]y"},
         3000,
         {{1000, 5000, "x"}, {5000, 0, "y"}}},
        {"the data file's end marker cannot come in as a text",
         {"[00:01.00]***", "[00:02.00]\tend\x01"},
         300,
         {{100, 200, "＊＊＊"}, {200, 300, "end"}}},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const LrcLyrics read = ReadLrc(c.file, c.trackEnd);
        EXPECT_EQ(linesOf(read.Lines), c.lines);
        EXPECT_EQ(read.Adjust, c.adjust);
        EXPECT_EQ(read.Dropped, 0);
        EXPECT_EQ(read.Untimed.Count, c.untimed.count);
        EXPECT_EQ(read.Untimed.Lines, c.untimed.lines);
        EXPECT_EQ(read.BadTags.Count, c.badTags.count);
        EXPECT_EQ(read.BadTags.Lines, c.badTags.lines);
        EXPECT_EQ(read.AtZero, c.atZero);
    }
    const LrcLyrics tags = ReadLrc({"[ti:Song [Live]]", "[AR: Someone ]", "[al:Album]", "[length:3:25.5]"}, 0);
    EXPECT_EQ(tags.Title, QStringLiteral("Song [Live]"));
    EXPECT_EQ(tags.Artist, QStringLiteral("Someone"));
    EXPECT_EQ(tags.Album, QStringLiteral("Album"));
    EXPECT_EQ(tags.Length, 20550);
}

TEST(LrcRead, EncodingsOfTheFile)
{
    const QString text = QStringLiteral("[ti:月の舟]\r\n[00:01.00]静かな夜に\r\n[00:02.50]月がのぼる\n");
    const QByteArray utf8 = text.toUtf8();
    QStringEncoder le(QStringConverter::Utf16LE), be(QStringConverter::Utf16BE);
    const QByteArray files[] = {
        Cp932::Encode(text),
        utf8,
        "\xEF\xBB\xBF" + utf8,
        "\xFF\xFE" + QByteArray(le.encode(text)),
        "\xFE\xFF" + QByteArray(be.encode(text)),
    };
    for (int i = 0; i < 5; ++i) {
        const QByteArray& bytes = files[i];
        SCOPED_TRACE(i);
        const ImportedLyrics decoded = DecodeLyricsText(bytes);
        EXPECT_EQ(decoded.Invalid, 0);
        const LrcLyrics read = ReadLrc(decoded.Lines, 400);
        EXPECT_EQ(read.Title, QStringLiteral("月の舟"));
        EXPECT_EQ(linesOf(read.Lines), (std::vector<Line>{{100, 250, QStringLiteral("静かな夜に")},
                                                          {250, 400, QStringLiteral("月がのぼる")}}));
    }
}

using LrcTrackTest = DiscFixture;

TEST_F(LrcTrackTest, WriterFilesComeBackThroughTheTrackAndItsDataFileAsTheyWere)
{
    Insert(SimDisc::Audio({60, 90}));
    RegisterFile(QStringLiteral("disc"), QByteArray());
    words.FileName = DataPath(QStringLiteral("disc"));
    words.Title = QStringLiteral("アルバム");
    words.Artist = QStringLiteral("歌手");
    words.SetSongTitle(2, QStringLiteral("二曲目"));
    // Every gap keeps its empty line, however short; a line ending with the track needs
    // none. The writer never writes 00:00.00, which a data file cannot hold as a time.
    const QString file = QStringLiteral(
        "[ti:二曲目]\r\n[ar:歌手]\r\n[al:アルバム]\r\n[length:01:30.00]\r\n"
        "[00:00.01]Intro, with a comma\r\n[00:05.10]first\r\n[00:08.00]\r\n"
        "[00:12.34]second / both\r\n[00:12.90]\r\n[00:13.00]third\r\n[01:20.00]\r\n[01:25.00]last\r\n");
    const LrcLyrics read = ReadLrc(DecodeLyricsText(file.toUtf8()).Lines, words.SongLength(2) / 10);
    ASSERT_EQ(read.Lines.size(), 5u);
    StoreLrc(words, 2, read);
    EXPECT_FALSE(CheckTiming(words).has_value());
    ASSERT_TRUE(words.Save(dpLyrics));
    Reinsert();
    ASSERT_EQ(words.GetLineCount(2), 5);
    EXPECT_EQ(WriteLrc(TrackLrc(words, 2)), file);

    // The lyrics window shows each line from its start until the next, and nothing in
    // the gaps the empty lines keep.
    auto shown = [&](int32_t ms) {
        const int32_t pos = LinePosition(words.SongStart(2) + ms, words.SongStart(2), words.GetAdjust(2), 0);
        const int k = ChooseLine(
            pos, words.GetLineCount(2),
            [&](int i) {
                const TWordsLine l = words.GetLine(2, i);
                return LineSpan{l.StartTime, l.EndTime};
            },
            false);
        return k > 0 ? words.GetLine(2, k).Text : QString();
    };
    EXPECT_EQ(shown(20), QStringLiteral("Intro, with a comma"));
    EXPECT_EQ(shown(5110), QStringLiteral("first"));
    EXPECT_EQ(shown(9000), QString());
    EXPECT_EQ(shown(12350), QStringLiteral("second / both"));
    EXPECT_EQ(shown(12950), QString());
    EXPECT_EQ(shown(60000), QStringLiteral("third"));
    EXPECT_EQ(shown(82000), QString());
    EXPECT_EQ(shown(89990), QStringLiteral("last"));

    // An offset becomes the track's correction; the export shows the times it gives.
    StoreLrc(words, 2, ReadLrc({"[offset:+1000]", "[00:05.00]early"}, words.SongLength(2) / 10));
    EXPECT_EQ(words.GetAdjust(2), -100);
    EXPECT_EQ(shown(4010), QStringLiteral("early"));
    EXPECT_TRUE(WriteLrc(TrackLrc(words, 2)).endsWith(QStringLiteral("[00:04.00]early\r\n")));
    // A borrowing track shows its source's lines with both corrections.
    words.SetCopyTrack(1, 2);
    words.SetAdjust(1, 50);
    words.ResolveCopies();
    const LrcTrack borrowed = TrackLrc(words, 1);
    ASSERT_EQ(borrowed.Lines.size(), 1u);
    EXPECT_EQ(borrowed.Lines[0].StartTime, 450);
    EXPECT_EQ(borrowed.Length, 6000);
    EXPECT_EQ(LrcTracks(words), (std::vector<int>{1, 2}));

    // Lines typed but not yet timed have no place in time: they stay out of the file
    // rather than all landing together at 00:00. A line at 00:00 with an end is timed.
    words.SetCopyTrack(1, 0);
    words.ResolveCopies();
    const TWordsLine typed[] = {{QStringLiteral("from the start"), 0, 200},
                                {QStringLiteral("timed"), 300, 500},
                                {QStringLiteral("started"), 600, 0},
                                {QStringLiteral("not yet"), 0, 0},
                                {QStringLiteral("nor this"), 0, 0}};
    for (int k = 1; k <= 5; ++k) words.SetLine(1, k, typed[k - 1]);
    words.SetLineCount(1, 5);
    EXPECT_EQ(WriteLrc(TrackLrc(words, 1)), QStringLiteral("[ar:歌手]\r\n[al:アルバム]\r\n[length:01:00.00]\r\n"
                                                           "[00:00.50]from the start\r\n[00:02.50]\r\n"
                                                           "[00:03.50]timed\r\n[00:05.50]\r\n[00:06.50]started\r\n"));
    // A track with nothing timed has nothing to write: no file of tags alone.
    words.SetLine(2, 1, {QStringLiteral("typed"), 0, 0});
    words.SetLineCount(2, 1);
    EXPECT_EQ(LrcTracks(words), (std::vector<int>{1}));
}

TEST_F(LrcTrackTest, WordTimesComeBackThroughTheTrackAndItsDataFileAtTenMilliseconds)
{
    Insert(SimDisc::Audio({60, 90}));
    RegisterFile(QStringLiteral("disc"), QByteArray());
    words.FileName = DataPath(QStringLiteral("disc"));
    // Words split by blanks, a line of Japanese split by syllable, text before the first
    // tag, a first tag later than its line, a plain line among them; the last tag ends
    // its line.
    const QString file = QStringLiteral("[length:01:30.00]\r\n"
                                        "[00:05.10]<00:05.10>first <00:05.62>words <00:06.03>here<00:07.99>\r\n"
                                        "[00:08.00]<00:08.00>歌<00:08.41>詞<00:09.00>\r\n"
                                        "[00:10.00]<00:10.00>lead <00:10.75>in<00:11.00>\r\n"
                                        "[00:12.00]<00:12.30>late<00:12.80>\r\n"
                                        "[00:13.00]plain\r\n[00:14.00]\r\n");
    const LrcLyrics read = ReadLrc(DecodeLyricsText(file.toUtf8()).Lines, words.SongLength(2) / 10);
    ASSERT_EQ(read.Lines.size(), 5u);
    const TWordsLine& first = read.Lines[0];
    EXPECT_EQ(first.Text, QStringLiteral("first words here"));
    EXPECT_EQ(first.EndTime, 799);
    EXPECT_EQ(first.Words, (std::vector<WordMark>{{510, 0}, {562, 6}, {603, 12}}));
    EXPECT_EQ(read.Lines[1].Words, (std::vector<WordMark>{{800, 0}, {841, 1}}));
    EXPECT_EQ(read.Lines[3].Words, (std::vector<WordMark>{{1200, 0}, {1230, 0}}));
    EXPECT_TRUE(read.Lines[4].Words.empty());
    StoreLrc(words, 2, read);
    ASSERT_TRUE(words.Save(dpLyrics));
    Reinsert();
    EXPECT_EQ(words.GetLine(2, 1).Words, first.Words);
    EXPECT_EQ(WriteLrc(TrackLrc(words, 2)), file);

    // Text before the first tag is a word at the line's time; several times on one line
    // or a tag before the line's time leave the line plain.
    const LrcLyrics lead = ReadLrc({"[00:01.00]Hello <00:01.50>world <00:02.00>", "[00:03.00][00:04.00]a <00:03.50>b",
                                    "[00:06.00]<00:05.00>early"},
                                   0);
    ASSERT_EQ(lead.Lines.size(), 4u);
    EXPECT_EQ(lead.Lines[0].Words, (std::vector<WordMark>{{100, 0}, {150, 6}}));
    EXPECT_EQ(lead.Lines[0].EndTime, 200);
    EXPECT_TRUE(lead.Lines[1].Words.empty());
    EXPECT_TRUE(lead.Lines[3].Words.empty());
    EXPECT_EQ(lead.Lines[3].Text, QStringLiteral("early"));
    // An end past the track's end is an empty line, as a reading takes it back, not a tag.
    LrcTrack past;
    past.Length = 1000;
    past.Lines = {TWordsLine{QStringLiteral("a b"), 100, 1200, {{100, 0}, {150, 2}}}};
    EXPECT_EQ(WriteLrc(past),
              QStringLiteral("[length:00:10.00]\r\n[00:01.00]<00:01.00>a <00:01.50>b\r\n[00:12.00]\r\n"));
    // A byte-order mark after a line's last tag (files joined) leaves the tag its end,
    // and the line comes back the same through a writing.
    const LrcLyrics marked = ReadLrc({QStringLiteral("[00:03.00]Hello <00:03.50>world <00:04.00>\uFEFF")}, 0);
    ASSERT_EQ(marked.Lines.size(), 1u);
    EXPECT_EQ(marked.Lines[0].EndTime, 400);
    const LrcLyrics back = ReadLrc(MemoLines(WriteLrc({{}, {}, {}, 0, 0, marked.Lines})), 0);
    ASSERT_EQ(back.Lines.size(), 1u);
    EXPECT_EQ(back.Lines[0].Words, marked.Lines[0].Words);
    // A last "word" of control characters only is none.
    EXPECT_EQ(ReadLrc({QStringLiteral("[00:01.00]<00:01.00>first <00:01.50>\x7f")}, 0).Lines.at(0).Words,
              (std::vector<WordMark>{{100, 0}}));
    // A line moved off 00:00.00 onto its first word's time has that one word there.
    EXPECT_EQ(ReadLrc({"[00:00.00]<00:00.01>at once"}, 0).Lines.at(0).Words, (std::vector<WordMark>{{1, 0}}));
}

TEST_F(LrcTrackTest, OnlyTheFirst127LinesAreKept)
{
    Insert(SimDisc::Audio({600}));
    QStringList file;
    for (int k = 130; k >= 1; --k) file << FormatLrcTime(k * 100) + QStringLiteral("line %1").arg(k);
    const LrcLyrics read = ReadLrc(file, 60000);
    EXPECT_EQ(read.Dropped, 3);
    ASSERT_EQ(read.Lines.size(), 127u);
    EXPECT_EQ(read.Lines.back().Text, QStringLiteral("line 127"));
    EXPECT_EQ(read.Lines.back().EndTime, 12800); // where the first line left out starts
    words.SetLineCount(1, 0);
    StoreLrc(words, 1, read);
    EXPECT_EQ(words.GetLineCount(1), 127);
}

TEST(LrcWrite, FileNamesFitOtherSystems)
{
    EXPECT_EQ(LrcFileName(3, QStringLiteral("Song")), QStringLiteral("03 Song.lrc"));
    EXPECT_EQ(LrcFileName(12, QString()), QStringLiteral("12.lrc"));
    EXPECT_EQ(LrcFileName(1, QStringLiteral(" A/B: \"C\"? <d>|e*\\f. ")), QStringLiteral("01 A_B_ _C__ _d__e__f.lrc"));
    const QString longName = LrcFileName(1, QString(200, QChar(u'歌')));
    EXPECT_LE(longName.toUtf8().size(), 255);
    EXPECT_TRUE(longName.endsWith(QStringLiteral("歌.lrc")));
}

} // namespace
