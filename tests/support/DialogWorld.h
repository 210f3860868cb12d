#pragma once
// The main window on the simulated drive and a manual clock, with the settings file and
// the data folder in a temporary folder: what the program's dialogs run against.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniFile.h"
#include "support/ManualClock.h"
#include "support/PlayerTime.h"
#include "support/RecordingPresenter.h"
#include "support/SimDevice.h"
#include "ui/app/Application.h"
#include "ui/main/Main.h"

// The main window with the Shift key under the test's control.
class ShiftForm : public TMainForm {
public:
    using TMainForm::TMainForm;
    bool shift = false;
    bool ShiftHeld() const override { return shift; }
};

class DialogWorld : public ::testing::Test {
protected:
    DialogWorld() : device(clock)
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.filePath(QStringLiteral("data")) + QLatin1Char('/');
        QDir().mkpath(settings.DefaultDataFolder);
        playLog.path = dir.filePath(QStringLiteral("Mirelune.log"));
        player.SeekPause = [this] { clock.Advance(10); };
        form.PlaybackOnExit = [](bool) {};
    }

    // Start-up with this disc (or none) in the drive, up to the first tick.
    void Start(const std::optional<SimDisc>& disc)
    {
        if (disc) device.InsertDisc(*disc);
        ASSERT_TRUE(player.OpenDevice(QString()));
        LoadSettings(settings, spSettings);
        form.ApplySettings();
        player.StartTimer();
        player.TimerProc();
        time.RunFor(1500);
    }

    QString DataPath(const QString& name) const { return settings.DefaultDataFolder + name + QStringLiteral(".dat"); }

    QTemporaryDir dir;
    ManualClock clock;
    SimDevice device;
    Settings settings;
    RecordingPresenter presenter;
    // The program's objects as it builds them, with this main window.
    Application app{device, clock, settings, Application::Make<ShiftForm>()};
    CommandSet& commands = app.commands;
    PlayLog& playLog = app.playLog;
    TWords& words = app.words;
    ShiftForm& form = static_cast<ShiftForm&>(app.Form());
    PlaybackController& player = app.controller;
    PlayerTime time{player, clock};
};
