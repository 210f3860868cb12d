#pragma once
// The program's arguments: the settings-file option in its old forms (-i, /i), --help and
// --version, and a disc image or cue sheet to play as the drive for this run.
#include <QString>
#include <QStringList>
#include <functional>

struct CommandLine {
    bool Help = false;
    bool Version = false;
    QString UnknownOption; // the first long option we do not know ("--foo"); empty when none
    QStringList Options;   // the old-style options (-i:x, /i=x, ...), in order
    QString DiscPath;      // the image or cue sheet named; empty when none (a later one wins)
};

// Splits the arguments after the program name. "-..." is an option. "/..." is a path when
// that file exists, else the old Windows "/i" option when it reads as one no path could
// be ("/i:x", "/i=x", "/iname" without a folder), else a path too, so that a mistyped
// disc is reported rather than ignored. Anything else is a path.
CommandLine ParseCommandLine(const QStringList& args, const std::function<bool(const QString&)>& exists);

// What --help prints, and what --version prints.
QString UsageText();
QString VersionText(const QString& version);
