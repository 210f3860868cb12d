// Writes the demo disc's data file (titles, artist, lyrics timed to the phrases of the
// demo disc) and a settings file that registers it, beside the demo disc image:
//   make_demo_data DIR   (DIR holds demo.cue; writes DIR/Mirelune.ini and DIR/demo.dat)
// The disc identifier comes from the image itself, read through the real drive code.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"
#include "device/DiscDevice.h"

namespace {
struct DemoLine {
    int startMs, endMs;
    const char* text;
};
struct DemoTrack {
    const char* title;
    std::vector<DemoLine> lines;
};

// Phrase times of the demo disc's tracks (milliseconds from the start of each track).
const std::vector<DemoTrack> kTracks = {
    {"月の舟",
     {{1000, 4000, "静かな夜に 月がのぼる"},
      {5000, 8000, "銀の舟が 空をわたる"},
      {9000, 12000, "遠い岸へ 歌をのせて"},
      {13000, 16000, "夢の中で また会おう"}}},
    {"夜明けの歌",
     {{1500, 5000, "朝の光が 窓をたたく"},
      {6000, 9500, "まだ眠たい 街の声"},
      {10500, 14000, "風にのって 鳥が歌う"},
      {15000, 18500, "新しい日が 始まるよ"},
      {19500, 23000, "さあ 扉を開けよう"}}},
    {"星のワルツ",
     {{1000, 3500, "きらめく星 くるくると"},
      {4500, 7000, "三拍子で 踊ろうよ"},
      {8000, 10500, "ほうき星が 手をふって"},
      {11500, 14000, "天の川を わたるころ"},
      {15000, 17500, "夜空いっぱい 鐘が鳴る"},
      {18500, 21000, "おやすみなさい また明日"}}},
};

int Fail(const char* what)
{
    std::fprintf(stderr, "make_demo_data: %s\n", what);
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) return Fail("usage: make_demo_data DIR");
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QString folder = dir.absolutePath() + QLatin1Char('/');
    const QString cue = dir.absoluteFilePath(QStringLiteral("demo.cue"));
    const QString ini = dir.absoluteFilePath(QStringLiteral("Mirelune.ini"));
    QFile::remove(ini);
    QFile::remove(dir.absoluteFilePath(QStringLiteral("demo.dat")));

    // The settings the demo runs with: the image as the drive, the data files beside it,
    // playing as soon as the disc is read, and both windows in view.
    IniDocument doc;
    doc.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("1"));
    doc.WriteString(QStringLiteral("Settings"), QStringLiteral("DriveName"), cue);
    doc.WriteString(QStringLiteral("Settings"), QStringLiteral("WordsPath"), folder);
    // The lyrics window right under the main window, as wide as it.
    doc.WriteString(QStringLiteral("Window"), QStringLiteral("WordsLeft"), QStringLiteral("32"));
    doc.WriteString(QStringLiteral("Window"), QStringLiteral("WordsTop"), QStringLiteral("176"));
    doc.WriteString(QStringLiteral("Window"), QStringLiteral("WordsWidth"), QStringLiteral("338"));
    doc.WriteString(QStringLiteral("Font"), QStringLiteral("Size"), QStringLiteral("14"));
    if (!WriteIniFile(ini, doc)) return Fail("cannot write the settings file");

    Settings settings;
    settings.IniPath = ini;
    settings.DefaultDataFolder = folder;
    if (!LoadSettings(settings, spStartup) || !LoadSettings(settings, spSettings))
        return Fail("cannot read the settings file back");

    DiscDevice device;
    if (!device.Open(cue)) return Fail("cannot open the demo disc image");
    device.SetTimeFormat(TimeFormatMilliseconds);
    CommandSet commands;
    TWords words(device, commands, settings);
    words.NewDisc(device.TrackCount());
    if (words.SongCount != static_cast<int>(kTracks.size())) return Fail("the demo disc has another track count");
    if (words.Register(QStringLiteral("demo"))) return Fail("cannot register the demo disc");

    words.Title = QStringLiteral("Mirelune デモディスク");
    words.Artist = QStringLiteral("ミレルーン合唱団");
    for (int t = 1; t <= words.SongCount; ++t) {
        const DemoTrack& track = kTracks[t - 1];
        words.SetSongTitle(t, QString::fromUtf8(track.title));
        int index = 0;
        for (const DemoLine& l : track.lines) {
            TWordsLine line;
            line.Text = QString::fromUtf8(l.text);
            line.StartTime = l.startMs / 10;
            line.EndTime = l.endMs / 10;
            words.SetLine(t, ++index, line);
        }
        words.SetLineCount(t, index);
    }
    if (!words.Save(dpAll)) return Fail("cannot write the demo data file");
    device.Close();
    std::printf("make_demo_data: disc %s registered as %s\n", qPrintable(words.DiscId), qPrintable(words.FileName));
    return 0;
}
