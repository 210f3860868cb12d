#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include "core/app/CommandLine.h"
#include "core/app/Paths.h"

TEST(Paths, PortableBesideTheExecutableElseTheUsersFolders)
{
    QTemporaryDir dir;
    const QString exe = dir.filePath(QStringLiteral("mirelune"));
    ProgramPaths p = DefaultPaths(exe, QStringLiteral("/cfg/Mirelune"), QStringLiteral("/data/Mirelune"));
    EXPECT_FALSE(p.portable);
    EXPECT_EQ(p.settingsFile, QStringLiteral("/cfg/Mirelune/Mirelune.ini"));
    EXPECT_EQ(p.logFile, QStringLiteral("/data/Mirelune/Mirelune.log"));
    EXPECT_EQ(p.dataFolder, QStringLiteral("/data/Mirelune/"));

    QFile ini(dir.filePath(QStringLiteral("Mirelune.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.close();
    p = DefaultPaths(exe, QStringLiteral("/cfg/Mirelune"), QStringLiteral("/data/Mirelune"));
    EXPECT_TRUE(p.portable);
    EXPECT_EQ(p.settingsFile, dir.filePath(QStringLiteral("Mirelune.ini")));
    EXPECT_EQ(p.logFile, dir.filePath(QStringLiteral("Mirelune.log")));
    EXPECT_EQ(p.dataFolder, dir.path() + QLatin1Char('/'));
}

TEST(Paths, AnIOptionNameWithoutAFolderLivesBesideTheDefaultSettingsFile)
{
    // Installed (no Mirelune.ini beside the program): in the user's config folder, never
    // in the program's own folder (/usr/bin).
    QTemporaryDir dir;
    const QString exe = dir.filePath(QStringLiteral("mirelune"));
    ProgramPaths p = DefaultPaths(exe, QStringLiteral("/cfg/Mirelune"), QStringLiteral("/data/Mirelune"));
    EXPECT_EQ(p.settingsFolder, QStringLiteral("/cfg/Mirelune"));
    EXPECT_EQ(SettingsFileFromArgs({QStringLiteral("-i:other")}, p.settingsFolder, p.settingsFile),
              QStringLiteral("/cfg/Mirelune/other.ini"));
    EXPECT_EQ(SettingsFileFromArgs({QStringLiteral("-i:./other")}, p.settingsFolder, p.settingsFile),
              QStringLiteral("./other.ini"));

    // Portable: everything beside the executable, as before.
    QFile ini(dir.filePath(QStringLiteral("Mirelune.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.close();
    p = DefaultPaths(exe, QStringLiteral("/cfg/Mirelune"), QStringLiteral("/data/Mirelune"));
    EXPECT_EQ(SettingsFileFromArgs({QStringLiteral("/i=other")}, p.settingsFolder, p.settingsFile),
              dir.filePath(QStringLiteral("other.ini")));
}

TEST(Paths, TheIOptionInAllItsForms)
{
    const QString exeDir = QStringLiteral("/opt/mirelune");
    const QString def = QStringLiteral("/cfg/Mirelune.ini");
    auto with = [&](const QStringList& args) { return SettingsFileFromArgs(args, exeDir, def); };

    EXPECT_EQ(with({}), def);
    EXPECT_EQ(with({QStringLiteral("-i:other")}), QStringLiteral("/opt/mirelune/other.ini"));
    EXPECT_EQ(with({QStringLiteral("/i=other.ini")}), QStringLiteral("/opt/mirelune/other.ini"));
    EXPECT_EQ(with({QStringLiteral("-iother")}), QStringLiteral("/opt/mirelune/other.ini"));
    EXPECT_EQ(with({QStringLiteral("-I:my")}), QStringLiteral("/opt/mirelune/my.ini"));
    // /i alone names the file ".ini" beside the executable.
    EXPECT_EQ(with({QStringLiteral("/i")}), QStringLiteral("/opt/mirelune/.ini"));
    // A value with a folder is that very file; its extension is kept.
    EXPECT_EQ(with({QStringLiteral("-i:/x/y.conf")}), QStringLiteral("/x/y.conf"));
    EXPECT_EQ(with({QStringLiteral("-i:build/demo/Mirelune.ini")}), QStringLiteral("build/demo/Mirelune.ini"));
    EXPECT_EQ(with({QStringLiteral("-i:a.d/b")}), QStringLiteral("a.d/b.ini"));
    // Other letters and plain arguments are ignored; a later -i wins.
    EXPECT_EQ(with({QStringLiteral("-x:foo"), QStringLiteral("plain"), QStringLiteral("-")}), def);
    EXPECT_EQ(with({QStringLiteral("-i:one"), QStringLiteral("-i:two")}), QStringLiteral("/opt/mirelune/two.ini"));
}

TEST(Paths, InstalledTheHelpPagesAreFoundInTheDataFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("share/mirelune/help")));
    const QString exe = dir.filePath(QStringLiteral("bin/mirelune"));
    auto helpFile = [&] { return DefaultPaths(exe, QStringLiteral("/c"), QStringLiteral("/d")).helpFile; };
    // Nowhere yet: the name beside the executable, so that a message names it.
    EXPECT_EQ(helpFile(), dir.filePath(QStringLiteral("bin/help/Mirelune.html")));
    QFile installed(dir.filePath(QStringLiteral("share/mirelune/help/Mirelune.html")));
    ASSERT_TRUE(installed.open(QIODevice::WriteOnly));
    installed.close();
    EXPECT_EQ(helpFile(), installed.fileName());
    // Pages beside the executable (a build folder, a portable copy) come first.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("bin/help")));
    QFile beside(dir.filePath(QStringLiteral("bin/help/Mirelune.html")));
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    EXPECT_EQ(helpFile(), beside.fileName());
}

TEST(CommandLineTest, OptionsOldAndNewAndTheDiscToPlay)
{
    const QStringList existing{QStringLiteral("/images/disc.cue"), QStringLiteral("/ifile.cue")};
    auto parse = [&](const QStringList& args) {
        return ParseCommandLine(args, [&](const QString& p) { return existing.contains(p); });
    };
    CommandLine c = parse({});
    EXPECT_FALSE(c.Help || c.Version);
    EXPECT_TRUE(c.DiscPath.isEmpty() && c.Options.isEmpty() && c.Error.isEmpty() && c.Command.isEmpty());

    c = parse(
        {QStringLiteral("--version"), QStringLiteral("--help"), QStringLiteral("--frobnicate"), QStringLiteral("--x")});
    EXPECT_TRUE(c.Help && c.Version);
    EXPECT_EQ(c.Error, QStringLiteral("unknown option --frobnicate"));

    // The settings option in its old forms stays an option; a path is the disc.
    c = parse(
        {QStringLiteral("-i:other"), QStringLiteral("/i=x.ini"), QStringLiteral("/I"), QStringLiteral("disc.cue")});
    EXPECT_EQ(c.Options, (QStringList{QStringLiteral("-i:other"), QStringLiteral("/i=x.ini"), QStringLiteral("/I")}));
    EXPECT_EQ(c.DiscPath, QStringLiteral("disc.cue"));
    EXPECT_TRUE(c.Error.isEmpty());
    // Any other option is refused, as QCommandLineParser refuses it (it was ignored).
    EXPECT_EQ(parse({QStringLiteral("-x")}).Error, QStringLiteral("unknown option -x"));
    // An absolute path that exists is a disc even when it starts like /i. One that does
    // not exist is the option only in a form no path has (/i:, /i=, or /i and a name
    // without a folder); else it is a disc, reported later as missing. A later disc wins.
    EXPECT_EQ(parse({QStringLiteral("/ifile.cue")}).DiscPath, QStringLiteral("/ifile.cue"));
    EXPECT_EQ(parse({QStringLiteral("/images/disc.cue")}).DiscPath, QStringLiteral("/images/disc.cue"));
    for (const char* missing : {"/images/gone.cue", "/Images/x/", "/i/gone.cue"}) {
        c = parse({QString::fromLatin1(missing)});
        EXPECT_EQ(c.DiscPath, QString::fromLatin1(missing));
        EXPECT_TRUE(c.Options.isEmpty()) << missing;
    }
    c = parse(
        {QStringLiteral("/iother"), QStringLiteral("/i:/etc/m/x.ini"), QStringLiteral("/I=a/b"), QStringLiteral("/i")});
    EXPECT_EQ(c.Options, (QStringList{QStringLiteral("/iother"), QStringLiteral("/i:/etc/m/x.ini"),
                                      QStringLiteral("/I=a/b"), QStringLiteral("/i")}));
    EXPECT_TRUE(c.DiscPath.isEmpty());
    EXPECT_EQ(SettingsFileFromArgs(parse({QStringLiteral("/i:/etc/m/x.ini")}).Options, QStringLiteral("/opt/m"),
                                   QStringLiteral("/c/Mirelune.ini")),
              QStringLiteral("/etc/m/x.ini"));
    EXPECT_EQ(parse({QStringLiteral("/home/gone.cue"), QStringLiteral("/dev/sr1")}).DiscPath,
              QStringLiteral("/dev/sr1"));
    // The options reach the settings file as before.
    EXPECT_EQ(SettingsFileFromArgs(parse({QStringLiteral("/images/disc.cue"), QStringLiteral("-i:my")}).Options,
                                   QStringLiteral("/opt/m"), QStringLiteral("/c/Mirelune.ini")),
              QStringLiteral("/opt/m/my.ini"));
}

TEST(CommandLineTest, ShortOptionsTheToolkitsOwnCommandsAndTheEndOfOptions)
{
    auto parse = [](const QStringList& args) { return ParseCommandLine(args, [](const QString&) { return false; }); };
    EXPECT_TRUE(parse({QStringLiteral("-h")}).Help);
    EXPECT_TRUE(parse({QStringLiteral("-?")}).Help);
    EXPECT_TRUE(parse({QStringLiteral("-V")}).Version);

    // The toolkit's options keep their values: none of them is a disc.
    CommandLine c = parse({QStringLiteral("-style"), QStringLiteral("Fusion"), QStringLiteral("--platform"),
                           QStringLiteral("xcb"), QStringLiteral("-stylesheet=a.qss"), QStringLiteral("-reverse"),
                           QStringLiteral("-icon"), QStringLiteral("x.png"), QStringLiteral("disc.cue")});
    EXPECT_TRUE(c.Error.isEmpty()) << c.Error.toStdString();
    EXPECT_EQ(c.DiscPath, QStringLiteral("disc.cue"));
    EXPECT_TRUE(c.Options.isEmpty());
    EXPECT_EQ(parse({QStringLiteral("-style")}).Error, QStringLiteral("option -style needs a value"));
    // -iNAME is still the settings file (only -icon alone is the toolkit's).
    EXPECT_EQ(parse({QStringLiteral("-iconfile")}).Options, QStringList{QStringLiteral("-iconfile")});

    // After "--" everything is a disc, also a name that starts with a dash.
    c = parse({QStringLiteral("--"), QStringLiteral("-odd name.cue")});
    EXPECT_EQ(c.DiscPath, QStringLiteral("-odd name.cue"));
    EXPECT_TRUE(c.Error.isEmpty());

    // The menu entry's actions, one at a time.
    c = parse({QStringLiteral("--play-pause")});
    EXPECT_EQ(c.Command, QStringLiteral("play-pause"));
    EXPECT_EQ(parse({QStringLiteral("--next"), QStringLiteral("--next")}).Command, QStringLiteral("next"));
    EXPECT_FALSE(parse({QStringLiteral("--next"), QStringLiteral("--stop")}).Error.isEmpty());
    EXPECT_EQ(parse({QStringLiteral("--nex")}).Error, QStringLiteral("unknown option --nex"));
}

TEST(CommandLineTest, AWaylandSessionRunsThroughXwaylandUnlessThePlatformWasChosen)
{
    auto parse = [](const QStringList& args) { return ParseCommandLine(args, [](const QString&) { return false; }); };
    QHash<QString, QString> env;
    const auto platform = [&](const QStringList& args) {
        return PreferredPlatform(parse(args), [&](const char* name) { return env.value(QLatin1String(name)); });
    };
    // X11, or no session at all: the toolkit chooses.
    env[QStringLiteral("DISPLAY")] = QStringLiteral(":0");
    EXPECT_TRUE(platform({}).isEmpty());
    // A Wayland session, told either way: X11 through Xwayland, Wayland where there is none.
    env[QStringLiteral("WAYLAND_DISPLAY")] = QStringLiteral("wayland-0");
    EXPECT_EQ(platform({}), QStringLiteral("xcb;wayland"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env[QStringLiteral("XDG_SESSION_TYPE")] = QStringLiteral("wayland");
    EXPECT_EQ(platform({QStringLiteral("disc.cue")}), QStringLiteral("xcb;wayland"));
    // The user's own choice stands, by the environment or by the command line.
    for (const QStringList& chosen : {QStringList{QStringLiteral("-platform"), QStringLiteral("wayland")},
                                      QStringList{QStringLiteral("--platform=wayland")}})
        EXPECT_TRUE(platform(chosen).isEmpty()) << chosen.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(platform({QStringLiteral("-platformtheme"), QStringLiteral("gtk3")}), QStringLiteral("xcb;wayland"));
    env[QStringLiteral("QT_QPA_PLATFORM")] = QStringLiteral("wayland");
    EXPECT_TRUE(platform({}).isEmpty());

    // Only a native Wayland run has its windows placed by the compositor.
    EXPECT_TRUE(CompositorPlacesWindows(QStringLiteral("wayland")));
    EXPECT_TRUE(CompositorPlacesWindows(QStringLiteral("wayland-egl")));
    for (const char* name : {"xcb", "offscreen", ""}) EXPECT_FALSE(CompositorPlacesWindows(QLatin1String(name)));
}
