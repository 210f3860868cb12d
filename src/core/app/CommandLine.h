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
    bool PlatformChosen = false; // the toolkit's -platform option was given
};

// Splits the arguments after the program name. "/..." is a path when that file exists,
// else the old Windows "/i" option when it reads as one no path could be ("/i:x", "/i=x",
// "/iname" without a folder), else a path too, so that a mistyped disc is reported rather
// than ignored.
CommandLine ParseCommandLine(const QStringList& args, const std::function<bool(const QString&)>& exists);

// The window system the toolkit is asked for; empty leaves the choice to the toolkit.
// On a Wayland session the program runs through Xwayland, with Wayland itself only when
// there is no Xwayland: Wayland lets no client place its windows or keep one on top, and
// the lyrics window lives by both. A platform the user chose (QT_QPA_PLATFORM, -platform)
// is kept. env reads one variable of the environment.
QString PreferredPlatform(const CommandLine& line, const std::function<QString(const char*)>& env);
// The window system places the windows itself (native Wayland): the places they report
// are its inventions, not the user's, and are not saved.
bool CompositorPlacesWindows(const QString& platformName);

// What --help prints, and what --version prints.
QString UsageText();
QString VersionText(const QString& version);
