#pragma once
// A simulated drive, the command set, a settings file in a fresh folder and the disc
// data object built on them.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/common/Commands.h"
#include "core/discdata/DiscRegistry.h"
#include "core/discdata/Words.h"
#include "core/settings/IniFile.h"
#include "support/ManualClock.h"
#include "support/RecordingPresenter.h"
#include "support/SimDevice.h"

class DiscFixture : public ::testing::Test {
protected:
    DiscFixture() : device(clock), words(device, commands, settings)
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
    }

    // Inserts the disc and reads it as the tick does.
    void Insert(const SimDisc& disc)
    {
        device.InsertDisc(disc);
        words.NewDisc(device.TrackCount());
    }

    // Reads the disc in the drive again, as after taking it out and putting it back.
    void Reinsert() { words.NewDisc(device.TrackCount()); }

    QString DataPath(const QString& name) const { return dir.filePath(name + QStringLiteral(".dat")); }

    static QByteArray ReadBytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void WriteBytes(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    // Registers the disc in the settings file under name, with the given data file text.
    void RegisterFile(const QString& name, const QByteArray& bytes)
    {
        WriteBytes(DataPath(name), bytes);
        settings.WordsFileId.clear();
        ASSERT_TRUE(DiscRegistry(settings).Write(words.DiscId, name));
    }

    QTemporaryDir dir;
    ManualClock clock;
    SimDevice device;
    CommandSet commands;
    Settings settings;
    TWords words;
    RecordingPresenter presenter;
};
