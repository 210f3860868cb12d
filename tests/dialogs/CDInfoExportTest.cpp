// The disc properties export: its bytes, its quoting and times, its file.
#include <QDir>

#include "core/common/TextCodec.h"
#include "core/entry/CDInfoExport.h"
#include "discdata/DiscFixture.h"

namespace {

class CDInfoExport : public DiscFixture {
protected:
    // Two audio tracks of 205 500 and 240 000 ms, set as the drive would report them.
    void TwoTracks(const QString& title1, const QString& title2)
    {
        words.SongCount = 2;
        words.AudioState = 1;
        words.FirstAudioTrack = 1;
        words.Songs[1].StartPos = 2000;
        words.Songs[1].Length = 205500;
        words.Songs[2].StartPos = 207500;
        words.Songs[2].Length = 240000;
        words.Songs[3].StartPos = 447500;
        words.Songs[3].Length = 0;
        words.SetSongTitle(1, title1);
        words.SetSongTitle(2, title2);
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
};

} // namespace

TEST_F(CDInfoExport, WorkedExampleIsWrittenByteForByteWhateverTheFilter)
{
    TwoTracks(QStringLiteral("Song One"), QStringLiteral("Song Two"));
    words.Title = QStringLiteral("ABC");
    words.Artist = QStringLiteral("XYZ");
    const QByteArray expected = "\"ABC\",\"XYZ\",2,0:07:25\r\n"
                                "\r\n"
                                "1,\"Song One\",0:03:25\r\n"
                                "2,\"Song Two\",0:04:00\r\n";
    for (const QString& filter : DiscInfoFilters()) {
        const QString path = Path(QStringLiteral("out.csv"));
        ASSERT_TRUE(ExportDiscInfo(path, filter, words));
        EXPECT_EQ(ReadBytes(path), expected) << filter.toStdString();
    }
    EXPECT_TRUE(presenter.shown.isEmpty());
}

TEST_F(CDInfoExport, QuotesAndTimesAndTextsOutsideTheCodePage)
{
    TwoTracks(QStringLiteral("Say \"Hi\", Bob"), QString());
    words.Title = QStringLiteral("夜の\"歌\"");
    words.Artist.clear();
    const QString text = DiscInfoText(words);
    EXPECT_TRUE(text.startsWith(QStringLiteral("\"夜の\"\"歌\"\"\",\"\",2,0:07:25\r\n\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n1,\"Say \"\"Hi\"\", Bob\",0:03:25\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n2,\"\",0:04:00\r\n")));
    EXPECT_EQ(FormatExportTime(59999), QStringLiteral("0:00:59"));
    EXPECT_EQ(FormatExportTime(3600000), QStringLiteral("1:00:00"));
    EXPECT_EQ(FormatExportTime(36061000), QStringLiteral("10:01:01"));
    EXPECT_EQ(CDTypeText(0), QStringLiteral("CD-ROM"));
    EXPECT_EQ(CDTypeText(1), QStringLiteral("音楽CD"));

    // Japanese text is written in code page 932, without a byte-order mark.
    const QString path = Path(QStringLiteral("jp.csv"));
    ASSERT_TRUE(ExportDiscInfo(path, DiscInfoFilters().first(), words));
    EXPECT_EQ(ReadBytes(path), Cp932::Encode(text));
    EXPECT_TRUE(ReadBytes(path).startsWith(QByteArray("\"\x96\xE9\x82\xCC")));
    // A title code page 932 cannot hold makes the whole file UTF-8 with the mark.
    words.SetSongTitle(2, QStringLiteral("노래 ♫"));
    ASSERT_TRUE(ExportDiscInfo(path, DiscInfoFilters().first(), words));
    EXPECT_EQ(ReadBytes(path), QByteArray("\xEF\xBB\xBF") + DiscInfoText(words).toUtf8());
}

TEST_F(CDInfoExport, ProposedNameAndAFileThatCannotBeWritten)
{
    EXPECT_EQ(ExportFileProposal(words), QStringLiteral(".csv"));
    words.FileName = QStringLiteral("/data/My Disc.dat");
    EXPECT_EQ(ExportFileProposal(words), QStringLiteral("My Disc.csv"));
    words.FileName = QStringLiteral("/data/a.b.dat");
    EXPECT_EQ(ExportFileProposal(words), QStringLiteral("a.b.csv"));
    words.FileName.clear();

    // A folder where the file should be: the user is told, and the folder stays.
    TwoTracks(QStringLiteral("x"), QStringLiteral("y"));
    const QString folder = Path(QStringLiteral("taken.csv"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(ExportDiscInfo(folder, DiscInfoFilters().first(), words));
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(presenter.shown[0].text.startsWith(QStringLiteral("ファイル '") + folder +
                                                   QStringLiteral("' へ出力できません。")));
    EXPECT_EQ(presenter.shown[0].flags, 0x2010u);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    // A folder that does not exist.
    EXPECT_FALSE(ExportDiscInfo(Path(QStringLiteral("none/x.csv")), DiscInfoFilters().first(), words));
    EXPECT_EQ(presenter.shown.size(), 2);
}
