#include "CommandLine.h"

namespace {
// "/i" of the old Windows command line, in the forms no path takes: "/i:x", "/i=x", or
// "/i" and a name without a folder ("/iother"). "/images/x.cue" is a path.
bool IsSlashSettingsOption(const QString& arg)
{
    if (arg.size() < 2 || arg[1].toLower() != QLatin1Char('i')) return false;
    if (arg.size() >= 3 && (arg[2] == QLatin1Char(':') || arg[2] == QLatin1Char('='))) return true;
    return !arg.mid(2).contains(QLatin1Char('/'));
}

// The toolkit's options (QGuiApplication and QApplication take them out of the arguments
// themselves), written with one dash or two; those of the first list take a value, as the
// next argument or after "=".
const char* const kQtValueOptions[] = {"platform",        "platformpluginpath",
                                       "platformtheme",   "plugin",
                                       "qwindowgeometry", "geometry",
                                       "qwindowicon",     "icon",
                                       "qwindowtitle",    "title",
                                       "display",         "name",
                                       "style",           "stylesheet",
                                       "session",         "qmljsdebugger"};
const char* const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};

// The menu entry's actions.
const char* const kCommands[] = {"play-pause", "next", "previous", "stop"};

enum class QtOption { None, Flag, Value, ValueGiven };

QtOption QtOptionOf(const QString& arg)
{
    QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    const bool valueGiven = equals >= 0;
    if (valueGiven) name.truncate(equals);
    for (const char* o : kQtValueOptions)
        if (name == QLatin1String(o)) return valueGiven ? QtOption::ValueGiven : QtOption::Value;
    for (const char* o : kQtFlagOptions)
        if (name == QLatin1String(o) && !valueGiven) return QtOption::Flag;
    return QtOption::None;
}
} // namespace

CommandLine ParseCommandLine(const QStringList& args, const std::function<bool(const QString&)>& exists)
{
    CommandLine c;
    const auto fail = [&c](const QString& why) {
        if (c.Error.isEmpty()) c.Error = why;
    };
    const auto disc = [&c](const QString& path) { c.DiscPath = path; }; // a later one wins
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg.isEmpty()) continue;
        if (optionsEnd || arg == QLatin1String("-") ||
            !(arg.startsWith(QLatin1Char('-')) || arg.startsWith(QLatin1Char('/')))) {
            disc(arg);
        } else if (arg.startsWith(QLatin1Char('/'))) {
            if (!exists(arg) && IsSlashSettingsOption(arg))
                c.Options << arg;
            else
                disc(arg);
        } else if (arg == QLatin1String("--")) {
            optionsEnd = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h") || arg == QLatin1String("-?")) {
            c.Help = true;
        } else if (arg == QLatin1String("--version") || arg == QLatin1String("-V")) {
            c.Version = true;
        } else if (const QtOption qt = QtOptionOf(arg); qt != QtOption::None) {
            if (arg.section(QLatin1Char('='), 0, 0).endsWith(QLatin1String("-platform"))) c.PlatformChosen = true;
            if (qt == QtOption::Value) {
                if (i + 1 >= args.size()) fail(QStringLiteral("option %1 needs a value").arg(arg));
                ++i; // the value is the toolkit's too
            }
        } else if (arg.startsWith(QLatin1String("--"))) {
            bool known = false;
            for (const char* command : kCommands) {
                if (arg.mid(2) != QLatin1String(command)) continue;
                known = true;
                if (!c.Command.isEmpty() && c.Command != arg.mid(2)) fail(QStringLiteral("one command at a time"));
                c.Command = arg.mid(2);
            }
            if (!known) fail(QStringLiteral("unknown option %1").arg(arg));
        } else if (arg[1].toLower() == QLatin1Char('i')) {
            c.Options << arg; // -i:x, -i=x, -ix, -I...
        } else {
            fail(QStringLiteral("unknown option %1").arg(arg));
        }
    }
    return c;
}

QString PreferredPlatform(const CommandLine& line, const std::function<QString(const char*)>& env)
{
    if (line.PlatformChosen || !env("QT_QPA_PLATFORM").isEmpty()) return {};
    const bool wayland = !env("WAYLAND_DISPLAY").isEmpty() ||
                         env("XDG_SESSION_TYPE").compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
    return wayland ? QStringLiteral("xcb;wayland") : QString();
}

bool CompositorPlacesWindows(const QString& platformName)
{
    return platformName.startsWith(QLatin1String("wayland"), Qt::CaseInsensitive);
}

QString UsageText()
{
    return QStringLiteral("Usage: mirelune [-i:SETTINGS] [COMMAND] [[--] DISC]\n"
                          "A CD player that shows the lyrics of the playing song, line by line, in time.\n"
                          "\n"
                          "  DISC          a disc image, a cue sheet or a drive (/dev/sr1) to play as\n"
                          "                the drive for this run; the drive setting is left as it is\n"
                          "  -i:SETTINGS   use this settings file (also -i=, -iSETTINGS, /i:); \".ini\" is\n"
                          "                added when it has no extension, and a name without a folder\n"
                          "                is taken in the folder of the default settings file\n"
                          "                (~/.config/Mirelune, or beside the program when a\n"
                          "                Mirelune.ini stands there)\n"
                          "  --play-pause, --next, --previous, --stop\n"
                          "                tell the running Mirelune to play or pause, go to the next or\n"
                          "                previous track, or stop (with none running, --play-pause\n"
                          "                starts one that plays the disc as soon as it is read)\n"
                          "  -h, --help    print this help and end\n"
                          "  -V, --version print the version and end\n"
                          "\n"
                          "A second start brings the running Mirelune to the front and ends; a disc it\n"
                          "names is played by the running one, for its run.\n"
                          "The toolkit's own options (-style NAME, -platform NAME, ...) are taken as well.\n"
                          "On a Wayland session Mirelune runs through Xwayland, where its windows keep\n"
                          "their places and the lyrics window stays on top; with -platform wayland (or\n"
                          "QT_QPA_PLATFORM=wayland) the compositor places the windows, and the places\n"
                          "saved from an earlier run are kept.\n"
                          "Exit status: 0, or 1 when the disc named or the drive cannot be opened or an\n"
                          "answer cannot be written,\n"
                          "2 for arguments that cannot be taken.\n");
}

QString VersionText(const QString& version) { return QStringLiteral("Mirelune %1\n").arg(version); }
