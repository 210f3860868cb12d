// Reading and writing the disc data file through TWords::Load and TWords::Save.
#include <QFileDevice>
#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <sys/stat.h>

#include "DiscFixture.h"
#include "core/common/TextCodec.h"
#include "core/settings/IniDocument.h"

namespace {

const QByteArray kWorkedExample = "[Mirelune]\r\n"
                                  "Version=151A\r\n"
                                  "\r\n"
                                  "[Info]\r\n"
                                  "Title=Sample Disc\r\n"
                                  "Artist=Sample Artist\r\n"
                                  "PlayTime=754\r\n"
                                  "PlayType=17\r\n"
                                  "Program=3,1\r\n"
                                  "\r\n"
                                  "[Title]\r\n"
                                  "01=First Song\r\n"
                                  "02=Interlude\r\n"
                                  "03=First Song (Reprise)\r\n"
                                  "\r\n"
                                  "[Words01]\r\n"
                                  "Adjust=-12\r\n"
                                  "001=1530,1985,First line of the song\r\n"
                                  "002=2010,2470,Second line, with a comma\r\n"
                                  "003=2500,2960,\r\n"
                                  "\r\n"
                                  "[Words03]\r\n"
                                  "Adjust=25\r\n"
                                  "CopyTrack=1\r\n"
                                  "\r\n";

class DataFile : public DiscFixture {
protected:
    void SetUp() override { Insert(SimDisc::Audio({200, 30, 240})); }

    // A registered disc whose file holds text; the disc is then read again.
    void Use(const QByteArray& text)
    {
        RegisterFile(QStringLiteral("Disc"), text);
        Reinsert();
        ASSERT_EQ(words.FileName, DataPath(QStringLiteral("Disc")));
    }
    QByteArray FileBytes() { return ReadBytes(words.FileName); }
    void SetLines(int track, const QList<TWordsLine>& lines)
    {
        for (int i = 0; i < lines.size(); ++i) words.SetLine(track, i + 1, lines[i]);
        words.SetLineCount(track, static_cast<int32_t>(lines.size()));
    }
};

TEST_F(DataFile, WorkedExampleIsWrittenByteForByteAndReadBack)
{
    words.PlayTime = 754;
    commands.State.SetType(ptRandom);
    commands.State.SetRepeat(RepeatMode::All);
    ASSERT_FALSE(words.Register(QStringLiteral("Sample Disc")));
    EXPECT_EQ(words.FileName, DataPath(QStringLiteral("Sample Disc")));

    words.Artist = QStringLiteral("Sample Artist");
    words.SetSongTitle(1, QStringLiteral("First Song"));
    words.SetSongTitle(2, QStringLiteral("Interlude"));
    words.SetSongTitle(3, QStringLiteral("First Song (Reprise)"));
    SetLines(1, {{QStringLiteral("First line of the song"), 1530, 1985},
                 {QStringLiteral("Second line, with a comma"), 2010, 2470},
                 {QString(), 2500, 2960}});
    words.SetAdjust(1, -12);
    words.SetCopyTrack(3, 1);
    words.SetAdjust(3, 25);
    ASSERT_TRUE(words.Save(dpLyrics));
    words.ProgramList[1] = 3;
    words.ProgramList[2] = 1;
    words.ProgramCount = 2;
    ASSERT_TRUE(words.Save(dpProgram));
    EXPECT_EQ(FileBytes(), kWorkedExample);

    // Registered under the disc's identifier.
    EXPECT_EQ(DiscRegistry(settings).Lookup(words.DiscId), QStringLiteral("Sample Disc"));

    // Read back on a fresh insert.
    commands.State.SetRepeat(RepeatMode::Off);
    Reinsert();
    EXPECT_EQ(words.Title, QStringLiteral("Sample Disc"));
    EXPECT_EQ(words.Artist, QStringLiteral("Sample Artist"));
    EXPECT_EQ(words.PlayTime, 754);
    EXPECT_EQ(words.PlayTypeCode, 17);
    EXPECT_EQ(commands.State.Repeat(), RepeatMode::All);
    ASSERT_EQ(words.ProgramCount, 2);
    EXPECT_EQ(words.ProgramList[1], 3);
    EXPECT_EQ(words.ProgramList[2], 1);
    EXPECT_TRUE(commands.State.HasProgram());

    EXPECT_EQ(words.GetLineCount(1), 3);
    EXPECT_EQ(words.GetAdjust(1), -12);
    EXPECT_EQ(words.GetLine(1, 2).Text, QStringLiteral("Second line, with a comma"));
    EXPECT_EQ(words.GetLine(1, 3).Text, QString());
    EXPECT_EQ(words.GetLine(1, 3).StartTime, 2500);
    EXPECT_EQ(words.GetLine(1, 3).EndTime, 2960);
    const TWordsLine marker = words.GetLine(1, 4);
    EXPECT_EQ(marker.Text, QStringLiteral("***"));
    EXPECT_EQ(marker.StartTime, 0);
    EXPECT_EQ(marker.EndTime, 0);
    EXPECT_EQ(words.GetLineCount(2), 0);
    EXPECT_EQ(words.GetCopyTrack(3), 1);
    EXPECT_EQ(words.GetAdjust(3), 25);
    EXPECT_EQ(words.GetLineCount(3), 3);
    EXPECT_EQ(words.GetLine(3, 1).Text, QStringLiteral("First line of the song"));
    EXPECT_EQ(words.GetSongTitle(3), QStringLiteral("First Song (Reprise)"));

    // Saving everything again changes nothing.
    ASSERT_TRUE(words.Save(dpAll));
    EXPECT_EQ(FileBytes(), kWorkedExample);
    EXPECT_TRUE(presenter.shown.isEmpty());
}

TEST_F(DataFile, PlayStateSaveTouchesOnlyVersionPlayTimeAndPlayType)
{
    const QByteArray before = "[Info]\r\nTitle=T\r\nPlayType=0\r\nProgram=2\r\nPlayTime=5\r\n\r\n"
                              "[Title]\r\n01=A\r\n\r\n[Words01]\r\n001=1,2,x\r\n\r\n";
    Use(before);
    words.PlayTime += 60;
    words.Title = QStringLiteral("changed in memory");
    words.SetSongTitle(1, QStringLiteral("changed too"));
    words.ProgramCount = 0;
    commands.State.SetRepeat(RepeatMode::One);
    ASSERT_TRUE(words.Save(dpPlayState));
    EXPECT_EQ(FileBytes(), QByteArray("[Info]\r\nTitle=T\r\nPlayType=32\r\nProgram=2\r\nPlayTime=65\r\n\r\n"
                                      "[Title]\r\n01=A\r\n\r\n[Words01]\r\n001=1,2,x\r\n\r\n"
                                      "[Mirelune]\r\nVersion=151A\r\n\r\n"));
}

TEST_F(DataFile, ShrinkingTrackDeletesOldLinesUpToTheFirstGap)
{
    QByteArray text = "[Words01]\r\n";
    for (int k = 1; k <= 10; ++k) text += QByteArray("0") + (k < 10 ? "0" : "") + QByteArray::number(k) + "=1,2,l\r\n";
    text += "012=5,6,behind the gap\r\n\r\n";
    Use(text);
    ASSERT_EQ(words.GetLineCount(1), 10);
    words.SetLineCount(1, 6);
    ASSERT_TRUE(words.Save(dpLyrics));
    const QByteArray saved = FileBytes();
    EXPECT_TRUE(saved.contains("006=1,2,l\r\n"));
    for (const char* gone : {"007=", "008=", "009=", "010="}) EXPECT_FALSE(saved.contains(gone)) << gone;
    EXPECT_TRUE(saved.contains("012=5,6,behind the gap\r\n"));
    Reinsert();
    EXPECT_EQ(words.GetLineCount(1), 6);
}

TEST_F(DataFile, SwitchingToAndFromACopyLink)
{
    Use("[Words02]\r\nAdjust=3\r\n001=10,20,own line\r\nMyNote=kept\r\n\r\n[Words03]\r\n001=1,2,x\r\n\r\n");
    // To a link: the section is erased and written anew, last, with two keys only.
    words.SetCopyTrack(2, 1);
    ASSERT_TRUE(words.Save(dpLyrics));
    QByteArray saved = FileBytes();
    EXPECT_TRUE(saved.endsWith("[Words02]\r\nAdjust=3\r\nCopyTrack=1\r\n\r\n")) << saved.constData();
    EXPECT_FALSE(saved.contains("own line"));

    // And back to lines of its own.
    SetLines(2, {{QStringLiteral("new"), 7, 8}});
    words.SetCopyTrack(2, 0);
    words.SetAdjust(2, -4);
    ASSERT_TRUE(words.Save(dpLyrics));
    saved = FileBytes();
    EXPECT_TRUE(saved.endsWith("[Words02]\r\nAdjust=-4\r\n001=7,8,new\r\n\r\n")) << saved.constData();
    Reinsert();
    EXPECT_EQ(words.GetCopyTrack(2), 0);
    EXPECT_EQ(words.GetLineCount(2), 1);
    EXPECT_EQ(words.GetLine(2, 1).Text, QStringLiteral("new"));
}

TEST_F(DataFile, PlayTypeBitsSetTheRepeatCommands)
{
    struct Case {
        const char* value;
        int code;
        bool repeat;
        bool repeatOne;
    };
    for (const Case& c : {Case{"48", 48, true, false}, Case{"33", 33, false, true}, Case{"2", 2, false, false},
                          Case{"0x11", 17, true, false}, Case{"$20", 32, false, true}, Case{"junk", 0, false, false}}) {
        commands.State.SetRepeat(RepeatMode::All);
        Use(QByteArray("[Info]\r\nPlayType=") + c.value + "\r\n");
        EXPECT_EQ(words.PlayTypeCode, c.code) << c.value;
        EXPECT_EQ(words.PlayTypeCode & 15, c.code & 15) << c.value;
        EXPECT_EQ(commands.State.Repeat() == RepeatMode::All, c.repeat) << c.value;
        EXPECT_EQ(commands.State.Repeat() == RepeatMode::One, c.repeatOne) << c.value;
    }
}

TEST_F(DataFile, SavedPlayTypeComesFromThePlayState)
{
    Use("");
    commands.State.SetType(ptProgramRandom);
    commands.State.SetRepeat(RepeatMode::One);
    ASSERT_TRUE(words.Save(dpInfo));
    EXPECT_EQ(words.PlayTypeCode, 35);
    EXPECT_TRUE(FileBytes().contains("PlayType=35\r\n"));
    commands.State.SetType(ptNormal);
    commands.State.SetRepeat(RepeatMode::Off);
    ASSERT_TRUE(words.Save(dpPlayState));
    EXPECT_TRUE(FileBytes().contains("PlayType=0\r\n"));
}

TEST_F(DataFile, AdjustWrapsInSixteenBits)
{
    Use("[Words01]\r\nAdjust=32768\r\n\r\n[Words02]\r\nAdjust=-32769\r\n\r\n[Words03]\r\nAdjust=65535\r\n\r\n");
    EXPECT_EQ(words.GetAdjust(1), -32768);
    EXPECT_EQ(words.GetAdjust(2), 32767);
    EXPECT_EQ(words.GetAdjust(3), -1);
}

TEST_F(DataFile, MissingFileReadsDefaultsAndSaveCreatesIt)
{
    RegisterFile(QStringLiteral("Gone"), "");
    QFile::remove(DataPath(QStringLiteral("Gone")));
    words.Title = QStringLiteral("old");
    words.ProgramCount = 4;
    Reinsert();
    EXPECT_EQ(words.FileName, DataPath(QStringLiteral("Gone")));
    EXPECT_TRUE(words.Title.isEmpty());
    EXPECT_EQ(words.ProgramCount, 0);
    EXPECT_EQ(words.PlayTypeCode, 0);
    EXPECT_FALSE(commands.TypeProgItem->isEnabled());
    EXPECT_FALSE(QFile::exists(words.FileName)); // reading never creates it
    ASSERT_TRUE(words.Save(dpPlayState));
    EXPECT_TRUE(FileBytes().startsWith("[Mirelune]\r\nVersion=151A\r\n\r\n[Info]\r\nPlayTime=0\r\n"));
    EXPECT_TRUE(presenter.shown.isEmpty());
}

TEST_F(DataFile, UnregisteredDiscLoadsEmptyAndSavesNothing)
{
    words.Title = QStringLiteral("x");
    words.ProgramCount = 3;
    words.PlayTypeCode = 17;
    words.Load(dpPlayState);
    EXPECT_TRUE(words.Title.isEmpty());
    EXPECT_EQ(words.ProgramCount, 0);
    EXPECT_EQ(words.PlayTypeCode, 0);
    EXPECT_TRUE(words.Save(dpAll));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

TEST_F(DataFile, ProgramEntries)
{
    Use("[Info]\r\nProgram=3,1,\r\n");
    EXPECT_EQ(words.ProgramCount, 2); // a trailing comma is ignored
    EXPECT_TRUE(presenter.shown.isEmpty());

    const QList<QPair<const char*, int>> bad = {{"3,,1", 1}, {"3,x", 1}, {",3", 0}, {"3, 1 2", 1}};
    for (const auto& [text, read] : bad) {
        presenter.shown.clear();
        Use(QByteArray("[Info]\r\nProgram=") + text + "\r\nPlayTime=9\r\n");
        ASSERT_EQ(presenter.shown.size(), 1) << text;
        EXPECT_EQ(presenter.shown[0].text,
                  QStringLiteral("ファイル '") + words.FileName + QStringLiteral("' が開けません。"));
        EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("読み込みエラー"));
        // Cancel keeps what was read: the entries before the bad one, and nothing after.
        EXPECT_EQ(words.ProgramCount, read) << text;
        EXPECT_EQ(words.PlayTime, 0) << text;
    }
}

TEST_F(DataFile, RetryReadsTheFileAgain)
{
    Use("[Info]\r\nProgram=2,1\r\n");
    WriteBytes(words.FileName, "[Info]\r\nProgram=2,bad\r\n");
    // The user mends the file while the box is up, then answers Retry.
    struct FixingPresenter : RecordingPresenter {
        QString path;
        int Show(const QString& text, const QString& caption, unsigned flags) override
        {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write("[Info]\r\nProgram=4,5,6\r\n");
            f.close();
            return RecordingPresenter::Show(text, caption, flags);
        }
    } fixing;
    fixing.path = words.FileName;
    fixing.answers = {IdRetry};
    EXPECT_TRUE(words.Load(dpProgram));
    EXPECT_EQ(fixing.shown.size(), 1);
    EXPECT_EQ(words.ProgramCount, 3);
    EXPECT_EQ(words.ProgramList[3], 6);
}

TEST_F(DataFile, LyricsLineRules)
{
    Use("[Words01]\r\n"
        "001=100,200,a, b,c   \r\n"
        "002=-5,16,  spaced\r\n"
        "003=300,400,***\r\n"
        "004=500,600,after the marker\r\n"
        "\r\n[Words02]\r\n001=1,2,x\r\n002=1,2\r\n\r\n"
        "[Words03]\r\n001=1,2,kept\r\n\r\n");
    EXPECT_EQ(words.GetLineCount(1), 2);
    EXPECT_EQ(words.GetLine(1, 1).Text, QStringLiteral("a, b,c")); // trailing blanks stripped
    EXPECT_EQ(words.GetLine(1, 2).StartTime, -5);
    EXPECT_EQ(words.GetLine(1, 2).EndTime, 16);
    EXPECT_EQ(words.GetLine(1, 2).Text, QStringLiteral("  spaced"));
    EXPECT_EQ(words.GetLine(1, 3).Text, QStringLiteral("***"));
    // A line without two commas is a read error; the rest of the pass is abandoned.
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(words.GetLineCount(2), 0);
    EXPECT_EQ(words.GetLineCount(3), 0);
}

TEST_F(DataFile, TimesAndProgramEntriesAreDecimalOnly)
{
    for (const char* bad :
         {"[Words01]\r\n001=$64,200,x\r\n", "[Words01]\r\n001=100,0x12C,x\r\n", "[Words01]\r\n001=12 ,3,x\r\n",
          "[Info]\r\nProgram=1,$2\r\n", "[Info]\r\nProgram=0x3\r\n", "[Info]\r\nProgram=3, 1 ,2\r\n"}) {
        presenter.shown.clear();
        Use(bad);
        ASSERT_EQ(presenter.shown.size(), 1) << bad;
        EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("読み込みエラー"));
    }
    // Signs and leading zeros are still decimal.
    presenter.shown.clear();
    Use("[Info]\r\nProgram=+2,03\r\n\r\n[Words01]\r\n001=-5,+010,x\r\n");
    EXPECT_TRUE(presenter.shown.isEmpty());
    EXPECT_EQ(words.ProgramList[2], 3);
    EXPECT_EQ(words.GetLine(1, 1).StartTime, -5);
    EXPECT_EQ(words.GetLine(1, 1).EndTime, 10);
}

TEST_F(DataFile, CancelledReadNeverLetsASaveWipeThePlayStateOrTheProgram)
{
    // A bad lyrics line or program entry stops the read before the play state.
    struct Case {
        QByteArray rest, program;
    };
    for (const Case& c : {Case{"Program=1\r\n\r\n[Words01]\r\n001=1,2,a\r\n002=12 ,3,bad\r\n", "Program=1\r\n"},
                          Case{"program=3, 1 ,2\r\n", "program=3, 1 ,2\r\n"}}) {
        presenter.shown.clear();
        Use("[Info]\r\nPlayTime=500\r\nPlayType=17\r\n" + c.rest);
        ASSERT_EQ(presenter.shown.size(), 1);
        words.PlayTime += 30; // the disc plays on, then goes out
        ASSERT_TRUE(words.Save(dpPlayState));
        ASSERT_TRUE(words.Save(dpAll));
        const QByteArray saved = FileBytes();
        EXPECT_TRUE(saved.contains("PlayTime=500\r\n")) << saved.constData();
        EXPECT_TRUE(saved.contains("PlayType=17\r\n")) << saved.constData();
        EXPECT_TRUE(saved.contains(c.program)) << saved.constData();
        // Read again whole, the play state is written as usual.
        WriteBytes(words.FileName, "[Info]\r\nPlayTime=500\r\nPlayType=17\r\n");
        ASSERT_TRUE(words.Load(dpPlayState));
        words.PlayTime += 30;
        ASSERT_TRUE(words.Save(dpPlayState));
        EXPECT_TRUE(FileBytes().contains("PlayTime=530\r\n"));
    }
}

TEST_F(DataFile, CancelledReadNeverLetsASaveWipeWhatWasNotRead)
{
    const QByteArray text = "[Title]\r\n01=One\r\n02=Two\r\n03=Three\r\n\r\n"
                            "[Words01]\r\n001=1,2,fine\r\n\r\n"
                            "[Words02]\r\n001=1,2,x\r\n002=bad\r\n\r\n"
                            "[Words03]\r\n001=3,4,never read\r\n\r\n";
    Use(text);
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(words.GetLineCount(1), 1);
    EXPECT_EQ(words.GetSongTitle(3), QString());
    words.SetSongTitle(1, QStringLiteral("Uno"));
    ASSERT_TRUE(words.Save(dpLyrics));
    const QByteArray saved = FileBytes();
    EXPECT_TRUE(saved.contains("01=Uno\r\n"));
    EXPECT_TRUE(saved.contains("02=Two\r\n"));
    EXPECT_TRUE(saved.contains("03=Three\r\n"));
    EXPECT_TRUE(saved.contains("002=bad\r\n"));
    EXPECT_TRUE(saved.contains("001=3,4,never read\r\n"));
}

TEST_F(DataFile, CancelledReloadAlsoProtectsWhatItDidNotRead)
{
    Use("[Words01]\r\n001=1,2,a\r\n\r\n[Words02]\r\n001=3,4,b\r\n\r\n");
    ASSERT_EQ(words.GetLineCount(2), 1);
    // The file is damaged in track 1 between two reads; the reload is cancelled.
    WriteBytes(words.FileName, "[Words01]\r\n001=bad\r\n\r\n[Words02]\r\n001=3,4,b\r\n\r\n");
    EXPECT_FALSE(words.Load(dpLyrics));
    words.SetLineCount(2, 0);
    ASSERT_TRUE(words.Save(dpLyrics));
    const QByteArray saved = FileBytes();
    EXPECT_TRUE(saved.contains("001=bad\r\n"));
    // Track 2 was cleared by the user after the read, so its removal is written.
    EXPECT_FALSE(saved.contains("001=3,4,b"));
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_EQ(FileBytes(), saved);
}

TEST_F(DataFile, RemovingAllLinesRemovesThemFromTheFile)
{
    Use("[Words01]\r\nAdjust=7\r\n001=1,2,a\r\n002=3,4,b\r\nOther=x\r\n\r\n[Words02]\r\nCopyTrack=1\r\n\r\n");
    words.SetLineCount(1, 0);
    words.SetCopyTrack(2, 0);
    ASSERT_TRUE(words.Save(dpLyrics));
    const QByteArray saved = FileBytes();
    EXPECT_TRUE(saved.contains("[Words01]\r\nAdjust=7\r\nOther=x\r\n\r\n")) << saved.constData();
    EXPECT_FALSE(saved.contains("CopyTrack"));
    Reinsert();
    EXPECT_EQ(words.GetLineCount(1), 0);
    EXPECT_EQ(words.GetCopyTrack(2), 0);
}

TEST_F(DataFile, NegativeAndOutOfDiscCopyTracks)
{
    Use("[Words01]\r\n001=1,2,one\r\n\r\n"
        "[Words02]\r\nCopyTrack=-1\r\n001=5,6,ignored\r\n\r\n"
        "[Words03]\r\nCopyTrack=50\r\n001=7,8,own\r\n\r\n");
    EXPECT_EQ(words.GetCopyTrack(2), -1);
    EXPECT_EQ(words.GetLineCount(2), 0);
    // A link beyond the disc is no link: the track keeps its own lines.
    EXPECT_EQ(words.GetCopyTrack(3), 0);
    EXPECT_EQ(words.GetLineCount(3), 1);
    EXPECT_EQ(words.GetLine(3, 1).Text, QStringLiteral("own"));
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_TRUE(FileBytes().contains("[Words02]\r\nCopyTrack=-1\r\n001=5,6,ignored\r\n"));
}

TEST_F(DataFile, MoreLinesAndEntriesThanSlotsStayInTheFile)
{
    QByteArray program = "Program=";
    for (int i = 1; i <= 120; ++i) program += QByteArray::number(i % 3 + 1) + (i < 120 ? "," : "\r\n");
    QByteArray text = "[Info]\r\n" + program + "\r\n[Words01]\r\n";
    for (int k = 1; k <= 140; ++k)
        text += QStringLiteral("%1=%2,%3,line %2\r\n").arg(k, 3, 10, QLatin1Char('0')).arg(k).arg(k + 1).toLatin1();
    Use(text);
    EXPECT_TRUE(presenter.shown.isEmpty());
    EXPECT_EQ(words.ProgramCount, 100);
    EXPECT_EQ(words.GetLineCount(1), 127);
    EXPECT_EQ(words.GetLine(1, 127).Text, QStringLiteral("line 127"));
    EXPECT_EQ(words.GetLine(1, 128).Text, QStringLiteral("***"));
    ASSERT_TRUE(words.Save(dpAll));
    const QByteArray saved = FileBytes();
    EXPECT_TRUE(saved.contains(program));
    EXPECT_TRUE(saved.contains("140=140,141,line 140\r\n"));
    Reinsert();
    EXPECT_EQ(words.ProgramCount, 100);
}

TEST_F(DataFile, FailedSaveLeavesTheOldFileWhole)
{
    Use("[Info]\r\nTitle=Old\r\n");
    const QByteArray before = FileBytes();
    QFile::setPermissions(words.FileName, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    words.Title = QStringLiteral("New");
    presenter.answers = {IdRetry, IdCancel};
    EXPECT_FALSE(words.Save(dpInfo));
    ASSERT_EQ(presenter.shown.size(), 2);
    EXPECT_EQ(presenter.shown[0].text,
              QStringLiteral("ファイル '") + words.FileName + QStringLiteral("' が保存できません。"));
    EXPECT_EQ(presenter.shown[1].caption, QStringLiteral("保存エラー"));
    EXPECT_EQ(FileBytes(), before);
    QFile::setPermissions(words.FileName, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_TRUE(words.Save(dpInfo));
    EXPECT_TRUE(FileBytes().contains("Title=New\r\n"));
}

TEST_F(DataFile, TextOutsideCodePage932IsKept)
{
    Use("[Title]\r\n01=\x89\xcc\r\n"); // 歌 in code page 932
    EXPECT_EQ(words.GetSongTitle(1), QStringLiteral("歌"));
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_TRUE(FileBytes().startsWith("[Title]\r\n01=\x89\xcc\r\n"));
    EXPECT_FALSE(words.LastSaveMadeUtf8);
    words.SetSongTitle(2, QStringLiteral("Café ☃ 😀"));
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_TRUE(FileBytes().startsWith("\xEF\xBB\xBF[Title]\r\n01=歌\r\n"));
    EXPECT_TRUE(words.LastSaveMadeUtf8);
    // Already UTF-8, the file turns into nothing new.
    words.SetSongTitle(3, QStringLiteral("한"));
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_FALSE(words.LastSaveMadeUtf8);
    Reinsert();
    EXPECT_EQ(words.GetSongTitle(1), QStringLiteral("歌"));
    EXPECT_EQ(words.GetSongTitle(2), QStringLiteral("Café ☃ 😀"));
}

TEST_F(DataFile, AFileItCannotReadWholeIsToldOnceAndNeverWrittenOver)
{
    QByteArray junk;
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919 + i / 13) % 256);
    const struct {
        const char* name;
        QByteArray bytes;
        const char* reason;
    } files[] = {
        {"damaged UTF-8", "\xEF\xBB\xBF[Title]\r\n01=ok\r\n02=bad \xC3\x28 bytes\r\n", "読めないバイト"},
        {"damaged UTF-16", QByteArray("\xFF\xFE[\0T\0i\0t\0l\0e\0]\0\r\0\n\0\x00\xD8x", 23), "読めないバイト"},
        {"junk", junk, "テキストファイルではない"},
        {"another file's text", "milk\r\neggs\r\n[Title]\r\n01=ok\r\n", "歌詞ファイルではない行"},
        {"sparse", QByteArray(), "大きすぎます"},
        {"fifo", QByteArray(), "通常のファイルではありません"},
    };
    for (const auto& f : files) {
        const QString name = QLatin1String(f.name);
        const QString path = DataPath(name);
        RegisterFile(name, f.bytes);
        if (name == QLatin1String("sparse")) {
            ASSERT_TRUE(QFile(path).resize(qint64(64) << 20)); // 64 MB, no room taken
        }
        if (name == QLatin1String("fifo")) {
            QFile::remove(path);
            ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0644), 0); // read, it would wait for ever
        }
        presenter.shown.clear();
        Reinsert();
        ASSERT_EQ(words.FileName, path);
        ASSERT_EQ(presenter.shown.size(), 1) << f.name;
        EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("読み込みエラー"));
        EXPECT_TRUE(presenter.shown[0].text.contains(path));
        EXPECT_TRUE(presenter.shown[0].reason.contains(QString::fromUtf8(f.reason))) << f.name;
        // The play state saved as the disc goes writes nothing and says nothing more; a
        // save the user asked for is refused with the reason; reading again tells no more.
        EXPECT_FALSE(words.Save(dpPlayState));
        EXPECT_EQ(presenter.shown.size(), 1) << f.name;
        words.SetSongTitle(1, QStringLiteral("changed"));
        EXPECT_FALSE(words.Save(dpLyrics));
        ASSERT_EQ(presenter.shown.size(), 2) << f.name;
        EXPECT_EQ(presenter.shown[1].caption, QStringLiteral("保存エラー"));
        EXPECT_TRUE(presenter.shown[1].reason.contains(QString::fromUtf8(f.reason))) << f.name;
        Reinsert();
        EXPECT_EQ(presenter.shown.size(), 2) << f.name;
        if (name == QLatin1String("sparse")) {
            EXPECT_EQ(QFileInfo(path).size(), qint64(64) << 20);
        } else if (name == QLatin1String("fifo")) {
            struct stat st {};
            ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
            EXPECT_TRUE(S_ISFIFO(st.st_mode));
        } else {
            EXPECT_EQ(ReadBytes(path), f.bytes) << f.name;
        }
    }
}

TEST_F(DataFile, Utf16FilesAreReadAndWrittenBackAsTheyCame)
{
    for (const bool bigEndian : {false, true}) {
        const QString name = bigEndian ? QStringLiteral("be") : QStringLiteral("le");
        RegisterFile(name,
                     EncodeUtf16(QStringLiteral("[Info]\r\nTitle=月の歌\r\n\r\n[Title]\r\n01=一\r\n\r\n"), bigEndian));
        presenter.shown.clear();
        Reinsert();
        EXPECT_TRUE(presenter.shown.isEmpty());
        EXPECT_EQ(words.Title, QStringLiteral("月の歌"));
        EXPECT_EQ(words.GetSongTitle(1), QStringLiteral("一"));
        words.SetSongTitle(2, QStringLiteral("한"));
        ASSERT_TRUE(words.Save(dpLyrics));
        ASSERT_TRUE(words.Save(dpPlayState));
        EXPECT_FALSE(words.LastSaveMadeUtf8); // UTF-16 holds every text
        const DecodedText saved = DecodeFileText(FileBytes());
        EXPECT_TRUE(saved.utf16 && saved.bigEndian == bigEndian && saved.invalid == 0) << bigEndian;
        EXPECT_TRUE(saved.text.startsWith(QStringLiteral("[Info]\r\nTitle=月の歌\r\n"))) << saved.text.toStdString();
        EXPECT_TRUE(saved.text.contains(QStringLiteral("[Title]\r\n01=一\r\n02=한\r\n")));
        Reinsert();
        EXPECT_EQ(words.GetSongTitle(2), QStringLiteral("한"));
    }
}

TEST_F(DataFile, LineBreaksInTextsNeverOpenNewEntries)
{
    Use("");
    SetLines(1, {{QStringLiteral("one\r\n002=9,9,injected"), 1, 2}});
    words.SetSongTitle(1, QStringLiteral("a\nb"));
    ASSERT_TRUE(words.Save(dpLyrics));
    Reinsert();
    EXPECT_EQ(words.GetLineCount(1), 1);
    EXPECT_EQ(words.GetLine(1, 1).Text, QStringLiteral("one  002=9,9,injected"));
    EXPECT_EQ(words.GetSongTitle(1), QStringLiteral("a b"));
}

TEST_F(DataFile, HandWrittenFileSurvivesASaveUnchanged)
{
    const QString data = QStringLiteral(MIRELUNE_TEST_DATA);
    RegisterFile(QStringLiteral("Hand"), ReadBytes(data + QStringLiteral("/handwritten.dat")));
    Reinsert();
    EXPECT_TRUE(presenter.shown.isEmpty());
    EXPECT_EQ(words.Title, QStringLiteral("表示テスト"));
    EXPECT_EQ(words.Artist, QStringLiteral("ソフト能力"));
    EXPECT_EQ(words.GetSongTitle(1), QStringLiteral("予定表"));
    EXPECT_EQ(words.GetLineCount(1), 2);
    EXPECT_EQ(words.GetLine(1, 1).Text, QStringLiteral("ソ\\n表"));
    EXPECT_EQ(words.GetLine(1, 2).StartTime, 0x20);
    EXPECT_EQ(words.GetCopyTrack(3), 1);
    EXPECT_EQ(words.GetAdjust(3), -3);
    EXPECT_EQ(words.ProgramCount, 3);
    EXPECT_EQ(commands.State.Repeat(), RepeatMode::All);
    commands.State.SetType(ptRandom); // the play type the tick would choose
    ASSERT_TRUE(words.Save(dpAll));
    EXPECT_EQ(FileBytes(), ReadBytes(data + QStringLiteral("/handwritten_saved.dat")));
}

// Another program (mirelune-tool, say) works on the same data file while this object
// holds the disc: its own disc data object on the same drive.
class OutsideEdits : public DataFile {
protected:
    void SetUp() override
    {
        DataFile::SetUp();
        Use("[Info]\r\nTitle=Disc\r\nArtist=Band\r\nPlayTime=10\r\nPlayType=0\r\nProgram=3,1\r\n\r\n"
            "[Title]\r\n01=One\r\n02=Two\r\n03=Three\r\n\r\n"
            "[Words01]\r\nAdjust=0\r\n001=100,200,one a\r\n002=300,400,one b\r\n\r\n"
            "[Words02]\r\nAdjust=4\r\n001=100,200,two a\r\n\r\n"
            "[Words03]\r\nAdjust=0\r\n001=100,200,three a\r\n\r\n");
    }
    // The other program reads the file, changes what change() changes and saves.
    void Outside(const std::function<void(TWords&)>& change)
    {
        CommandSet otherCommands;
        TWords other(device, otherCommands, settings);
        other.NewDisc(device.TrackCount());
        ASSERT_EQ(other.GetLineCount(1), words.GetLineCount(1));
        change(other);
        ASSERT_TRUE(other.Save(dpLyrics));
    }
};

TEST_F(OutsideEdits, ASaveWritesOnlyWhatWasChangedHereAndKeepsWhatAnotherProgramWrote)
{
    // An LRC file imported into track 3 from a terminal; the program's copy is now stale.
    Outside([](TWords& other) {
        other.SetLine(3, 1, {QStringLiteral("imported 1"), 1000, 1100});
        other.SetLine(3, 2, {QStringLiteral("imported 2"), 1200, 1300, {{1200, 0}, {1250, 9}}});
        other.SetLineCount(3, 2);
        other.SetAdjust(3, -20);
    });
    EXPECT_TRUE(words.FileChangedOutside());
    EXPECT_EQ(words.GetLineCount(3), 1);

    // Here the user retitles the disc and track 1 and retimes track 1; track 3 is untouched.
    words.Title = QStringLiteral("Disc (live)");
    words.SetSongTitle(1, QStringLiteral("One (live)"));
    words.SetLine(1, 2, {QStringLiteral("one b"), 310, 400});
    words.SetSongTitle(3, QStringLiteral("Three")); // the same as before: no change
    ASSERT_TRUE(words.Save(dpLyrics));
    const QString saved = Cp932::Decode(FileBytes());
    EXPECT_TRUE(saved.contains(
        QStringLiteral("[Words03]\r\nAdjust=-20\r\n001=1000,1100,imported 1\r\n002=1200,1300,imported 2\r\n")))
        << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("Title=Disc (live)\r\n")));
    EXPECT_TRUE(saved.contains(QStringLiteral("01=One (live)\r\n")));
    EXPECT_TRUE(saved.contains(QStringLiteral("002=310,400,one b\r\n")));
    EXPECT_TRUE(saved.contains(QStringLiteral("Program=3,1\r\n")));
    // The outside change is in memory now too, and nothing was changed on both sides.
    EXPECT_TRUE(words.LastSaveMergedOutside);
    EXPECT_TRUE(words.LastSaveConflicts.isEmpty());
    EXPECT_EQ(words.GetLineCount(3), 2);
    EXPECT_EQ(words.GetLine(3, 2).Text, QStringLiteral("imported 2"));
    EXPECT_EQ(words.GetLine(3, 2).Words, (std::vector<WordMark>{{1200, 0}, {1250, 9}}));
    EXPECT_TRUE(saved.contains(QStringLiteral("[WordTimes03]\r\n002=1200+9,1250+1\r\n"))) << saved.toStdString();
    EXPECT_EQ(words.GetAdjust(3), -20);
    EXPECT_FALSE(words.FileChangedOutside());
    EXPECT_FALSE(words.HasUnsavedEdits());

    // Changed on both sides: this save wins and says where.
    Outside([](TWords& other) {
        other.SetSongTitle(2, QStringLiteral("Two (outside)"));
        other.Artist = QStringLiteral("Outside band");
    });
    words.SetAdjust(2, 9);
    words.Artist = QStringLiteral("Our band");
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_EQ(words.LastSaveConflicts, (QList<int>{0}));
    EXPECT_EQ(words.GetSongTitle(2), QStringLiteral("Two (outside)")); // only the adjust was ours
    Outside([](TWords& other) { other.SetLine(2, 1, {QStringLiteral("two outside"), 100, 200}); });
    words.SetLine(2, 1, {QStringLiteral("two here"), 100, 250});
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_EQ(words.LastSaveConflicts, (QList<int>{2}));
    const QString last = Cp932::Decode(FileBytes());
    EXPECT_TRUE(last.contains(QStringLiteral("Artist=Our band\r\n")));
    EXPECT_TRUE(last.contains(QStringLiteral("02=Two (outside)\r\n")));
    EXPECT_TRUE(last.contains(QStringLiteral("[Words02]\r\nAdjust=9\r\n001=100,250,two here\r\n")))
        << last.toStdString();
    // Word times changed on both sides are a change of the track on both sides too.
    Outside([](TWords& other) { other.SetLine(2, 1, {QStringLiteral("two here"), 100, 250, {{100, 0}, {150, 4}}}); });
    words.SetLine(2, 1, {QStringLiteral("two here"), 100, 250, {{100, 0}, {120, 4}}});
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_EQ(words.LastSaveConflicts, (QList<int>{2}));
    EXPECT_TRUE(Cp932::Decode(FileBytes()).contains(QStringLiteral("[WordTimes02]\r\n001=100+4,120+4\r\n")));
    // A save with nothing changed outside merges nothing.
    words.PlayTime += 5;
    ASSERT_TRUE(words.Save(dpPlayState));
    EXPECT_FALSE(words.LastSaveMergedOutside);
}

TEST_F(OutsideEdits, ADataFileDeletedWhileTheDiscIsInIsWrittenWholeAgainFromMemory)
{
    words.SetCopyTrack(2, 1);
    ASSERT_TRUE(words.Save(dpLyrics));
    const QByteArray whole = FileBytes();
    ASSERT_TRUE(QFile::remove(words.FileName));
    // The disc goes out: its play state is saved, and with it everything else.
    words.PlayTime += 1;
    ASSERT_TRUE(words.Save(dpPlayState));
    // The same sections and entries (in the order a new file has them), the new play time.
    const IniDocument before = IniDocument::FromBytes(whole), after = IniDocument::FromBytes(FileBytes());
    QStringList sections = before.SectionNames(), remade = after.SectionNames();
    sections.sort();
    remade.sort();
    EXPECT_EQ(remade, sections);
    for (const QString& section : sections) {
        auto entries = before.Entries(section), now = after.Entries(section);
        for (auto& e : entries)
            if (e.first == QLatin1String("PlayTime")) e.second = QStringLiteral("11");
        std::sort(entries.begin(), entries.end());
        std::sort(now.begin(), now.end());
        EXPECT_EQ(now, entries) << section.toStdString();
    }
    Reinsert();
    EXPECT_EQ(words.Title, QStringLiteral("Disc"));
    EXPECT_EQ(words.ProgramCount, 2);
    EXPECT_EQ(words.GetCopyTrack(2), 1);
    EXPECT_EQ(words.GetLine(3, 1).Text, QStringLiteral("three a"));

    // Deleted while data entry had one title changed: the rest comes back with it.
    ASSERT_TRUE(QFile::remove(words.FileName));
    EXPECT_FALSE(words.FileChangedOutside()); // a file that is gone is not read again
    words.SetSongTitle(3, QStringLiteral("Drei"));
    ASSERT_TRUE(words.Save(dpLyrics));
    const QString rewritten = Cp932::Decode(FileBytes());
    for (const char* part : {"Title=Disc\r\n", "Artist=Band\r\n", "Program=3,1\r\n", "PlayTime=11\r\n", "01=One\r\n",
                             "03=Drei\r\n", "002=300,400,one b", "CopyTrack=1\r\n", "001=100,200,three a\r\n"})
        EXPECT_TRUE(rewritten.contains(QLatin1String(part))) << part << "\n" << rewritten.toStdString();

    // A registered disc whose file was never there starts one as registering does.
    settings.WordsFileId.clear();
    ASSERT_TRUE(DiscRegistry(settings).Write(words.DiscId, QStringLiteral("Fresh")));
    Reinsert();
    words.SetSongTitle(1, QStringLiteral("Only"));
    ASSERT_TRUE(words.Save(dpLyrics));
    EXPECT_FALSE(Cp932::Decode(FileBytes()).contains(QStringLiteral("Program=")));
}

} // namespace
