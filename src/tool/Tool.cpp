#include "Tool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <memory>

#include "core/app/Paths.h"
#include "core/common/Commands.h"
#include "core/common/Etc.h"
#include "core/discdata/DiscRegistry.h"
#include "core/discdata/Lrc.h"
#include "core/discdata/Words.h"
#include "core/entry/DataEntry.h"
#include "core/playback/StillDrive.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"
#include "device/DiscDevice.h"

namespace {

const char* const kHelp = R"(Usage: mirelune-tool [-i:SETTINGS] COMMAND ARGUMENTS...

Mirelune's disc data files from the command line.

Commands:
  id DRIVE|IMAGE|CUE
      The disc's identifier, its data file when it is registered, and its tracks.
  show DATAFILE
      The titles, the lyrics of every track with their times, and the program.
  export-lrc DATAFILE TRACK|all OUTDIR
      Writes the timed lyrics of the track (or of every track that has them) as
      LRC files named "NN title.lrc" into OUTDIR, replacing files of the same name.
      The times are those the lyrics window shows, the track's correction included;
      lines not yet timed are left out.
  import-lrc DATAFILE TRACK FILE.lrc
      Replaces the track's lyrics, times and correction by those of the LRC file
      (an [offset:] becomes the correction) and saves the data file. Lines it
      skips (no time, a tag it cannot read), lines moved off 00:00.00 and bytes
      that are no text are told on standard error. Only that track (and its
      title, when it had none) is written; the rest stays as it is.

Mirelune may hold the disc meanwhile: it picks such a change up, reading the data
file again as soon as none of its dialogs is open, and a data entry open at the
time saves only what was changed in it, over the file's new content.

DATAFILE is the path of a data file, or the name or disc identifier of a registered
disc, found through the settings file as the program finds it. A data file does not
hold the tracks' lengths: exported files carry no [length:], and an imported last
line shows to the end of the track (or to the file's [length:]).

Options:
  -i:FILE, -i=FILE, -iFILE, /i:FILE
             The settings file, as for the program: ".ini" is added to a name
             without an extension, and a name without a folder is taken in the
             folder of the program's own settings file (~/.config/Mirelune, or
             the program's folder when a Mirelune.ini stands there). It must
             exist.
  -h, --help This text.
  -V, --version
             The version, as "mirelune-tool VERSION".

Exit status: 0 done, 1 failed (the data file is left as it was) or the output
could not be written, 2 wrong usage.
)";

// Why a file cannot be read: the system's reason, or empty when it can be opened.
QString readTrouble(const QString& path)
{
    if (QFileInfo(path).isDir()) return QStringLiteral("it is a folder");
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString() : file.errorString();
}

// "cannot read PATH", with the reason when there is one to tell.
QString cannotRead(const QString& path)
{
    const QString why = readTrouble(path);
    return QStringLiteral("cannot read %1").arg(path) + (why.isEmpty() ? QString() : QStringLiteral(": ") + why);
}

// "mm:ss.xx" of hundredths of a second.
QString clockText(int32_t hundredths) { return FormatLrcTime(hundredths).mid(1).chopped(1); }

QString playTypeText(int32_t code)
{
    static const char* const types[] = {"normal", "random", "program", "program random"};
    const int type = code & 0xF;
    QString text = type < 4 ? QLatin1String(types[type]) : QStringLiteral("type %1").arg(type);
    const int repeat = code & 0xF0;
    if (repeat == 32)
        text += QStringLiteral(", repeat one");
    else if (repeat != 0)
        text += QStringLiteral(", repeat");
    return text;
}

class Tool {
public:
    Tool(QTextStream& out_, QTextStream& err_) : out(out_), err(err_) {}

    int run(const QStringList& args, const QString& settingsFolder, const QString& defaultSettings,
            const QString& defaultDataFolder);

private:
    int fail(const QString& message)
    {
        err << "mirelune-tool: " << message << Qt::endl;
        return ToolFailed;
    }
    int usage(const QString& message)
    {
        err << "mirelune-tool: " << message << "\nTry 'mirelune-tool --help'." << Qt::endl;
        return ToolUsage;
    }

    int id(const QString& drive);
    int show(const QString& dataFile);
    int exportLrc(const QString& dataFile, const QString& which, const QString& outDir);
    int importLrc(const QString& dataFile, const QString& trackText, const QString& lrcPath);

    // The data file an argument names; empty (after saying why) when there is none.
    QString findDataFile(const QString& arg);
    // Reads the data file into words, its tracks as far as the file names them. False
    // (after saying why) when it cannot.
    bool open(const QString& path);

    QTextStream& out;
    QTextStream& err;
    Settings settings;
    // The disc data asks a drive only when a disc comes in; a data file alone has none.
    StillDrive drive{ModeNotReady, 0, 0, false};
    CommandSet commands;
    std::unique_ptr<TWords> words;
    int first = 0, last = 0;             // the tracks the file has titles or lyrics for; 0: none
    int titledFirst = 0, titledLast = 0; // those it has titles for: the disc's tracks
};

int Tool::run(const QStringList& args, const QString& settingsFolder, const QString& defaultSettings,
              const QString& defaultDataFolder)
{
    QStringList options, operands;
    for (const QString& arg : args) {
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            out << kHelp;
            return ToolDone;
        }
        if (arg == QLatin1String("-V") || arg == QLatin1String("--version")) {
            out << "mirelune-tool " MIRELUNE_VERSION "\n";
            return ToolDone;
        }
        // "/i..." is the option only before the command: after it, it may be a path.
        const bool option = arg.startsWith(QLatin1String("-i"), Qt::CaseInsensitive) ||
                            (operands.isEmpty() && arg.startsWith(QLatin1String("/i"), Qt::CaseInsensitive));
        if (option)
            options << arg;
        else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            return usage(QStringLiteral("unknown option '%1'").arg(arg));
        else
            operands << arg;
    }
    if (operands.isEmpty()) return usage(QStringLiteral("no command given"));

    settings.IniPath = SettingsFileFromArgs(options, settingsFolder, defaultSettings);
    // A settings file named on the command line must be there: a mistyped name would
    // otherwise read as an empty one, with no discs registered and the default folder.
    // Without -i the program's own file may not exist yet, before its first run.
    if (!options.isEmpty()) {
        const QFileInfo named(settings.IniPath);
        if (named.isDir()) return fail(QStringLiteral("the settings file %1 is a folder").arg(settings.IniPath));
        if (!named.exists()) return fail(QStringLiteral("no settings file %1").arg(settings.IniPath));
    }
    settings.DefaultDataFolder = defaultDataFolder;
    if (!LoadDataFolder(settings))
        return fail(QStringLiteral("cannot read the settings file %1").arg(settings.IniPath));
    words = std::make_unique<TWords>(drive, commands, settings);

    const QString command = operands.takeFirst();
    const struct {
        const char* name;
        int count;
    } commandsKnown[] = {{"id", 1}, {"show", 1}, {"export-lrc", 3}, {"import-lrc", 3}};
    for (const auto& c : commandsKnown) {
        if (command != QLatin1String(c.name)) continue;
        if (operands.size() != c.count)
            return usage(
                QStringLiteral("%1 takes %2 argument%3").arg(command).arg(c.count).arg(c.count == 1 ? "" : "s"));
        if (command == QLatin1String("id")) return id(operands[0]);
        if (command == QLatin1String("show")) return show(operands[0]);
        if (command == QLatin1String("export-lrc")) return exportLrc(operands[0], operands[1], operands[2]);
        return importLrc(operands[0], operands[1], operands[2]);
    }
    return usage(QStringLiteral("unknown command '%1'").arg(command));
}

QString Tool::findDataFile(const QString& arg)
{
    QString path;
    if (arg.contains(QLatin1Char('/')) || arg.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive)) {
        path = QFileInfo(arg).absoluteFilePath();
    } else {
        // A disc identifier that is registered names its file; anything else is a name.
        static const QRegularExpression discId(QStringLiteral("^[0-9A-Fa-f]{8}$"));
        QString name = arg;
        if (discId.match(arg).hasMatch()) {
            const QString registered = DiscRegistry(settings).Lookup(arg);
            if (!registered.isEmpty()) name = registered;
        }
        path = DataFilePath(settings, name);
    }
    if (!QFileInfo(path).isFile()) {
        fail(QStringLiteral("no data file %1").arg(path));
        return QString();
    }
    return path;
}

bool Tool::open(const QString& path)
{
    IniDocument doc;
    if (!ReadIniFile(path, doc)) {
        fail(cannotRead(path));
        return false;
    }
    // An argument in the wrong place may name any file: only a data file (or an empty
    // one, as a disc's new file starts) is read as one and written over.
    const QStringList sections = doc.SectionNames();
    const bool dataFile = std::any_of(sections.begin(), sections.end(), [](const QString& s) {
        return s.compare(QLatin1String("Mirelune"), Qt::CaseInsensitive) == 0 ||
               s.compare(QLatin1String("Info"), Qt::CaseInsensitive) == 0 ||
               s.compare(QLatin1String("Title"), Qt::CaseInsensitive) == 0 ||
               s.startsWith(QLatin1String("Words"), Qt::CaseInsensitive);
    });
    if (!dataFile && QFileInfo(path).size() > 0) {
        fail(QStringLiteral("%1 is no Mirelune data file; nothing was changed").arg(path));
        return false;
    }
    // The tracks are those the file has titles or lyrics for: the program writes a title
    // entry for every track from the first audio track to the last.
    auto take = [](int t, int& lo, int& hi) {
        if (t < 1 || t > kMaxTracks) return;
        lo = lo == 0 ? t : std::min(lo, t);
        hi = std::max(hi, t);
    };
    first = last = titledFirst = titledLast = 0;
    for (const auto& entry : doc.Entries(QStringLiteral("Title"))) take(entry.first.toInt(), titledFirst, titledLast);
    first = titledFirst;
    last = titledLast;
    for (const QString& section : doc.SectionNames())
        if (section.startsWith(QLatin1String("Words"), Qt::CaseInsensitive)) take(section.mid(5).toInt(), first, last);

    TWords& w = *words;
    w.SongCount = last;
    w.FirstAudioTrack = first;
    w.AudioState = first == 0 ? 0 : first == 1 ? 1 : 2;
    w.FileName = path;
    if (!w.Load(dpAll)) {
        fail(QStringLiteral("%1 is damaged; nothing was changed").arg(path));
        return false;
    }
    // A save writes the play type from the commands, as the main window keeps it.
    if (Command* type = commands.PlayTypeItem(w.PlayTypeCode & 0xF)) type->setChecked(true);
    return true;
}

int Tool::id(const QString& name)
{
    // A drive is a device file too: a name that is nothing was mistyped, not an empty drive.
    const QFileInfo info(name);
    if (!info.exists()) return fail(QStringLiteral("cannot open %1: no such file or drive").arg(name));
    if (info.isDir()) return fail(QStringLiteral("cannot open %1: it is a folder").arg(name));
    DiscDevice device;
    if (!device.Open(name)) return fail(QStringLiteral("cannot open %1: %2").arg(name, device.OpenError()));
    const int count = device.TrackCount();
    if (count == 0) return fail(QStringLiteral("no disc in %1").arg(name));
    TWords disc(device, commands, settings);
    disc.NewDisc(count);
    out << "Disc ID: " << disc.DiscId << '\n';
    out << "Data file: " << (disc.HasFile() ? disc.FileName : QStringLiteral("none (not registered)")) << '\n';
    if (disc.HasFile()) {
        out << "Title: " << disc.Title << '\n';
        out << "Artist: " << disc.Artist << '\n';
    }
    out << "Tracks: " << count << ", " << clockText(disc.AudioLength() / 10) << " of audio\n";
    for (int t = 1; t <= count; ++t) {
        out << FormatZeroPad(t, 2) << (device.TrackIsAudio(t) ? "  audio  " : "  data   ")
            << clockText(disc.SongStart(t) / 10) << "  " << clockText(disc.SongLength(t) / 10);
        if (device.TrackIsAudio(t) && !disc.GetSongTitle(t).isEmpty()) out << "  " << disc.GetSongTitle(t);
        out << '\n';
    }
    out.flush();
    device.Close();
    return ToolDone;
}

int Tool::show(const QString& arg)
{
    const QString path = findDataFile(arg);
    if (path.isEmpty() || !open(path)) return ToolFailed;
    const TWords& w = *words;
    out << "Data file: " << path << '\n';
    out << "Title: " << w.Title << '\n';
    out << "Artist: " << w.Artist << '\n';
    out << "Play time: " << QString::asprintf("%d:%02d:%02d", w.PlayTime / 3600, w.PlayTime / 60 % 60, w.PlayTime % 60)
        << '\n';
    out << "Play type: " << playTypeText(w.PlayTypeCode) << '\n';
    QStringList program;
    for (int i = 1; i <= w.ProgramCount; ++i) program << QString::number(w.ProgramList[i]);
    out << "Program: " << (program.isEmpty() ? QStringLiteral("none") : program.join(QStringLiteral(", "))) << '\n';
    for (int t = first; t >= 1 && t <= last; ++t) {
        out << '\n' << FormatNumbered(t, w.GetSongTitle(t)) << '\n';
        const int copy = w.GetCopyTrack(t);
        if (copy > 0) out << "  lyrics of track " << FormatZeroPad(copy, 2) << '\n';
        if (w.GetAdjust(t) != 0 || copy > 0) out << "  adjust " << w.GetAdjust(t) << '\n';
        if (copy > 0) continue;
        for (int k = 1; k <= w.GetLineCount(t); ++k) {
            const TWordsLine line = w.GetLine(t, k);
            auto time = [](int32_t v) { return v == 0 ? QStringLiteral("--:--.--") : clockText(v); };
            out << "  " << FormatZeroPad(k, 3) << "  " << time(line.StartTime) << "  " << time(line.EndTime) << "  "
                << line.Text << '\n';
        }
    }
    out.flush();
    return ToolDone;
}

int Tool::exportLrc(const QString& arg, const QString& which, const QString& outDir)
{
    const QString path = findDataFile(arg);
    if (path.isEmpty() || !open(path)) return ToolFailed;
    const TWords& w = *words;
    std::vector<int> tracks;
    if (which == QLatin1String("all")) {
        tracks = LrcTracks(w);
        if (tracks.empty()) return fail(QStringLiteral("no track of %1 has timed lyrics").arg(path));
    } else {
        bool ok = false;
        const int t = which.toInt(&ok);
        if (!ok || t < 1 || t > kMaxTracks)
            return usage(QStringLiteral("'%1' is no track number (1 to 99) nor all").arg(which));
        const std::vector<int> timed = LrcTracks(w);
        if (t < first || t > last || std::find(timed.begin(), timed.end(), t) == timed.end())
            return fail(QStringLiteral("track %1 of %2 has no timed lyrics").arg(FormatZeroPad(t, 2), path));
        tracks.push_back(t);
    }
    if (!QDir().mkpath(outDir)) return fail(QStringLiteral("cannot make the folder %1").arg(outDir));
    for (int t : tracks) {
        const QString file = QDir(outDir).filePath(LrcFileName(t, w.GetSongTitle(t)));
        QString error;
        if (!WriteLrcFile(file, TrackLrc(w, t), &error))
            return fail(QStringLiteral("cannot write %1: %2").arg(file, error));
        out << file << '\n';
    }
    out.flush();
    return ToolDone;
}

int Tool::importLrc(const QString& arg, const QString& trackText, const QString& lrcPath)
{
    bool ok = false;
    const int track = trackText.toInt(&ok);
    if (!ok || track < 1 || track > kMaxTracks)
        return usage(QStringLiteral("'%1' is no track number (1 to 99)").arg(trackText));
    const QString path = findDataFile(arg);
    if (path.isEmpty() || !open(path)) return ToolFailed;
    TWords& w = *words;
    if (titledFirst != 0 && (track < titledFirst || track > titledLast))
        return fail(
            QStringLiteral("the disc of %1 has no track %2 (its tracks are %3 to %4)")
                .arg(path, FormatZeroPad(track, 2), FormatZeroPad(titledFirst, 2), FormatZeroPad(titledLast, 2)));
    // A file that names no tracks yet takes any track.
    w.FirstAudioTrack = first = first == 0 ? track : std::min(first, track);
    w.SongCount = last = std::max(last, track);
    w.AudioState = first == 1 ? 1 : 2;
    if (const int copy = w.GetCopyTrack(track); copy > 0)
        return fail(QStringLiteral("track %1 shows the lyrics of track %2; import into track %2, or remove the link")
                        .arg(FormatZeroPad(track, 2), FormatZeroPad(copy, 2)));

    if (const QString why = readTrouble(lrcPath); !why.isEmpty())
        return fail(QStringLiteral("cannot read %1: %2").arg(lrcPath, why));
    const std::optional<ImportedLyrics> text = ReadLyricsFile(lrcPath);
    if (!text) return fail(cannotRead(lrcPath));
    // The data file knows no track lengths: the file's own [length:] or the track's end.
    const LrcLyrics lyrics = ReadLrc(text->Lines, 0);
    if (lyrics.Lines.empty()) return fail(QStringLiteral("%1 has no timed lyrics lines").arg(lrcPath));
    StoreLrc(w, track, lyrics);
    // A track without a title takes the file's, so nothing has to be typed twice.
    if (w.Songs[track].Title.isEmpty() && !lyrics.Title.isEmpty()) w.SetSongTitle(track, lyrics.Title);
    if (!w.Save(dpLyrics))
        return fail(QStringLiteral("cannot save %1: %2; it was left as it was").arg(path, w.LastSaveError));
    out << "Track " << FormatZeroPad(track, 2) << ": " << lyrics.Lines.size() << " lines";
    if (lyrics.Adjust != 0) out << ", adjust " << lyrics.Adjust;
    out << Qt::endl;
    for (const QString& note : ImportNotes(*text, &lyrics))
        err << "mirelune-tool: " << lrcPath << ": " << note << Qt::endl;
    return ToolDone;
}

} // namespace

int RunTool(const QStringList& args, const QString& settingsFolder, const QString& defaultSettings,
            const QString& defaultDataFolder, QTextStream& out, QTextStream& err)
{
    Tool tool(out, err);
    return tool.run(args, settingsFolder, defaultSettings, defaultDataFolder);
}
