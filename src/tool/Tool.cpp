#include "Tool.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <memory>

#include "core/app/Paths.h"
#include "core/common/Commands.h"
#include "core/common/Etc.h"
#include "core/common/SafeSave.h"
#include "core/discdata/DataFile.h"
#include "core/discdata/DataFileName.h"
#include "core/discdata/DiscRegistry.h"
#include "core/discdata/Lrc.h"
#include "core/discdata/Words.h"
#include "core/entry/DataEntry.h"
#include "core/online/MusicBrainzId.h"
#include "core/online/OnlineFill.h"
#include "core/playback/StillDrive.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"
#include "device/CueSource.h"
#include "device/DiscDevice.h"
#include "device/WebClient.h"

namespace {

const char* const kHelp = R"(Usage: mirelune-tool [-i:SETTINGS] COMMAND ARGUMENTS...

Mirelune's disc data files from the command line.

Commands:
  id DRIVE|IMAGE|CUE
      The disc's identifier, its data file when it is registered, and its tracks.
  show DATAFILE
      The titles, the lyrics of every track with their times (and the times of
      their words, when they have them), and the program.
  export-lrc DATAFILE TRACK|all OUTDIR
      Writes the timed lyrics of the track (or of every track that has them) as
      LRC files named "NN title.lrc" into OUTDIR, replacing files of the same name.
      The times are those the lyrics window shows, the track's correction included;
      lines not yet timed are left out. Word times are written as word tags
      (<mm:ss.xx>word), the last tag the line's end.
  import-lrc DATAFILE TRACK FILE.lrc
      Replaces the track's lyrics, times and correction by those of the LRC file
      (an [offset:] becomes the correction; word tags <mm:ss.xx> become the
      times of the line's words) and saves the data file. Lines it
      skips (no time, a tag it cannot read), lines moved off 00:00.00 and bytes
      that are no text are told on standard error. Only that track (and its
      title, when it had none) is written; the rest stays as it is.

  fetch-titles DISC
      Looks the disc up on the titles service (MusicBrainz, by its disc id) and
      fills the registered disc's empty disc title, artist and track titles. When
      several releases carry the disc, the first is taken and the others listed.
  fetch-lyrics DISC TRACK|all
      Looks up the synced lyrics of the track (or of every track) without lyrics
      on the lyrics service (LRCLIB, by title, artist, album and length) and
      stores them with their times; lyrics without times are stored as lines
      without times. A track needs its title first.
      DISC is a drive, disc image or cue sheet, as for id, and must be
      registered. --replace overwrites what is there. Nothing is sent but these
      requests; answers are kept for a week in ~/.cache/mirelune/online. The
      services' addresses are the settings file's [Online] TitlesServer and
      LyricsServer; LookUps=0 there turns look-ups off. Exit status 0 when
      something was found.

Mirelune may hold the disc meanwhile: it picks such a change up, reading the data
file again as soon as none of its dialogs is open, and a data entry open at the
time saves only what was changed in it, over the file's new content. Runs of the
tool at once, and Mirelune's own saves, take turns on a data file: none loses
another's change.

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
  --replace  fetch-titles and fetch-lyrics overwrite titles and lyrics already there.
  -h, --help This text.
  -V, --version
             The version, as "mirelune-tool VERSION".

Exit status: 0 done, 1 failed (the data file is left as it was) or the output
could not be written, 2 wrong usage.
)";

// Why a file cannot be read: the reason, or empty when it can be. A FIFO or a device is
// refused rather than waited on.
QString readTrouble(const QString& path)
{
    FileRead file;
    QString why;
    if (!ReadFileWhole(path, kMaxTextFileBytes, &file, &why)) return why;
    return file.id.exists ? QString() : QStringLiteral("no such file");
}

// "cannot open NAME: why", NAME once: the drive's reason may start with it already.
QString cannotOpen(const QString& name, const QString& why)
{
    const QString prefix = name + QStringLiteral(": ");
    return QStringLiteral("cannot open ") + (why.startsWith(prefix) ? why : prefix + why);
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
    int fetchTitles(const QString& drive);
    int fetchLyrics(const QString& drive, const QString& which);

    // Opens the drive and reads its disc into disc; false (after saying why) when it has no
    // disc, no audio, or is not registered.
    bool openDisc(const QString& name, DiscDevice& device, std::unique_ptr<TWords>& disc);
    // Saves what a look-up filled; false (after saying why) when it cannot.
    bool saveFilled(TWords& disc);
    // Tells that the last save turned the data file into UTF-8.
    void noteUtf8(const TWords& disc);

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
    bool replace = false;                // --replace
};

// Runs a look-up to its end (the client answers within its time-out).
template <class Result, class Start> Result waitFor(Start start)
{
    Result result;
    bool done = false;
    QEventLoop loop;
    start([&](const Result& r) {
        result = r;
        done = true;
        loop.quit();
    });
    if (!done) loop.exec();
    return result;
}

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
        if (arg == QLatin1String("--replace")) {
            replace = true;
            continue;
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
    if (!LoadDataFolder(settings) || !LoadSection(settings, u"Online"))
        return fail(QStringLiteral("cannot read the settings file %1").arg(settings.IniPath));
    words = std::make_unique<TWords>(drive, commands, settings);

    const QString command = operands.takeFirst();
    const struct {
        const char* name;
        int count;
    } commandsKnown[] = {{"id", 1},         {"show", 1},         {"export-lrc", 3},
                         {"import-lrc", 3}, {"fetch-titles", 1}, {"fetch-lyrics", 2}};
    for (const auto& c : commandsKnown) {
        if (command != QLatin1String(c.name)) continue;
        if (operands.size() != c.count)
            return usage(
                QStringLiteral("%1 takes %2 argument%3").arg(command).arg(c.count).arg(c.count == 1 ? "" : "s"));
        if (command == QLatin1String("id")) return id(operands[0]);
        if (command == QLatin1String("show")) return show(operands[0]);
        if (command == QLatin1String("export-lrc")) return exportLrc(operands[0], operands[1], operands[2]);
        if (command == QLatin1String("fetch-titles")) return fetchTitles(operands[0]);
        if (command == QLatin1String("fetch-lyrics")) return fetchLyrics(operands[0], operands[1]);
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
            // The program's rule: an entry never leads out of the data folder.
            if (!IsSafeRegisteredName(registered)) {
                fail(QStringLiteral("the registry entry %1=%2 of %3 leads out of the data folder; it is not followed")
                         .arg(arg, registered, settings.IniPath));
                return QString();
            }
            if (!registered.isEmpty()) name = registered;
        }
        path = DataFilePath(settings, name);
    }
    if (!QFileInfo::exists(path)) {
        fail(QStringLiteral("no data file %1").arg(path));
        return QString();
    }
    if (const QString why = readTrouble(path); !QFileInfo(path).isFile() || !why.isEmpty()) {
        fail(QStringLiteral("cannot read %1: %2").arg(path, why.isEmpty() ? QStringLiteral("it is a folder") : why));
        return QString();
    }
    return path;
}

bool Tool::open(const QString& path)
{
    IniDocument doc;
    const IniFileState state = ReadIniDocument(path, doc);
    if (!state.read) {
        fail(QStringLiteral("cannot read %1: %2").arg(path, state.trouble));
        return false;
    }
    // What the program would not write over, the tool does not either.
    if (const QString trouble = DataFileTrouble(doc); !trouble.isEmpty()) {
        fail(QStringLiteral("%1: %2; nothing was changed").arg(path, trouble));
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
    // A save writes the play type from the play state, as the main window keeps it.
    commands.State.SetType(w.PlayTypeCode & 0xF);
    return true;
}

int Tool::id(const QString& name)
{
    // A drive is a device file too: a name that is nothing was mistyped, not an empty drive.
    const QFileInfo info(name);
    if (!info.exists()) return fail(QStringLiteral("cannot open %1: no such file or drive").arg(name));
    if (info.isDir()) return fail(QStringLiteral("cannot open %1: it is a folder").arg(name));
    DiscDevice device;
    if (!device.Open(name)) return fail(cannotOpen(name, device.OpenError()));
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
    if (const int cut = name.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive) ? CueSource::CutTracks(name) : 0)
        err << "mirelune-tool: " << name << ": the sheet names " << cut
            << " track(s) after the 99th, which a CD cannot hold; they were left out" << Qt::endl;
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
            // The word times under their line, each before its word.
            if (line.Words.empty()) continue;
            out << "       words ";
            for (size_t i = 0; i < line.Words.size(); ++i) {
                const qsizetype to = i + 1 < line.Words.size() ? line.Words[i + 1].At : line.Text.size();
                out << " <" << clockText(line.Words[i].Time) << '>'
                    << QStringView(line.Text).sliced(line.Words[i].At, to - line.Words[i].At).trimmed();
            }
            out << '\n';
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
    noteUtf8(w);
    for (const QString& note : ImportNotes(*text, &lyrics))
        err << "mirelune-tool: " << lrcPath << ": " << note << Qt::endl;
    return ToolDone;
}

bool Tool::openDisc(const QString& name, DiscDevice& device, std::unique_ptr<TWords>& disc)
{
    const QFileInfo info(name);
    if (!info.exists()) return fail(QStringLiteral("cannot open %1: no such file or drive").arg(name)), false;
    if (info.isDir()) return fail(QStringLiteral("cannot open %1: it is a folder").arg(name)), false;
    if (!device.Open(name)) return fail(cannotOpen(name, device.OpenError())), false;
    const int count = device.TrackCount();
    if (count == 0) return fail(QStringLiteral("no disc in %1").arg(name)), false;
    disc = std::make_unique<TWords>(device, commands, settings);
    disc->NewDisc(count);
    if (disc->AudioState == 0) return fail(QStringLiteral("the disc in %1 has no audio track").arg(name)), false;
    if (!disc->HasFile())
        return fail(QStringLiteral("the disc in %1 (disc ID %2) is not registered; register it in Mirelune's disc "
                                   "manager first")
                        .arg(name, disc->DiscId)),
               false;
    if (!settings.OnlineLookUps)
        return fail(QStringLiteral("look-ups are turned off in the settings file (LookUps=0 in [Online])")), false;
    return true;
}

void Tool::noteUtf8(const TWords& disc)
{
    // Said as data entry says it: the old player reads only code page 932.
    if (disc.LastSaveMadeUtf8)
        err << "mirelune-tool: " << disc.FileName
            << ": some text has no code page 932 form, so the data file is now saved as UTF-8 (with a byte-order "
               "mark); the old Windows player cannot read it"
            << Qt::endl;
}

bool Tool::saveFilled(TWords& disc)
{
    if (disc.Save(dpLyrics)) {
        noteUtf8(disc);
        return true;
    }
    fail(QStringLiteral("cannot save %1: %2; it was left as it was").arg(disc.FileName, disc.LastSaveError));
    return false;
}

int Tool::fetchTitles(const QString& name)
{
    DiscDevice device;
    std::unique_ptr<TWords> disc;
    if (!openDisc(name, device, disc)) return ToolFailed;
    const QString id = MusicBrainzDiscId(MusicBrainzTocOf(device));
    device.Close();
    if (id.isEmpty()) return fail(QStringLiteral("the table of contents of %1 gives no disc id").arg(name));
    out << "Data file: " << disc->FileName << "\nMusicBrainz disc ID: " << id << Qt::endl;
    WebClient web;
    const TitlesResult result = waitFor<TitlesResult>(
        [&](auto done) { LookUpTitles(web, settings.TitlesServer, id, AudioTrackCount(*disc), done); });
    switch (result.Status) {
    case LookupStatus::Found: break;
    case LookupStatus::NotFound:
        out << "Nothing found for this disc" << (result.Detail.isEmpty() ? QString() : ": " + result.Detail)
            << Qt::endl;
        return ToolFailed;
    case LookupStatus::Busy:
        return fail(QStringLiteral("the titles service is busy (%1); try again later").arg(result.Detail));
    case LookupStatus::Failed:
        return fail(QStringLiteral("the titles service could not be asked: %1").arg(result.Detail));
    }
    const TitlesRelease& release = result.Releases.front();
    out << "Release: " << ReleaseLine(release) << '\n';
    if (result.Releases.size() > 1) {
        out << result.Releases.size() - 1 << " other release(s) carry this disc; the first was taken:\n";
        for (size_t i = 1; i < result.Releases.size(); ++i) out << "  " << ReleaseLine(result.Releases[i]) << '\n';
    }
    const QStringList filled = FillTitles(*disc, release, replace);
    for (const QString& what : filled) {
        if (what == QLatin1String("title"))
            out << "Filled title: " << disc->Title << '\n';
        else if (what == QLatin1String("artist"))
            out << "Filled artist: " << disc->Artist << '\n';
        else
            out << "Filled track " << what << ": " << disc->GetSongTitle(what.toInt()) << '\n';
    }
    if (filled.isEmpty()) out << "Nothing to fill: the titles are there already (--replace overwrites them)\n";
    out.flush();
    if (!filled.isEmpty() && !saveFilled(*disc)) return ToolFailed;
    return ToolDone;
}

int Tool::fetchLyrics(const QString& name, const QString& which)
{
    int only = 0;
    if (which != QLatin1String("all")) {
        bool ok = false;
        only = which.toInt(&ok);
        if (!ok || only < 1 || only > kMaxTracks)
            return usage(QStringLiteral("'%1' is no track number (1 to 99) nor all").arg(which));
    }
    DiscDevice device;
    std::unique_ptr<TWords> disc;
    if (!openDisc(name, device, disc)) return ToolFailed;
    device.Close();
    TWords& w = *disc;
    if (only != 0 && (only < w.FirstAudioTrack || only > w.SongCount))
        return fail(
            QStringLiteral("the disc has no audio track %1 (its audio tracks are %2 to %3)")
                .arg(FormatZeroPad(only, 2), FormatZeroPad(w.FirstAudioTrack, 2), FormatZeroPad(w.SongCount, 2)));
    out << "Data file: " << w.FileName << Qt::endl;
    WebClient web;
    bool found = false, filled = false;
    for (int t = only != 0 ? only : w.FirstAudioTrack; t <= (only != 0 ? only : w.SongCount); ++t) {
        const QString track = QStringLiteral("Track ") + FormatZeroPad(t, 2) + QStringLiteral(": ");
        if (TrackHasLyrics(w, t) && !replace) {
            out << track << "has lyrics (--replace overwrites them)" << Qt::endl;
            continue;
        }
        if (w.GetSongTitle(t).isEmpty()) {
            out << track << "no title to look the lyrics up by" << Qt::endl;
            continue;
        }
        const LyricsQuery query = LyricsQueryFor(w, t);
        const LyricsResult result = waitFor<LyricsResult>(
            [&](auto done) { LookUpLyrics(web, settings.LyricsServer, query, done); });
        if (result.Status == LookupStatus::Busy) {
            fail(QStringLiteral("the lyrics service is busy (%1); the remaining tracks were not asked")
                     .arg(result.Detail));
            break;
        }
        if (result.Status == LookupStatus::Failed) {
            fail(QStringLiteral("the lyrics service could not be asked: %1").arg(result.Detail));
            break;
        }
        if (result.Status == LookupStatus::NotFound) {
            out << track << "nothing found" << Qt::endl;
            continue;
        }
        found = true;
        const bool timed = !result.Record.Synced.trimmed().isEmpty();
        const int lines = FillLyrics(w, t, result.Record);
        if (lines == 0) {
            out << track << (result.Record.Instrumental ? "instrumental" : "nothing found") << Qt::endl;
            continue;
        }
        filled = true;
        out << track << lines << (timed ? " timed lines" : " lines without times") << Qt::endl;
    }
    if (filled && !saveFilled(w)) return ToolFailed;
    return found ? ToolDone : ToolFailed;
}

} // namespace

int RunTool(const QStringList& args, const QString& settingsFolder, const QString& defaultSettings,
            const QString& defaultDataFolder, QTextStream& out, QTextStream& err)
{
    Tool tool(out, err);
    return tool.run(args, settingsFolder, defaultSettings, defaultDataFolder);
}
