// The disc identifier, the registry lookup and registering a disc.
#include "core/discdata/DiscId.h"
#include "DiscFixture.h"
#include "core/common/TextCodec.h"
#include "core/discdata/DataFileName.h"
#include "core/discdata/DiscList.h"
#include "core/discdata/DiscRegistry.h"
#include "core/discdata/EntryTexts.h"
#include "core/settings/IniDocument.h"

namespace {

// The worked example: TMSF positions 1 and 2, lengths 1967364 (4:05:30) and 660483
// (3:20:10, the last track reported one frame short).
SimDisc WorkedExampleDisc()
{
    SimDisc d;
    d.tracks = {{150, true}, {150 + 18405, true}};
    d.leadOutFrame = 150 + 18405 + 15011;
    return d;
}

using DiscId = DiscFixture;

TEST_F(DiscId, WorkedExampleGives87C8548A)
{
    Insert(WorkedExampleDisc());
    device.SetTimeFormat(TimeFormatTmsf);
    EXPECT_EQ(device.TrackLength(1), 1967364);
    EXPECT_EQ(device.TrackLength(2), 660483);
    device.SetTimeFormat(TimeFormatMilliseconds);
    EXPECT_EQ(words.DiscId, QStringLiteral("87C8548A"));
    // The value after the first track, as the example states it.
    EXPECT_EQ(DiscIdFromToc({1}, {1967364}), QStringLiteral("2B34EBF8"));
    // The device is back in milliseconds, and the track table is in milliseconds.
    EXPECT_EQ(device.TrackPosition(2), (150 + 18405) * 1000 / 75);
    EXPECT_EQ(words.SongStart(2), (150 + 18405) * 1000 / 75);
}

TEST_F(DiscId, OnlyTheFirstThirtyTracksCount)
{
    // A track's length is the next start minus its own, so moving a track's start
    // changes the length of the track before it.
    SimDisc a = SimDisc::Audio(std::vector<int>(40, 100));
    SimDisc b = a;
    b.tracks[31].startFrame += 75; // track 31's length and later: beyond the thirty
    SimDisc c = a;
    c.tracks[30].startFrame += 75; // track 30's length (and track 31's start)
    Insert(a);
    const QString idA = words.DiscId;
    Insert(b);
    EXPECT_EQ(words.DiscId, idA);
    Insert(c);
    EXPECT_NE(words.DiscId, idA);
}

TEST_F(DiscId, DataTracksCountAndDigitsAreUpperCaseAndZeroPadded)
{
    Insert(SimDisc::DataFirst(600, {100, 200}));
    device.SetTimeFormat(TimeFormatTmsf);
    std::vector<uint32_t> pos, len;
    for (int n = 1; n <= 3; ++n) {
        pos.push_back(static_cast<uint32_t>(device.TrackPosition(n)));
        len.push_back(static_cast<uint32_t>(device.TrackLength(n)));
    }
    device.SetTimeFormat(TimeFormatMilliseconds);
    EXPECT_EQ(words.DiscId, DiscIdFromToc(pos, len));
    EXPECT_NE(words.DiscId, DiscIdFromToc({pos[1], pos[2]}, {len[1], len[2]}));
    EXPECT_EQ(DiscIdFromToc({0}, {}), QStringLiteral("00000000"));
    // h = 1 * 970227 + 0 after one track of length 0 at position 0.
    EXPECT_EQ(DiscIdFromToc({0}, {0}), QStringLiteral("000ECDF3"));
}

TEST_F(DiscId, RegistryLookupIgnoresLetterCase)
{
    Insert(WorkedExampleDisc());
    WriteBytes(settings.IniPath, "[wordsfile]\r\n87c8548a=Lower\r\n87C8548A=Second\r\n");
    Reinsert();
    EXPECT_EQ(words.FileName, DataPath(QStringLiteral("Lower")));
}

TEST_F(DiscId, RegistryValuesThatLeaveTheDataFolderAreNoRegistration)
{
    Insert(WorkedExampleDisc());
    settings.DataFolder = dir.filePath(QStringLiteral("data/"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("data/a"))));
    const QString outside = dir.filePath(QStringLiteral("x.dat"));
    const QByteArray outsideText = "[Info]\r\nTitle=outside\r\nPlayTime=5\r\n";
    WriteBytes(outside, outsideText);
    for (const QString& value : {QStringLiteral("../x"), QStringLiteral("a/../../x"), QStringLiteral("/etc/x")}) {
        const QByteArray ini = "[WordsFile]\r\n87C8548A=" + value.toUtf8() + "\r\n";
        WriteBytes(settings.IniPath, ini);
        presenter.shown.clear();
        Reinsert();
        EXPECT_FALSE(words.HasFile()) << qPrintable(value);
        EXPECT_TRUE(words.Title.isEmpty());
        ASSERT_EQ(presenter.shown.size(), 1);
        EXPECT_TRUE(presenter.shown[0].text.contains(value));
        words.PlayTime = 99;
        EXPECT_TRUE(words.Save(dpPlayState));
        // Said once: the disc coming in again is quietly unregistered.
        Reinsert();
        EXPECT_FALSE(words.HasFile());
        EXPECT_EQ(presenter.shown.size(), 1);
        EXPECT_EQ(ReadBytes(settings.IniPath), ini);
        EXPECT_EQ(ReadBytes(outside), outsideText);
        // The disc manager's list shows the entry but reads nothing through it.
        DiscListModel list(settings);
        list.Fill();
        EXPECT_EQ(list.Name(0), value);
        EXPECT_EQ(list.data(list.index(0, DiscListModel::TitleColumn)).toString(), QString());
    }
}

TEST_F(DiscId, DataFolderComesFromWordsPath)
{
    Insert(WorkedExampleDisc());
    IniDocument doc;
    doc.WriteString(QStringLiteral("Settings"), QStringLiteral("WordsPath"),
                    dir.filePath(QStringLiteral("lyrics/x.exe")));
    doc.WriteString(QStringLiteral("WordsFile"), QStringLiteral("87C8548A"), QStringLiteral("Name"));
    ASSERT_TRUE(WriteIniFile(settings.IniPath, doc));
    ASSERT_TRUE(LoadSettings(settings, spSettings));
    Reinsert();
    EXPECT_EQ(words.FileName, dir.filePath(QStringLiteral("lyrics/Name.dat")));
}

TEST_F(DiscId, RegisterWritesTheFileThenTheRegistry)
{
    Insert(SimDisc::Audio({100, 100}));
    words.Artist = QStringLiteral("kept in memory");
    words.PlayTime = 42;
    ASSERT_FALSE(words.Register(QStringLiteral("日本語の名前")));
    EXPECT_EQ(words.Title, QStringLiteral("日本語の名前"));
    EXPECT_EQ(words.FileName, DataPath(QStringLiteral("日本語の名前")));
    EXPECT_EQ(ReadBytes(words.FileName),
              "[Mirelune]\r\nVersion=151A\r\n\r\n[Info]\r\nTitle=" + Cp932::Encode(QStringLiteral("日本語の名前")) +
                  "\r\nArtist=kept in memory\r\nPlayTime=42\r\nPlayType=0\r\n\r\n");
    EXPECT_EQ(DiscRegistry(settings).Lookup(words.DiscId), QStringLiteral("日本語の名前"));
    // The registry is found on the next insert.
    Reinsert();
    EXPECT_EQ(words.FileName, DataPath(QStringLiteral("日本語の名前")));
    EXPECT_EQ(words.Artist, QStringLiteral("kept in memory"));
}

TEST_F(DiscId, TheTitlesADiscCarriesAreOfferedUntilItHasTextsOfItsOwn)
{
    // A mixed disc: the data track's entry of the CD-Text is never offered for it.
    SimDisc disc = SimDisc::DataFirst(10, {100, 100});
    disc.text = {QStringLiteral("夜の歌"),
                 QStringLiteral("ミレルーン"),
                 {QStringLiteral("data"), QStringLiteral("一"), QString()},
                 {}};
    Insert(disc);
    const EntryTexts fresh = InitialEntryTexts(words);
    EXPECT_EQ(fresh.Title, QStringLiteral("夜の歌"));
    EXPECT_EQ(fresh.Artist, QStringLiteral("ミレルーン"));
    EXPECT_EQ(fresh.SongTitles, (std::vector<QString>{{}, QStringLiteral("(データ)"), QStringLiteral("一"), {}}));
    EXPECT_TRUE(words.Title.isEmpty()) << "offered only, not taken";

    // Registering names the disc after its file: the disc's own title is still offered,
    // and nothing of it is in the file.
    ASSERT_FALSE(words.Register(QStringLiteral("night")));
    EXPECT_EQ(InitialEntryTexts(words).Title, QStringLiteral("夜の歌"));
    EXPECT_FALSE(Cp932::Decode(ReadBytes(words.FileName)).contains(QStringLiteral("ミレルーン")));

    // A title the user typed stays; an artist or a track title of the user's ends the offer.
    words.Title = QStringLiteral("My title");
    EXPECT_EQ(InitialEntryTexts(words).Title, QStringLiteral("My title"));
    EXPECT_EQ(InitialEntryTexts(words).Artist, QStringLiteral("ミレルーン"));
    words.SetSongTitle(3, QStringLiteral("mine"));
    const EntryTexts own = InitialEntryTexts(words);
    EXPECT_TRUE(own.Artist.isEmpty());
    EXPECT_EQ(own.SongTitles[2], QString());
    EXPECT_EQ(own.SongTitles[3], QStringLiteral("mine"));

    // The next disc brings its own titles or none.
    Insert(SimDisc::Audio({100}));
    EXPECT_TRUE(words.DiscText.Empty());
    EXPECT_TRUE(InitialEntryTexts(words).Artist.isEmpty());
}

TEST_F(DiscId, EachRefusedNameIsToldItsOwnReasonAndHarmlessNamesAreTaken)
{
    Insert(SimDisc::Audio({100}));
    const struct {
        QString name;
        NameFault fault;
        const char* told; // part of the refusal
    } refused[] = {
        {QStringLiteral(""), NameFault::Empty, "名前が空です"},
        {QStringLiteral(".."), NameFault::ParentFolder, "一つ上のフォルダ"},
        {QStringLiteral("tab\there"), NameFault::ControlChar, "制御文字"},
        {QStringLiteral("../escape"), NameFault::Forbidden, "「/」は使えません"},
        {QStringLiteral("a\\b"), NameFault::Forbidden, "「\\」は使えません"},
        {QStringLiteral("what?"), NameFault::Forbidden, "「?」は使えません"},
        {QStringLiteral(" lead"), NameFault::BlankAtEnd, "先頭と末尾に空白"},
        {QStringLiteral("trail "), NameFault::BlankAtEnd, "先頭と末尾に空白"},
        {QStringLiteral("trail."), NameFault::TrailingDot, "末尾に「.」"},
        {QString(252, QLatin1Char('x')), NameFault::TooLong, "256 バイト"},
        {QString(85, QChar(u'歌')), NameFault::TooLong, "259 バイト"},
        {QStringLiteral("노래"), NameFault::NotCp932, "コードページ932"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name.toStdString());
        EXPECT_EQ(DataFileNameFault(r.name), r.fault);
        presenter.shown.clear();
        EXPECT_TRUE(words.Register(r.name));
        ASSERT_EQ(presenter.shown.size(), 1);
        EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("登録エラー"));
        EXPECT_TRUE(presenter.shown[0].text.contains(QString::fromUtf8(r.told)))
            << presenter.shown[0].text.toStdString();
        EXPECT_FALSE(words.HasFile());
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());

    // Two dots inside a name, a leading dot, and the longest name that fits are names.
    for (const QString& good :
         {QStringLiteral("a..b"), QStringLiteral(".hidden"), QStringLiteral("Best of 1999 (Disc 1)"),
          QStringLiteral("ソ表.v2"), QString(251, QLatin1Char('x'))})
        EXPECT_EQ(DataFileNameFault(good), NameFault::None) << good.toStdString();
    presenter.shown.clear();
    EXPECT_FALSE(words.Register(QStringLiteral("a..b")));
    EXPECT_TRUE(presenter.shown.isEmpty());
    EXPECT_EQ(words.FileName, dir.filePath(QStringLiteral("a..b.dat")));
    EXPECT_TRUE(QFile::exists(words.FileName));
}

TEST_F(DiscId, RegisterThatCannotSaveLeavesTheRegistryAlone)
{
    Insert(SimDisc::Audio({100}));
    WriteBytes(dir.filePath(QStringLiteral("blocker")), "a file, not a folder");
    settings.DataFolder = dir.filePath(QStringLiteral("blocker/folder/"));
    presenter.answers = {IdCancel};
    EXPECT_TRUE(words.Register(QStringLiteral("Name")));
    EXPECT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("保存エラー"));
    EXPECT_TRUE(DiscRegistry(settings).Entries().isEmpty());
    EXPECT_EQ(words.FileName, dir.filePath(QStringLiteral("blocker/folder/Name.dat")));
}

// Renaming and deleting keep an entry and its data file together, without a window.
TEST_F(DiscId, TheRegistryRenamesAndDeletesEntriesWithTheirFiles)
{
    Insert(SimDisc::Audio({100}));
    ASSERT_FALSE(words.Register(QStringLiteral("Old")));
    DiscRegistry registry(settings);
    ASSERT_TRUE(registry.Rename(words, QStringLiteral("New")));
    EXPECT_EQ(words.FileName, DataPath(QStringLiteral("New")));
    EXPECT_FALSE(QFile::exists(DataPath(QStringLiteral("Old"))));
    EXPECT_EQ(registry.Lookup(words.DiscId), QStringLiteral("New"));
    // An entry that cannot be written puts the file back under its name.
    QFile::setPermissions(settings.IniPath, QFileDevice::ReadOwner);
    presenter.answers = {IdCancel};
    EXPECT_FALSE(registry.Rename(words, QStringLiteral("Newer")));
    EXPECT_TRUE(QFile::exists(DataPath(QStringLiteral("New"))));
    EXPECT_FALSE(QFile::exists(DataPath(QStringLiteral("Newer"))));
    EXPECT_EQ(words.FileName, DataPath(QStringLiteral("New")));
    // Nor is the entry deleted, and so the file stays.
    presenter.answers = {IdCancel};
    EXPECT_FALSE(registry.Delete(words.DiscId, QStringLiteral("New"), true));
    QFile::setPermissions(settings.IniPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_TRUE(QFile::exists(DataPath(QStringLiteral("New"))));
    EXPECT_EQ(registry.IdOf(QStringLiteral("New")), words.DiscId);

    // A data file that cannot be removed is told; its entry is gone all the same.
    ASSERT_TRUE(registry.Write(QStringLiteral("0000000A"), QStringLiteral("stuck")));
    ASSERT_TRUE(QDir().mkpath(DataPath(QStringLiteral("stuck")) + QStringLiteral("/inside")));
    presenter.shown.clear();
    EXPECT_TRUE(registry.Delete(QStringLiteral("0000000A"), QStringLiteral("stuck"), true));
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].text,
              QStringLiteral("歌詞ファイル '%1' を削除できませんでした。").arg(DataPath(QStringLiteral("stuck"))));
    EXPECT_FALSE(registry.IdOf(QStringLiteral("stuck")).has_value());
    // The first entry of a name is the one found.
    ASSERT_TRUE(registry.Write(QStringLiteral("0000000B"), QStringLiteral("New")));
    EXPECT_EQ(registry.IdOf(QStringLiteral("New")), words.DiscId);
    EXPECT_EQ(registry.Entries().size(), 2);
}

} // namespace
