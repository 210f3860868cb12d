#pragma once
// Where the program keeps its files: beside the executable when a Mirelune.ini stands
// there (portable, as the program always did), else in the user's config and data folders.
#include <QString>
#include <QStringList>

struct ProgramPaths {
    QString settingsFile;
    QString logFile;
    QString helpFile;
    QString dataFolder; // the default folder of the disc data files
    // Where a settings file named without a folder (-i:NAME) lives: the settings file's
    // own folder, beside the executable only in portable mode (an installed program's
    // folder is no place for the user's files).
    QString settingsFolder;
    bool portable = false;
};

// The paths for an executable at exePath (the help pages beside it, else where an
// installation puts them: share/mirelune/help beside its bin folder); configDir and dataDir are the user's folders
// used when no Mirelune.ini stands beside the executable.
ProgramPaths DefaultPaths(const QString& exePath, const QString& configDir, const QString& dataDir);

// Applies the -i option (also /i, -I; the value after ":" or "=", or straight after the
// letter) to the settings file: ".ini" is added to a value without an extension and a
// value without a folder is taken in nameFolder (ProgramPaths::settingsFolder). A later
// option wins; arguments are those after the program name.
QString SettingsFileFromArgs(const QStringList& args, const QString& nameFolder, const QString& settingsFile);
