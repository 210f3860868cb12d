// Cue sheets as read and laid out: how a sheet lays a disc out (gaps, data tracks,
// damaged tables), and sheets in every form tools write, in every encoding they use.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringEncoder>
#include <array>
#include <string>
#include <tuple>

#include "core/common/Error.h"
#include "core/common/TextCodec.h"
#include "device/CueSheet.h"

namespace {

CueLayout LayOut(const QByteArray& text, const std::vector<int64_t>& sizes, QString* error = nullptr)
{
    CueSheet sheet;
    CueLayout layout;
    QString why;
    if (!ParseCueSheet(text, &sheet, &why) || !LayOutCueSheet(sheet, sizes, &layout, &why)) {
        if (error) *error = why;
        return {};
    }
    return layout;
}

std::vector<int32_t> Starts(const DiscToc& toc)
{
    std::vector<int32_t> s;
    for (const auto& t : toc.tracks) s.push_back(t.startFrame);
    return s;
}

TEST(CueSheetLayout, GapsAndDataTracksLandWhereACdHasThem)
{
    // INDEX 00 stays in the file before its track; POSTGAP and PREGAP are silence that
    // no file holds, after and before their tracks.
    const CueLayout gaps = LayOut("FILE \"a.bin\" BINARY\n"
                                  "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n    POSTGAP 00:01:00\n"
                                  "  TRACK 02 AUDIO\n    INDEX 00 00:03:00\n    INDEX 01 00:04:00\n"
                                  "  TRACK 03 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:08:00\n",
                                  {1000 * 2352});
    EXPECT_EQ(Starts(gaps.toc), (std::vector<int32_t>{150, 525, 975}));
    EXPECT_EQ(gaps.toc.leadOutFrame, 1375);
    const std::vector<std::array<int64_t, 4>> expected = {// frame, frames, file, offset
                                                          {150, 225, 0, 0},         {375, 75, -1, 0},
                                                          {450, 75, 0, 225 * 2352}, {525, 300, 0, 300 * 2352},
                                                          {825, 150, -1, 0},        {975, 400, 0, 600 * 2352}};
    ASSERT_EQ(gaps.extents.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const CueExtent& e = gaps.extents[i];
        EXPECT_EQ((std::array<int64_t, 4>{e.frame, e.frames, e.file, e.offset}), expected[i]) << "extent " << i;
    }

    // A 2048-byte data track in front of the audio: the audio is found behind it.
    const CueLayout mixed = LayOut("FILE \"m.bin\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n"
                                   "  TRACK 02 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:04:00\n",
                                   {300 * 2048 + 450 * 2352});
    EXPECT_EQ(Starts(mixed.toc), (std::vector<int32_t>{150, 600}));
    EXPECT_FALSE(mixed.toc.tracks[0].audio);
    EXPECT_TRUE(mixed.toc.tracks[1].audio);
    EXPECT_EQ(mixed.toc.leadOutFrame, 1050);
    ASSERT_FALSE(mixed.extents.empty());
    EXPECT_EQ(mixed.extents.back().offset, 300 * 2048);
    EXPECT_EQ(mixed.extents.back().frameBytes, 2352);

    // Audio before INDEX 01 of track 1 (a hidden track) moves track 1 on; a partial
    // frame at the end is not part of the disc.
    const QByteArray hiddenSheet = "FILE \"h.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n"
                                   "    INDEX 01 00:02:00\n  TRACK 02 AUDIO\n    INDEX 01 00:04:00\n";
    const CueLayout hidden = LayOut(hiddenSheet, {1000 * 2352 + 1000});
    EXPECT_EQ(Starts(hidden.toc), (std::vector<int32_t>{300, 450}));
    EXPECT_EQ(hidden.toc.leadOutFrame, 1150);
    // Tracks past the end of their file (a file cut short) are not dropped: the sheet is
    // refused, naming the file, where it ends and the tracks it lacks.
    QString why;
    EXPECT_TRUE(LayOut(hiddenSheet + "  TRACK 03 AUDIO\n    INDEX 01 01:00:00\n  TRACK 04 AUDIO\n"
                                     "    INDEX 01 01:10:00\nFILE \"x.bin\" BINARY\n  TRACK 05 AUDIO\n"
                                     "    INDEX 01 00:00:00\n",
                       {1000 * 2352 + 1000, 100 * 2352}, &why)
                    .toc.Empty());
    EXPECT_EQ(why, QStringLiteral("h.bin は 00:13:25 で終わっていて、トラック 3〜4 (01:00:00 から) がありません。"));
    EXPECT_TRUE(LayOut("FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\nFILE \"b.wav\" WAVE\n"
                       "  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n",
                       {588 * 100, 588 * 75}, &why)
                    .toc.Empty());
    EXPECT_TRUE(why.contains(QStringLiteral("b.wav")) && why.contains(QStringLiteral("トラック 2 ")))
        << why.toStdString();

    // Audio files count in samples, 588 to the frame.
    const CueLayout flac = LayOut(
        "FILE \"a.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
        "FILE \"b.flac\" WAVE\n  TRACK 02 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:00:10\n",
        {588 * 100, 588 * 50 + 587});
    EXPECT_EQ(Starts(flac.toc), (std::vector<int32_t>{150, 260}));
    EXPECT_EQ(flac.toc.leadOutFrame, 300);
    ASSERT_EQ(flac.extents.size(), 3u);
    EXPECT_EQ(flac.extents[2].offset, 588 * 10);
}

TEST(CueSheetLayout, SheetsThatContradictThemselvesAreRefusedWithAReason)
{
    QString why;
    EXPECT_TRUE(LayOut("FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:05:00\n"
                       "  TRACK 02 AUDIO\n    INDEX 01 00:04:00\n",
                       {1000 * 2352}, &why)
                    .toc.Empty());
    EXPECT_TRUE(why.contains(QStringLiteral("トラック 2 "))) << why.toStdString();
    EXPECT_TRUE(LayOut("FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\nFILE \"b.bin\" BINARY\n"
                       "  TRACK 02 AUDIO\n    INDEX 01 00:00:00\nFILE \"a.bin\" BINARY\n  TRACK 03 AUDIO\n"
                       "    INDEX 01 00:00:00\n",
                       {2352 * 100, 2352 * 100}, &why)
                    .toc.Empty());
    EXPECT_TRUE(why.contains(QStringLiteral("a.bin"))) << why.toStdString();
    EXPECT_TRUE(
        LayOut("FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n", {2352 * 100}, &why).toc.Empty());
    EXPECT_TRUE(why.contains(QStringLiteral("INDEX 01"))) << why.toStdString();
    EXPECT_TRUE(LayOut("REM nothing here\n", {}, &why).toc.Empty());
    EXPECT_FALSE(why.isEmpty());
    EXPECT_TRUE(LayOut("FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", {100}, &why).toc.Empty());
    EXPECT_FALSE(why.isEmpty()) << "a file too short for one frame holds no track";
}

TEST(CueSheetLayout, FileKindsAndTitlesAreRead)
{
    // Code page 932, as Japanese Windows rippers write their sheets; and a byte-order mark.
    const QByteArray cp932 = Cp932::Encode(
        QStringLiteral("TITLE \"月の舟\"\nPERFORMER 'ミレルーン'\n"
                       "FILE \"一.bin\" MOTOROLA\n  TRACK 01 AUDIO\n"
                       "    TITLE \"夜明け\"\n    INDEX 01 00:00:00\n"
                       "FILE two.wav WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n"
                       "FILE 'three.bin' BINARY\n  TRACK 03 MODE2/2352\n    INDEX 01 00:00:00"));
    for (const QByteArray& text : {cp932, QByteArray("\xEF\xBB\xBF") + Cp932::Decode(cp932).toUtf8()}) {
        CueSheet sheet;
        QString why;
        ASSERT_TRUE(ParseCueSheet(text, &sheet, &why)) << why.toStdString();
        EXPECT_EQ(sheet.title, QStringLiteral("月の舟"));
        EXPECT_EQ(sheet.performer, QStringLiteral("ミレルーン"));
        ASSERT_EQ(sheet.files.size(), 3u);
        EXPECT_EQ(sheet.files[0].name, QStringLiteral("一.bin"));
        EXPECT_EQ(sheet.files[0].kind, CueSheet::FileKind::RawBigEndian);
        EXPECT_EQ(sheet.files[1].name, QStringLiteral("two.wav"));
        EXPECT_EQ(sheet.files[1].kind, CueSheet::FileKind::Audio);
        EXPECT_EQ(sheet.files[2].kind, CueSheet::FileKind::Raw);
        ASSERT_EQ(sheet.tracks.size(), 3u);
        EXPECT_EQ(sheet.tracks[0].title, QStringLiteral("夜明け"));
        EXPECT_EQ(sheet.tracks[2].file, 2);
        EXPECT_FALSE(sheet.tracks[2].audio);
    }
    // Windows-1252, as older Western rippers write their sheets.
    CueSheet sheet;
    QString why;
    ASSERT_TRUE(ParseCueSheet("TITLE \"Caf\xE9 Noir\"\r\nPERFORMER \"D\xE9j\xE0 Vu\"\r\nFILE \"Cr\xE8me.wav\" WAVE\r\n"
                              "  TRACK 01 AUDIO\r\n    TITLE \"Don\x92t Stop\"\r\n    INDEX 01 00:00:00\r\n",
                              &sheet, &why))
        << why.toStdString();
    EXPECT_EQ(sheet.title, QStringLiteral("Café Noir"));
    EXPECT_EQ(sheet.performer, QStringLiteral("Déjà Vu"));
    EXPECT_EQ(sheet.files.at(0).name, QStringLiteral("Crème.wav"));
    EXPECT_EQ(sheet.tracks.at(0).title, QStringLiteral("Don’t Stop"));

    // Keywords in lower or mixed case, as some tools write them; names and titles that
    // look like keywords stay as written.
    ASSERT_TRUE(ParseCueSheet("rem genre pop\r\ntitle \"file track index\"\r\nfile \"a.bin\" motorola\r\n"
                              "  track 01 audio\r\n    flags dcp\r\n    Title track\r\n    pregap 00:02:00\r\n"
                              "    index 01 00:00:00\r\nFile wave.wav Wave\r\n  Track 02 mode2/2352\r\n"
                              "    Index 00 00:00:00\r\n    Index 01 00:01:00",
                              &sheet, &why))
        << why.toStdString();
    EXPECT_EQ(sheet.title, QStringLiteral("file track index"));
    ASSERT_EQ(sheet.files.size(), 2u);
    EXPECT_EQ(sheet.files[0].kind, CueSheet::FileKind::RawBigEndian);
    EXPECT_EQ(sheet.files[1].name, QStringLiteral("wave.wav"));
    EXPECT_EQ(sheet.files[1].kind, CueSheet::FileKind::Audio);
    ASSERT_EQ(sheet.tracks.size(), 2u);
    EXPECT_EQ(sheet.tracks[0].title, QStringLiteral("track"));
    EXPECT_EQ(sheet.tracks[0].pregap, 150);
    EXPECT_FALSE(sheet.tracks[1].audio);
    EXPECT_EQ(sheet.tracks[1].gapStart, 0);
    EXPECT_EQ(sheet.tracks[1].index1, 75);
}

TEST(CueSheetReader, SheetsAsToolsWriteThemAreReadWithTheirFilesGapsAndTitles)
{
    // Mixed-case keywords, tabs, CR LF and lone CR line ends, names with blanks quoted
    // either way or not at all, a type per file, every kind of gap, one-digit numbers,
    // minutes past 99, and lines that tell nothing the disc needs.
    const QByteArray text = "rem COMMENT \"unclosed\r\nCatalog 4988001234567\r\n\tTitle\t\"Night  Songs\"\r\n"
                            "performer Mirelune Band\r\nSongWriter \"x\r\nFile \"Side A.bin\" Binary\r\n"
                            "  Track 1 Audio\r\n\tFlags DCP\r\n    Title 'Dawn Song'\r\n    Index 1 0:0:0\r\n"
                            "    PostGap 00:01:00\r\n  TRACK 02 audio\r\n    INDEX 00 00:03:00\r\n"
                            "    INDEX 01 00:04:00\r    INDEX 02 00:05:00\r  track 03 AUDIO\r"
                            "    index 00 120:00:10\nFILE Side B.wav flac\n    INDEX 01 00:00:05\n"
                            "    PERFORMER \"Guest\"\n  TRACK 04 mode1/2048\n    pregap 00:02:00\n"
                            "    INDEX 01 00:10:00\nFILE 'raw image.bin'\n  TRACK 05 Mode2/2336\n"
                            "    UNKNOWN \"words\n    INDEX 00 00:00:00\n    INDEX 01 00:00:00";
    CueSheet sheet;
    QString why;
    ASSERT_TRUE(ParseCueSheet(text, &sheet, &why)) << why.toStdString();
    EXPECT_EQ(sheet.title, QStringLiteral("Night  Songs"));
    EXPECT_EQ(sheet.performer, QStringLiteral("Mirelune Band"));
    ASSERT_EQ(sheet.files.size(), 3u);
    EXPECT_EQ(sheet.files[0].name, QStringLiteral("Side A.bin"));
    EXPECT_EQ(sheet.files[0].kind, CueSheet::FileKind::Raw);
    EXPECT_EQ(sheet.files[1].name, QStringLiteral("Side B.wav"));
    EXPECT_EQ(sheet.files[1].kind, CueSheet::FileKind::Audio);
    EXPECT_EQ(sheet.files[2].name, QStringLiteral("raw image.bin"));
    EXPECT_EQ(sheet.files[2].kind, CueSheet::FileKind::Raw) << "a FILE line without a type is raw data";
    using Row = std::tuple<int, bool, int, int32_t, int32_t, int32_t, int32_t, std::string, std::string>;
    std::vector<Row> rows;
    for (const CueSheet::Track& t : sheet.tracks)
        rows.emplace_back(t.file, t.audio, t.sectorBytes, t.index1, t.gapStart, t.pregap, t.postgap,
                          t.title.toStdString(), t.performer.toStdString());
    // file, audio, sector bytes, INDEX 01, INDEX 00 in its file, PREGAP, POSTGAP, title, performer
    EXPECT_EQ(rows, (std::vector<Row>{{0, true, 2352, 0, -1, 0, 75, "Dawn Song", ""},
                                      {0, true, 2352, 300, 225, 0, 0, "", ""},
                                      // INDEX 00 lies at the end of side A; INDEX 01 starts side B.
                                      {1, true, 2352, 5, -1, 0, 0, "", "Guest"},
                                      {1, false, 2048, 750, -1, 150, 0, "", ""},
                                      {2, false, 2336, 0, 0, 0, 0, "", ""}}));

    // Japanese titles in UTF-8 with blanks and in code page 932, whose second bytes may
    // be a backslash; after the 99th track a CD holds no more, and the rest is cut.
    const QString japanese = QStringLiteral("TITLE \"表 ソ\"\nFILE \"予定 表.bin\" BINARY\nTRACK 01 AUDIO\n"
                                            "TITLE 能\nINDEX 01 00:00:00\n");
    QByteArray many;
    for (int n = 2; n <= 101; ++n)
        many += "TRACK " + QByteArray::number(n) + " AUDIO\nINDEX 01 " + QByteArray::number(n) + ":00:00\n";
    for (const QByteArray& t : {japanese.toUtf8(), Cp932::Encode(japanese)}) {
        ASSERT_TRUE(ParseCueSheet(t + many + "TRACK 102 BOGUS\n", &sheet, &why)) << why.toStdString();
        EXPECT_EQ(sheet.title, QStringLiteral("表 ソ"));
        EXPECT_EQ(sheet.files.at(0).name, QStringLiteral("予定 表.bin"));
        EXPECT_EQ(sheet.tracks.at(0).title, QStringLiteral("能"));
        ASSERT_EQ(sheet.tracks.size(), 99u);
        EXPECT_EQ(sheet.tracks[98].index1, 99 * 60 * 75);
        EXPECT_EQ(sheet.cutTracks, 3) << "tracks 100 to 102 are told as cut";
    }
}

TEST(CueSheetReader, SheetsFromTheWildReadAsTheirUtf8TwinWithTypelessFilesAndLooseTitles)
{
    // Each sheet must read as its twin: the same files of the same kinds, the same tracks
    // and the same titles.
    const QString twin = QStringLiteral("TITLE \"月の舟\"\r\nPERFORMER \"ミレルーン\"\r\nFILE \"一.flac\" WAVE\r\n"
                                        "  TRACK 01 AUDIO\r\n    TITLE \"'Round Midnight\"\r\n    INDEX 01 00:00:00\r\n"
                                        "FILE \"two.bin\" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:00:00\r\n");
    auto utf16 = [](const QString& text, QStringConverter::Encoding encoding, const char* mark) {
        QStringEncoder encoder(encoding);
        return QByteArray(mark) + QByteArray(encoder.encode(text));
    };
    QString loose = twin;
    loose.replace(QStringLiteral("\"'Round Midnight\""), QStringLiteral("'Round Midnight"));
    const struct {
        const char* name;
        QByteArray sheet;
    } cases[] = {
        {"UTF-16 LE with its mark", utf16(twin, QStringConverter::Utf16LE, "\xFF\xFE")},
        {"UTF-16 BE with its mark", utf16(twin, QStringConverter::Utf16BE, "\xFE\xFF")},
        {"FILE lines without a type go by the extension",
         QString(twin).remove(QStringLiteral(" WAVE")).remove(QStringLiteral(" BINARY")).toUtf8()},
        {"an unquoted title that starts with an apostrophe", loose.toUtf8()},
        {"all of it in UTF-16",
         utf16(QString(loose).remove(QStringLiteral(" WAVE")), QStringConverter::Utf16LE, "\xFF\xFE")},
    };
    CueSheet expected;
    QString why;
    ASSERT_TRUE(ParseCueSheet(twin.toUtf8(), &expected, &why)) << why.toStdString();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CueSheet sheet;
        ASSERT_TRUE(ParseCueSheet(c.sheet, &sheet, &why)) << why.toStdString();
        EXPECT_EQ(sheet.title, QStringLiteral("月の舟"));
        EXPECT_EQ(sheet.performer, QStringLiteral("ミレルーン"));
        ASSERT_EQ(sheet.files.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(sheet.files[i].name, expected.files[i].name);
            EXPECT_EQ(sheet.files[i].kind, expected.files[i].kind) << i;
        }
        ASSERT_EQ(sheet.tracks.size(), 2u);
        EXPECT_EQ(sheet.tracks[0].title, QStringLiteral("'Round Midnight"));
        EXPECT_EQ(sheet.tracks[1].file, 1);
    }

    // Every extension a typeless FILE line may have; display texts as the line has them.
    const struct {
        const char* file;
        CueSheet::FileKind kind;
    } kinds[] = {{"a.FLAC", CueSheet::FileKind::Audio}, {"a.wav", CueSheet::FileKind::Audio},
                 {"a.aiff", CueSheet::FileKind::Audio}, {"a.Bin", CueSheet::FileKind::Raw},
                 {"a.img", CueSheet::FileKind::Raw},    {"a.raw", CueSheet::FileKind::Raw},
                 {"dir.v2/a", CueSheet::FileKind::Raw}};
    for (const auto& k : kinds) {
        CueSheet sheet;
        ASSERT_TRUE(
            ParseCueSheet(QByteArray("FILE \"") + k.file + "\"\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", &sheet, &why));
        EXPECT_EQ(sheet.files.at(0).kind, k.kind) << k.file;
    }
    const struct {
        const char* line;
        const char* title;
    } titles[] = {{"TITLE 'Tis Autumn", "'Tis Autumn"},     {"TITLE \"Unclosed", "\"Unclosed"},
                  {"TITLE 'In quotes' ", "In quotes"},      {"TITLE \"Rock 'n' Roll\"", "Rock 'n' Roll"},
                  {"TITLE Rock 'n' Roll", "Rock 'n' Roll"}, {"SONGWRITER 'x\nTITLE t", "t"}};
    for (const auto& t : titles) {
        CueSheet sheet;
        ASSERT_TRUE(ParseCueSheet(QByteArray(t.line) + "\nFILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
                                  &sheet, &why))
            << t.line << ": " << why.toStdString();
        EXPECT_EQ(sheet.title, QString::fromUtf8(t.title)) << t.line;
    }
}

TEST(CueSheetReader, FaultySheetsAreRefusedWithAReasonThatPointsAtTheFault)
{
    const QByteArray head = "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n";
    const struct {
        QByteArray text;
        const char* japanese;
        const char* english;
    } cases[] = {
        {"TITLE x\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", "トラック 1 にファイルの指定がありません",
         "track 1 names no file"},
        {"FILE a.bin\nINDEX 01 00:00:00\n", "2 行目「INDEX 01 00:00:00」がトラックの外",
         "line 2 (INDEX 01 00:00:00) is outside any track"},
        {"FILE a.bin\r\npregap 00:02:00\r\n", "2 行目「pregap 00:02:00」がトラックの外", "is outside any track"},
        {head + "INDEX 01 00:60:00\n", "3 行目「INDEX 01 00:60:00」の時間が", "line 3 (INDEX 01 00:60:00): the time"},
        {head + "INDEX 01 00:00:75\n", "の時間が", "the time is not"},
        {head + "INDEX 01 0:00\n", "の時間が", "the time is not"},
        {head + "INDEX 01 00:0x:00\n", "の時間が", "the time is not"},
        {head + "POSTGAP 00:00:100\n", "の時間が", "the time is not"},
        {head + "INDEX 01 99999:00:00\n", "トラック 1 の時間が範囲外です", "track 1 has a time out of range"},
        {"FILE a.bin\nTRACK 100 AUDIO\n", "トラック番号", "the track number is not a number from 1 to 99"},
        {"FILE a.bin\nTRACK 0 AUDIO\n", "トラック番号", "track number"},
        {"FILE a.bin\nTRACK AUDIO\n", "トラック番号", "track number"},
        {"FILE a.bin\nTRACK 01 MODE3/2352\n", "トラックの種類が読めません", "the track mode is not known"},
        {"FILE a.bin\nTRACK 01\n", "トラックの種類", "track mode"},
        {head + "INDEX 100 00:00:00\n", "インデックス番号", "the index number is not a number from 0 to 99"},
        {head + "INDEX 01 00:00:00\nINDEX 00 00:00:00\n", "4 行目",
         "line 4 (INDEX 00 00:00:00): the index is out of order"},
        {head + "INDEX 01 00:00:00\nINDEX 01 00:01:00\n", "番号の順に並んでいません", "out of order"},
        {head + "INDEX 00 00:00:00\nINDEX 02 00:01:00\n", "番号の順に並んでいません", "out of order"},
        {head + "INDEX 00 00:05:00\nINDEX 01 00:04:00\n", "前のインデックスより前",
         "lies before the index in front of it"},
        {"FILE \"a.bin BINARY\n", "引用符が閉じていません", "a quotation mark is not closed"},
        {"FILE\n", "1 行目「FILE」にファイル名がありません", "names no file"},
        {"FILE \"\" BINARY\n", "ファイル名がありません", "names no file"},
        {head + "INDEX 00 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n", "トラック 1 に INDEX 01 がありません",
         "track 1 has no INDEX 01"},
        {head, "INDEX 01", "track 1 has no INDEX 01"},
        {"REM FILE a.bin\n\n", "トラックがありません", "the cue sheet names no track"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        for (bool english : {false, true}) {
            SetEnglishReasons(english);
            CueSheet sheet;
            sheet.title = QStringLiteral("left over");
            QString why;
            EXPECT_FALSE(ParseCueSheet(c.text, &sheet, &why));
            EXPECT_TRUE(why.contains(QString::fromUtf8(english ? c.english : c.japanese))) << why.toStdString();
            EXPECT_TRUE(sheet.title.isEmpty() && sheet.files.empty() && sheet.tracks.empty());
        }
    }
    SetEnglishReasons(false);
}

} // namespace
