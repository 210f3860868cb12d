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
} // namespace

CommandLine ParseCommandLine(const QStringList& args, const std::function<bool(const QString&)>& exists)
{
    CommandLine c;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--help")) {
            c.Help = true;
        } else if (arg == QLatin1String("--version")) {
            c.Version = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            if (c.UnknownOption.isEmpty()) c.UnknownOption = arg;
        } else if (arg.startsWith(QLatin1Char('-'))) {
            c.Options << arg;
        } else if (arg.startsWith(QLatin1Char('/')) && !exists(arg) && IsSlashSettingsOption(arg)) {
            c.Options << arg;
        } else if (!arg.isEmpty()) {
            c.DiscPath = arg;
        }
    }
    return c;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: mirelune [-i:SETTINGS] [DISC]\n"
        "A CD player that shows the lyrics of the playing song, line by line, in time.\n"
        "\n"
        "  DISC          a disc image, a cue sheet or a drive (/dev/sr1) to play as\n"
        "                the drive for this run; the drive setting is left as it is\n"
        "  -i:SETTINGS   use this settings file (also -i=, -iSETTINGS, /i:); \".ini\" is\n"
        "                added when it has no extension, and a name without a folder\n"
        "                is taken in the folder of the default settings file\n"
        "                (~/.config/Mirelune, or beside the program when a\n"
        "                Mirelune.ini stands there)\n"
        "  --help        print this help and end\n"
        "  --version     print the version and end\n"
        "\n"
        "A second start brings the running Mirelune to the front and ends.\n");
}

QString VersionText(const QString& version) { return QStringLiteral("Mirelune %1\n").arg(version); }
