#pragma once
// mirelune-tool: the program's disc data files from the command line. Each command
// reads the settings file as the program does (its -i forms) to find the data folder and
// the registry, works through the same disc data object, and ends with an exit status.
#include <QString>
#include <QStringList>
#include <QTextStream>

enum ToolStatus : int { ToolDone = 0, ToolFailed = 1, ToolUsage = 2 };

// Runs the tool on its arguments (those after the program name). defaultSettings is the
// settings file the program would use; settingsFolder is where a bare -i name is taken from.
// What the commands show goes to out, what went wrong to err.
int RunTool(const QStringList& args, const QString& settingsFolder, const QString& defaultSettings,
            const QString& defaultDataFolder, QTextStream& out, QTextStream& err);
