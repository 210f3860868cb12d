#include "Paths.h"

#include <QDir>
#include <QFileInfo>

ProgramPaths DefaultPaths(const QString& exePath, const QString& configDir, const QString& dataDir)
{
    const QFileInfo exe(exePath);
    const QDir exeDir = exe.absoluteDir();
    ProgramPaths p;
    // Beside the executable in a build folder or a portable copy; installed, under the data folder.
    p.helpFile = exeDir.filePath(QStringLiteral("help/Mirelune.html"));
#ifdef MIRELUNE_INSTALLED_HELP
    const QString installed = QDir::cleanPath(
        exeDir.filePath(QStringLiteral(MIRELUNE_INSTALLED_HELP "/Mirelune.html")));
    if (!QFileInfo::exists(p.helpFile) && QFileInfo::exists(installed)) p.helpFile = installed;
#endif
    const QString beside = exeDir.filePath(QStringLiteral("Mirelune.ini"));
    if (QFileInfo::exists(beside)) {
        p.portable = true;
        p.settingsFile = beside;
        p.logFile = exeDir.filePath(QStringLiteral("Mirelune.log"));
        p.dataFolder = exeDir.absolutePath() + QLatin1Char('/');
    } else {
        p.settingsFile = QDir(configDir).filePath(QStringLiteral("Mirelune.ini"));
        p.logFile = QDir(dataDir).filePath(QStringLiteral("Mirelune.log"));
        p.dataFolder = QDir(dataDir).absolutePath() + QLatin1Char('/');
    }
    p.settingsFolder = QFileInfo(p.settingsFile).absolutePath();
    return p;
}

QString SettingsFileFromArgs(const QStringList& args, const QString& nameFolder, const QString& settingsFile)
{
    QString result = settingsFile;
    for (const QString& arg : args) {
        if (arg.size() < 2 || (arg[0] != QLatin1Char('-') && arg[0] != QLatin1Char('/'))) continue;
        if (arg[1].toLower() != QLatin1Char('i')) continue;
        QString value = arg.size() > 2 && (arg[2] == QLatin1Char(':') || arg[2] == QLatin1Char('=')) ? arg.mid(3)
                                                                                                     : arg.mid(2);
        const int slash = value.lastIndexOf(QLatin1Char('/'));
        if (!value.mid(slash + 1).contains(QLatin1Char('.'))) value += QStringLiteral(".ini");
        if (slash < 0) value = QDir(nameFolder).filePath(value);
        result = value;
    }
    return result;
}
