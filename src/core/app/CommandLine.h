#pragma once
// The program's arguments, read by the rules of QCommandLineParser: short options
// (-h, -V), long ones (--help), "--" before an argument that starts with "-", and an
// unknown option is an error. The settings-file option keeps its old forms (-i:x, -i=x, -ix, /i:x, ...), and the
// toolkit's own options (-style Fusion, --platform xcb, ...) are left, value and all, to
// the toolkit.
#include <QString>
#include <QStringList>
#include <functional>

struct CommandLine {
    bool Help = false;
    bool Version = false;
    QString Error;       // why the arguments cannot be taken; empty when they can
    QStringList Options; // the settings-file options in their old forms, in order
    QString DiscPath;    // the image, cue sheet or drive named; empty when none (a later one wins)
    // A command for the running program (the menu entry's actions): "play-pause",
    // "next", "previous" or "stop"; empty when none.
    QString Command;
};

// Splits the arguments after the program name. "/..." is a path when that file exists,
// else the old Windows "/i" option when it reads as one no path could be ("/i:x", "/i=x",
// "/iname" without a folder), else a path too, so that a mistyped disc is reported rather
// than ignored.
CommandLine ParseCommandLine(const QStringList& args, const std::function<bool(const QString&)>& exists);

// What --help prints, and what --version prints.
QString UsageText();
QString VersionText(const QString& version);
