// The settings file: keys, defaults, writing order, migration and failures.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QTemporaryDir>

#include "core/common/TextCodec.h"
#include "core/discdata/DiscRegistry.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"
#include "core/settings/SettingsKeys.h"
#include "support/RecordingPresenter.h"

namespace {

class SettingsFile : public ::testing::Test {
protected:
    SettingsFile()
    {
        s.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        s.DefaultDataFolder = dir.path() + QStringLiteral("/data/");
    }
    void Write(const QString& text)
    {
        QFile f(s.IniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(Cp932::Encode(text));
    }
    QString Text()
    {
        QFile f(s.IniPath);
        return f.open(QIODevice::ReadOnly) ? Cp932::Decode(f.readAll()) : QString();
    }
    QTemporaryDir dir;
    Settings s;
    RecordingPresenter presenter;
};

TEST_F(SettingsFile, NoFileGivesEveryDefault)
{
    ASSERT_TRUE(LoadSettings(s, spStartup));
    ASSERT_TRUE(LoadSettings(s, spSettings));
    EXPECT_FALSE(QFile::exists(s.IniPath)); // no migration, nothing written
    const Settings d;
    EXPECT_FALSE(s.SelectDrive);
    EXPECT_TRUE(s.DriveName.isEmpty());
    EXPECT_TRUE(s.Sabero);
    EXPECT_EQ(s.TimerInt, 100);
    EXPECT_EQ(s.TimeDisp, 2);
    EXPECT_EQ(s.WordsAlign, 2);
    EXPECT_EQ(s.StopSaver, 0);
    EXPECT_TRUE(s.StopSleep);
    EXPECT_EQ(s.Volume, 100);
    EXPECT_FALSE(s.PlayOnExit);
    EXPECT_EQ(s.MainTop, 32);
    EXPECT_EQ(s.MainLeft, 32);
    EXPECT_EQ(s.MainWidth, 338);
    EXPECT_EQ(s.Visible, 3);
    EXPECT_EQ(s.DiscList, (std::array<int32_t, 4>{146, 180, 166, 64}));
    EXPECT_EQ(s.TitleColor, 65535u);
    EXPECT_EQ(s.TimeColor, 16776960u);
    EXPECT_EQ(s.WordsFontColor, 16777215u);
    EXPECT_EQ(s.MainFontName, QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(s.WordsFontSize, 12);
    EXPECT_EQ(s.LogFmt, QStringLiteral("%-32.32s %s - %s"));
    EXPECT_EQ(s.LogFmtStartTime, QStringLiteral("yyyy.mm.dd(ddd) hh:mm.ss"));
    EXPECT_EQ(s.LogFmtEndTime, QStringLiteral("mm.dd(ddd) hh:mm.ss"));
    EXPECT_EQ(s.DataFolder, s.DefaultDataFolder);
    for (uint32_t c : s.CustomColors) EXPECT_EQ(c, kUnsetColor);
    EXPECT_TRUE(presenter.shown.isEmpty());
}

TEST_F(SettingsFile, SettingsAreWrittenInOrderAndReadBack)
{
    s.StayOnTop = true;
    s.SelectDrive = true;
    s.StopSleep = false;
    s.TimerInt = 70000; // the dialog's control holds 16 bits
    s.WordsAlign = -1;
    s.MainFontStyle = 3;
    s.WordsFontName = QStringLiteral("IPAGothic");
    s.CustomColors[0] = 0x0000FF;
    s.CustomColors[2] = 0x123456;
    ASSERT_TRUE(SaveSettings(s, spSettings));
    EXPECT_EQ(Text(),
              QStringLiteral("[Mirelune]\r\nVersion=151A\r\n\r\n"
                             "[Settings]\r\nStayOnTop=1\r\nPlayOnExit=0\r\nAutoPlay=0\r\nEnableEject=0\r\n"
                             "EnableClose=0\r\nTaskTray=0\r\nRecordLog=0\r\nSelectDrive=1\r\nStopSaver=0\r\n"
                             "TimerInt=32767\r\nTimeDisp=2\r\nTrueTrack=0\r\nHideMainBar=0\r\nShowDriveName=0\r\n"
                             "WordsAlign=-1\r\nWordsContDisp=0\r\nHideNoWords=0\r\nWordsNoMove=0\r\n"
                             "HideWordsBar=0\r\nStopSleep=0\r\n\r\n"
                             "[MainFont]\r\nBackColor=0\r\nTitleColor=65535\r\nArtistColor=65280\r\n"
                             "TimeColor=16776960\r\nReptColor=65280\r\nRept1Color=65535\r\n"
                             "Name=ＭＳ Ｐゴシック\r\nStyle=3\r\n\r\n"
                             "[Font]\r\nName=IPAGothic\r\nSize=12\r\nColor=16777215\r\nStyle=0\r\nBackColor=0\r\n\r\n"
                             "[CustomColors]\r\nColorA=0000FF\r\nColorC=123456\r\n\r\n"));
    Settings back;
    back.IniPath = s.IniPath;
    ASSERT_TRUE(LoadSettings(back, spSettings));
    EXPECT_TRUE(back.StayOnTop);
    EXPECT_TRUE(back.SelectDrive);
    EXPECT_FALSE(back.StopSleep);
    EXPECT_EQ(back.TimerInt, 32767);
    EXPECT_EQ(back.WordsAlign, -1);
    EXPECT_EQ(back.MainFontStyle, 3);
    EXPECT_EQ(back.WordsFontName, QStringLiteral("IPAGothic"));
    EXPECT_EQ(back.CustomColors[0], 0x0000FFu);
    EXPECT_EQ(back.CustomColors[1], kUnsetColor);
    EXPECT_EQ(back.CustomColors[2], 0x123456u);
}

TEST_F(SettingsFile, WindowPartAndTheUnplacedMainWindow)
{
    Write(QStringLiteral("[Window]\r\nMainTop=77\r\n"));
    s.MainTop = kOffScreenTop; // closed before its first tick
    s.MainLeft = 10;
    s.Visible = 2;
    s.WordsFontSize = 20;
    s.DiscList = {1, 2, 3, 4};
    s.DriveName = QStringLiteral("/dev/sr1");
    s.Volume = 35;
    ASSERT_TRUE(SaveSettings(s, spWindow));
    EXPECT_EQ(Text(), QStringLiteral("[Window]\r\nMainTop=77\r\nMainLeft=10\r\nMainWidth=338\r\nWordsTop=200\r\n"
                                     "WordsLeft=64\r\nWordsWidth=400\r\nVisible=2\r\nDiscList0=1\r\nDiscList1=2\r\n"
                                     "DiscList2=3\r\nDiscList3=4\r\n\r\n"
                                     "[Mirelune]\r\nVersion=151A\r\n\r\n"
                                     "[Font]\r\nSize=20\r\n\r\n"
                                     "[Settings]\r\nDriveName=/dev/sr1\r\nVolume=35\r\n\r\n"));
    s.MainTop = -1023;
    ASSERT_TRUE(SaveSettings(s, spWindow));
    EXPECT_TRUE(Text().contains(QStringLiteral("MainTop=-1023\r\n")));
    Settings back;
    back.IniPath = s.IniPath;
    ASSERT_TRUE(LoadSettings(back, spStartup));
    EXPECT_EQ(back.DriveName, QStringLiteral("/dev/sr1"));
    EXPECT_EQ(back.Visible, 3); // the startup part reads nothing else
    ASSERT_TRUE(LoadSettings(back, spSettings));
    EXPECT_EQ(back.Visible, 2);
    EXPECT_EQ(back.WordsFontSize, 20);
    EXPECT_EQ(back.DiscList[3], 4);
    EXPECT_EQ(back.Volume, 35);

    // Where the compositor places the windows, the places they report are its own: the
    // file keeps the last real ones (a later run under X11 opens there), and the sizes
    // are still saved.
    s.PlacesKnown = false;
    s.MainTop = -30;
    s.MainLeft = 0;
    s.WordsTop = 0;
    s.WordsLeft = 0;
    s.WordsWidth = 520;
    ASSERT_TRUE(SaveSettings(s, spWindow));
    EXPECT_TRUE(Text().contains(QStringLiteral("[Window]\r\nMainTop=-1023\r\nMainLeft=10\r\nMainWidth=338\r\n"
                                               "WordsTop=200\r\nWordsLeft=64\r\nWordsWidth=520\r\n")))
        << Text().toStdString();
}

TEST_F(SettingsFile, VersionMigration)
{
    struct Case {
        QString version;
        QString stopOnExit; // empty: no key
        bool migrates;
        bool playOnExit;
    };
    for (const Case& c : {Case{QStringLiteral("1420"), QStringLiteral("1"), true, false},
                          Case{QStringLiteral("1420"), QString(), true, true},
                          Case{QStringLiteral("10000"), QStringLiteral("0"), true, true},
                          Case{QString(), QStringLiteral("1"), true, false},
                          Case{QStringLiteral("151A"), QStringLiteral("1"), false, false},
                          Case{QStringLiteral("2"), QStringLiteral("0"), false, false}}) {
        QString text = QStringLiteral("[Mirelune]\r\nVersion=") + c.version +
                       QStringLiteral("\r\n[Settings]\r\nPlayOnExit=0\r\n");
        if (!c.stopOnExit.isNull()) text += QStringLiteral("StopOnExit=") + c.stopOnExit + QStringLiteral("\r\n");
        Write(text);
        ASSERT_TRUE(LoadSettings(s, spSettings));
        const QString after = Text();
        EXPECT_EQ(s.PlayOnExit, c.playOnExit) << qPrintable(c.version);
        EXPECT_EQ(after.contains(QStringLiteral("StopOnExit")), !c.migrates && !c.stopOnExit.isNull())
            << qPrintable(c.version);
        if (c.migrates) {
            EXPECT_TRUE(after.contains(QStringLiteral("PlayOnExit=") + (c.playOnExit ? u'1' : u'0')));
            // The stamp itself waits for the next save.
            EXPECT_TRUE(after.contains(QStringLiteral("Version=") + c.version + QStringLiteral("\r\n")));
        }
    }
}

TEST_F(SettingsFile, ValuesAsTheDialogTakesThem)
{
    Write(QStringLiteral("[Settings]\r\nStayOnTop=2\r\nAutoPlay=true\r\nTaskTray=0x20\r\nTimerInt=$20\r\n"
                         "TimeDisp=9\r\nStopSaver=-5\r\nWordsAlign=-1\r\nLogFmt=%s\\n%s\\t%s\r\n"
                         "LogFmtEndTime=\r\nLogFmtStartTime=\"hh:mm \"\r\nWordsPath='/q/x\r\n"
                         "[CustomColors]\r\nColorB=ff\r\nColorD=FFFFFFFF\r\nColorE=zz\r\n"));
    ASSERT_TRUE(LoadSettings(s, spSettings));
    EXPECT_TRUE(s.StayOnTop);
    EXPECT_FALSE(s.AutoPlay); // a word is no number: the default
    EXPECT_TRUE(s.TaskTray);
    EXPECT_EQ(s.TimerInt, 32);
    EXPECT_EQ(s.TimeDisp, 3);   // above the last choice: the last
    EXPECT_EQ(s.StopSaver, -1); // below -1: none
    EXPECT_EQ(s.WordsAlign, -1);
    EXPECT_EQ(s.LogFmt, QStringLiteral("%s\r\n%s\\t%s"));
    EXPECT_EQ(s.LogFmtEndTime, QString());                  // present and empty is empty
    EXPECT_EQ(s.LogFmtStartTime, QStringLiteral("hh:mm ")); // quotes keep the blank
    EXPECT_EQ(s.WordsPath, QStringLiteral("'/q/x"));
    EXPECT_EQ(s.CustomColors[0], kUnsetColor);
    EXPECT_EQ(s.CustomColors[1], 0xFFu);
    EXPECT_EQ(s.CustomColors[3], kUnsetColor);
    EXPECT_EQ(s.CustomColors[4], kUnsetColor);

    // Unset slots are not written and what the file held stays.
    ASSERT_TRUE(SaveSettings(s, spSettings));
    const QString text = Text();
    EXPECT_TRUE(text.contains(QStringLiteral("ColorB=0000FF\r\nColorD=FFFFFFFF\r\nColorE=zz\r\n")));
}

TEST_F(SettingsFile, ByteOrderMarksAtTheStartOfLinesAreBlanks)
{
    // A tool that put its own mark before the file's, and one before a key.
    QFile f(s.IniPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBF\xEF\xBB\xBF[Settings]\r\n\xEF\xBB\xBFStayOnTop=1\r\nTimerInt=20\xEF\xBB\xBF\r\n");
    f.close();
    ASSERT_TRUE(LoadSettings(s, spSettings));
    EXPECT_TRUE(s.StayOnTop);
    EXPECT_EQ(s.TimerInt, 20);
}

TEST_F(SettingsFile, TheTableOfKeysAndTheFileAgree)
{
    // A value of its own for every key, unlike its default and every other key's.
    const std::span<const SettingsKey> keys = SettingsKeys();
    auto isText = [](const SettingsKey& key) { return key.kind == KeyKind::String || key.kind == KeyKind::Format; };
    std::vector<int32_t> numbers;
    QStringList texts;
    for (const SettingsKey& key : keys) {
        const int n = static_cast<int>(numbers.size()) + 1;
        int32_t v = 0;
        switch (key.kind) {
        case KeyKind::Bool: v = key.number == 0; break;
        case KeyKind::Integer: {
            const int32_t low = std::max(key.low, key.writtenLow), high = std::min(key.high, key.writtenHigh);
            v = std::clamp(key.number + n, low, high);
            if (v == key.number) v = std::clamp(key.number - n, low, high);
            break;
        }
        case KeyKind::Color: v = 0x010203 * n; break;
        case KeyKind::Swatch: v = 0x100 + n; break;
        case KeyKind::String:
        case KeyKind::Format: break;
        }
        numbers.push_back(v);
        texts.append(isText(key) ? QStringLiteral("v%1").arg(n) : QString::number(v));
    }
    Settings set;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (isText(keys[i]))
            SetSettingText(set, keys[i], texts[qsizetype(i)]);
        else
            SetSettingNumber(set, keys[i], numbers[i]);
        ASSERT_FALSE(SameSetting(set, Settings(), keys[i])) << qPrintable(keys[i].name.toString());
    }

    // Saved, each key is in the file under its own name with its own value, and the file
    // holds no key the table does not list.
    IniDocument doc;
    WriteSettingsPart(set, doc, spSettings);
    WriteSettingsPart(set, doc, spWindow);
    for (const QString& section : doc.SectionNames()) {
        if (section == QStringLiteral("Mirelune")) continue;
        for (const auto& [name, value] : doc.Entries(section))
            EXPECT_NE(FindSettingsKey(section, name), nullptr) << qPrintable(section + u'/' + name);
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        const SettingsKey& key = keys[i];
        const QString section = key.section.toString(), name = key.name.toString();
        const std::optional<QString> value = doc.Value(section, name);
        if (!key.writtenBy) {
            // Edited by hand only: put in the file as a user would.
            EXPECT_FALSE(value) << qPrintable(name);
            doc.WriteString(section, name, texts[qsizetype(i)]);
            continue;
        }
        ASSERT_TRUE(value) << qPrintable(section + u'/' + name);
        int32_t number = 0;
        if (isText(key))
            EXPECT_EQ(*value, texts[qsizetype(i)]) << qPrintable(name);
        else if (key.kind == KeyKind::Swatch)
            EXPECT_TRUE(ParseIniInteger(QString(u'$' + *value), &number));
        else
            EXPECT_TRUE(ParseIniInteger(*value, &number)) << qPrintable(*value);
        if (!isText(key)) EXPECT_EQ(number, numbers[i]) << qPrintable(section + u'/' + name);
    }

    // Read back, every key comes to its own member, and no key is written that is never read.
    Settings back;
    ReadSettingsPart(back, doc, spStartup);
    ReadSettingsPart(back, doc, spSettings);
    for (size_t i = 0; i < keys.size(); ++i) {
        const SettingsKey& key = keys[i];
        EXPECT_NE(key.readBy, 0) << qPrintable(key.name.toString());
        if (isText(key))
            EXPECT_EQ(SettingText(back, key), texts[qsizetype(i)]) << qPrintable(key.name.toString());
        else
            EXPECT_EQ(SettingNumber(back, key), numbers[i]) << qPrintable(key.name.toString());
    }
}

TEST_F(SettingsFile, LineBreaksAndFolders)
{
    EXPECT_EQ(ExpandLineBreaks(QStringLiteral("a\\nb\\\\nc\\x")), QStringLiteral("a\r\nb\\\r\nc\\x"));
    // 表 and ソ end in byte 0x5C in code page 932; decoded, they are no backslash.
    Write(QStringLiteral("[Settings]\r\nLogFmt=表n ソn\r\nWordsPath=/mnt/ソ表/x.exe\r\n"));
    ASSERT_TRUE(LoadSettings(s, spSettings));
    EXPECT_EQ(s.LogFmt, QStringLiteral("表n ソn"));
    EXPECT_EQ(s.DataFolder, QStringLiteral("/mnt/ソ表/"));
    EXPECT_EQ(DataFilePath(s, QStringLiteral("Name")), QStringLiteral("/mnt/ソ表/Name.dat"));
    EXPECT_EQ(DataFilePath(s, QString()), QString());

    EXPECT_EQ(DataFolderOf(QStringLiteral("/d/Lyrics"), QStringLiteral("/def/")), QStringLiteral("/d/"));
    EXPECT_EQ(DataFolderOf(QStringLiteral("D:\\Lyrics\\x.exe"), QStringLiteral("/def/")), QStringLiteral("/def/"));
    EXPECT_EQ(DataFolderOf(QString(), QStringLiteral("/def/")), QStringLiteral("/def/"));
}

TEST_F(SettingsFile, HandEditedCommentsSurviveAndFoldersAreMade)
{
    s.IniPath = dir.filePath(QStringLiteral("config/Mirelune/Mirelune.ini"));
    ASSERT_TRUE(SaveSettings(s, spWindow));
    Write(QStringLiteral("; my notes\r\n[Settings]\r\n; LogFmt=%s\r\nStayOnTop=1\r\n"));
    ASSERT_TRUE(LoadSettings(s, spSettings));
    EXPECT_TRUE(s.StayOnTop);
    ASSERT_TRUE(SaveSettings(s, spWordsFile));
    EXPECT_EQ(Text(), QStringLiteral("; my notes\r\n[Settings]\r\n; LogFmt=%s\r\nStayOnTop=1\r\n\r\n"
                                     "[Mirelune]\r\nVersion=151A\r\n\r\n"));
}

TEST_F(SettingsFile, HandMadeFileKeepsEveryByteNotChanged)
{
    // A note before the first section, section headers with comments after them, and
    // characters whose code page 932 codes have twins (ED40, 8790, FA4A, EEF9).
    const QByteArray text = "Mirelune settings, edited by hand\r\n"
                            "(keep this note)\r\n"
                            "\r\n"
                            "; colours below\r\n"
                            "[Mirelune]\r\nVersion=151A\r\n\r\n"
                            "[Settings] ; my options\r\n"
                            "StayOnTop = 1\r\n"
                            "TimerInt=0x64\r\n"
                            "\r\n"
                            "[MainFont]\r\nName=\xED\x40\x87\x90 Gothic\r\n\r\n"
                            "[Unknown]\r\nNote=\xFA\x4A\xEE\xF9\r\n\r\n"
                            "[WordsFile] ; my discs\r\n"
                            "87C8548A=\xED\x40 Disc\r\n";
    {
        QFile f(s.IniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    auto bytes = [&] {
        QFile f(s.IniPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    ASSERT_TRUE(LoadSettings(s, spSettings));
    EXPECT_TRUE(s.StayOnTop);
    EXPECT_EQ(s.TimerInt, 100);
    EXPECT_EQ(s.MainFontName, Cp932::Decode("\xED\x40\x87\x90 Gothic"));
    EXPECT_EQ(DiscRegistry(s).Lookup(QStringLiteral("87C8548A")), Cp932::Decode("\xED\x40 Disc"));

    // A new disc goes into the one registry section; nothing else changes.
    ASSERT_TRUE(DiscRegistry(s).Write(QStringLiteral("12345678"), QStringLiteral("New")));
    EXPECT_EQ(bytes(), text + "12345678=New\r\n");

    // Saving every setting adds the keys that were missing and keeps every line there was.
    ASSERT_TRUE(SaveSettings(s, spSettings));
    ASSERT_TRUE(SaveSettings(s, spWindow));
    const QList<QByteArray> saved = bytes().split('\n');
    qsizetype at = 0;
    for (const QByteArray& line : (text + "12345678=New\r\n").split('\n')) {
        while (at < saved.size() && saved[at] != line) ++at;
        EXPECT_LT(at, saved.size()) << "lost: " << line.constData();
    }
    EXPECT_EQ(bytes().count("[Settings"), 1);
    EXPECT_EQ(bytes().count("[WordsFile"), 1);
    Settings again;
    again.IniPath = s.IniPath;
    ASSERT_TRUE(LoadSettings(again, spSettings));
    EXPECT_TRUE(again.StayOnTop);
    EXPECT_EQ(again.MainFontName, s.MainFontName);
    EXPECT_EQ(DiscRegistry(again).Lookup(QStringLiteral("12345678")), QStringLiteral("New"));
}

TEST_F(SettingsFile, LongStringsAreCutAt2047)
{
    Write(QStringLiteral("[Settings]\r\nDriveName=") + QString(3000, QLatin1Char('d')) + QStringLiteral("\r\n"));
    ASSERT_TRUE(LoadSettings(s, spStartup));
    EXPECT_EQ(s.DriveName.size(), 2047);
}

TEST_F(SettingsFile, ReadOnlyFileAnswersRetryThenCancel)
{
    Write(QStringLiteral("[Settings]\r\nStayOnTop=0\r\n"));
    QFile::setPermissions(s.IniPath, QFileDevice::ReadOwner);
    s.StayOnTop = true;
    presenter.answers = {IdRetry, IdCancel};
    EXPECT_FALSE(SaveSettings(s, spSettings));
    ASSERT_EQ(presenter.shown.size(), 2);
    EXPECT_EQ(presenter.shown[0].text,
              QStringLiteral("ファイル '") + s.IniPath + QStringLiteral("' が保存できません。"));
    EXPECT_EQ(presenter.shown[1].caption, QStringLiteral("保存エラー"));
    EXPECT_EQ(Text(), QStringLiteral("[Settings]\r\nStayOnTop=0\r\n"));

    // Loading reads it fine; a migration that cannot be written is still applied.
    presenter.shown.clear();
    QFile::setPermissions(s.IniPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    Write(QStringLiteral("[Mirelune]\r\nVersion=1400\r\n[Settings]\r\nStopOnExit=0\r\nTimerInt=50\r\n"));
    QFile::setPermissions(s.IniPath, QFileDevice::ReadOwner);
    presenter.answers = {IdCancel};
    EXPECT_TRUE(LoadSettings(s, spSettings));
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("読み込みエラー"));
    EXPECT_TRUE(s.PlayOnExit);
    EXPECT_EQ(s.TimerInt, 50);
}

TEST_F(SettingsFile, DamagedUtf8FileIsReadButNotRewritten)
{
    const QByteArray damaged = "\xEF\xBB\xBF[Mirelune]\r\nVersion=1420\r\n[Settings]\r\nTimerInt=60\r\n"
                               "DriveName=/dev/\xC3\x28\r\n";
    {
        QFile f(s.IniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(damaged);
    }
    presenter.answers = {IdCancel};
    EXPECT_TRUE(LoadSettings(s, spSettings)); // the migration cannot be written
    EXPECT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(s.TimerInt, 60);
    EXPECT_TRUE(s.PlayOnExit);
    EXPECT_FALSE(SaveSettings(s, spWindow));
    QFile f(s.IniPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), damaged);
}

TEST_F(SettingsFile, UnreadableFileIsNeitherReadNorWrittenOver)
{
    ASSERT_TRUE(QDir().mkdir(s.IniPath)); // a folder where the file should be
    presenter.answers = {IdRetry};
    EXPECT_FALSE(LoadSettings(s, spSettings));
    EXPECT_EQ(presenter.shown.size(), 2);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("読み込みエラー"));
    // The window state saved at exit says no more; the settings dialog's OK says why.
    EXPECT_FALSE(SaveSettings(s, spWindow));
    EXPECT_EQ(presenter.shown.size(), 2);
    EXPECT_FALSE(SaveSettings(s, spSettings));
    ASSERT_EQ(presenter.shown.size(), 3);
    EXPECT_EQ(presenter.shown[2].caption, QStringLiteral("保存エラー"));
}

TEST_F(SettingsFile, Utf16IsWrittenBackAsItCame)
{
    const auto put = [&](const QByteArray& bytes) {
        QFile::remove(s.IniPath);
        QFile f(s.IniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    const auto bytes = [&] {
        QFile f(s.IniPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    for (const bool bigEndian : {false, true}) {
        put(EncodeUtf16(QStringLiteral("; 手で書いた\r\n[Settings]\r\nTimerInt=250\r\n[Font]\r\nName=メイリオ\r\n"),
                        bigEndian));
        ASSERT_TRUE(LoadSettings(s, spSettings));
        EXPECT_EQ(s.TimerInt, 250);
        EXPECT_EQ(s.WordsFontName, QStringLiteral("メイリオ"));
        s.WordsFontName = QStringLiteral("나눔고딕");
        ASSERT_TRUE(SaveSettings(s, spSettings));
        const DecodedText saved = DecodeFileText(bytes());
        EXPECT_TRUE(saved.utf16 && saved.bigEndian == bigEndian) << bigEndian;
        EXPECT_TRUE(saved.text.startsWith(QStringLiteral("; 手で書いた\r\n[Settings]\r\n")));
        EXPECT_TRUE(saved.text.contains(QStringLiteral("Name=나눔고딕\r\n")));
    }
    EXPECT_TRUE(presenter.shown.isEmpty());
}

TEST_F(SettingsFile, Registry)
{
    // Far more discs than the old section reader could see.
    QString text = QStringLiteral("[Mirelune]\r\nVersion=151A\r\n[WordsFile]\r\n");
    for (int i = 0; i < 5000; ++i)
        text += QStringLiteral("%1").arg(i * 7919, 8, 16, QLatin1Char('0')).toUpper() + QStringLiteral("=Disc ") +
                QString::number(i) + QStringLiteral("\r\n");
    Write(text);
    EXPECT_EQ(DiscRegistry(s).Entries().size(), 5000);
    EXPECT_EQ(DiscRegistry(s).Lookup(QStringLiteral("%1").arg(4999 * 7919, 8, 16, QLatin1Char('0'))),
              QStringLiteral("Disc 4999"));
    EXPECT_EQ(DiscRegistry(s).Lookup(QStringLiteral("FFFFFFFF")), QString());

    ASSERT_TRUE(DiscRegistry(s).Write(QStringLiteral("00001EEF"), QStringLiteral("Renamed")));
    EXPECT_EQ(DiscRegistry(s).Lookup(QStringLiteral("00001eef")), QStringLiteral("Renamed"));
    EXPECT_EQ(DiscRegistry(s).Entries()[1],
              (QPair<QString, QString>{QStringLiteral("00001EEF"), QStringLiteral("Renamed")}));
    ASSERT_TRUE(DiscRegistry(s).Write(QStringLiteral("ABCDEF01"), QStringLiteral("新しい")));
    EXPECT_EQ(DiscRegistry(s).Entries().last().second, QStringLiteral("新しい"));

    ASSERT_TRUE(DiscRegistry(s).Remove(QStringLiteral("abcdef01")));
    EXPECT_EQ(DiscRegistry(s).Lookup(QStringLiteral("ABCDEF01")), QString());
    EXPECT_EQ(DiscRegistry(s).Entries().size(), 5000);
    EXPECT_TRUE(presenter.shown.isEmpty());
}

} // namespace

TEST_F(SettingsFile, Utf8WithoutAMarkIsReadAsUtf8AndWrittenBackAsItCame)
{
    // As a Linux editor saves it: UTF-8, no byte-order mark.
    const QByteArray edited = "[Settings]\nStayOnTop=1\n[WordsFile]\nB766BA16=デモ\n; 日本語のメモ\n";
    {
        QFile f(s.IniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(edited);
    }
    ASSERT_TRUE(LoadSettings(s, spSettings));
    EXPECT_TRUE(s.StayOnTop);
    EXPECT_EQ(DiscRegistry(s).Lookup(QStringLiteral("B766BA16")), QStringLiteral("デモ"));
    ASSERT_TRUE(SaveSettings(s, spWindow));
    QFile f(s.IniPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    EXPECT_TRUE(saved.startsWith("[Settings]\r\nStayOnTop=1\r\n")) << saved.constData(); // no mark put in front
    EXPECT_TRUE(saved.contains("B766BA16=デモ\r\n"));
    EXPECT_TRUE(saved.contains("; 日本語のメモ\r\n"));
    EXPECT_EQ(DiscRegistry(s).Lookup(QStringLiteral("B766BA16")), QStringLiteral("デモ"));

    // Pure ASCII reads the same either way and stays code page 932; so do code page 932
    // bytes that are no valid UTF-8.
    Write(QStringLiteral("[WordsFile]\r\nB766BA16=demo\r\n12345678=デモ\r\n"));
    ASSERT_TRUE(DiscRegistry(s).Write(QStringLiteral("0000AAAA"), QStringLiteral("ascii")));
    EXPECT_EQ(DiscRegistry(s).Lookup(QStringLiteral("12345678")), QStringLiteral("デモ"));
    EXPECT_TRUE(Text().contains(QStringLiteral("12345678=デモ\r\n0000AAAA=ascii\r\n")));
}
