#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/Paths.h"

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
