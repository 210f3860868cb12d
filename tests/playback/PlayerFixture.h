#pragma once
// The playback controller on a simulated drive and a manual clock, with windows that
// only remember what they were asked. Time passes only through RunFor, which fires the
// controller's two timers as the event loop would.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/app/PlayerCore.h"
#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniFile.h"
#include "support/FakeHost.h"
#include "support/ManualClock.h"
#include "support/PlayerTime.h"
#include "support/RecordingPresenter.h"
#include "support/SimDevice.h"

class PlayerFixture : public ::testing::Test {
protected:
    PlayerFixture() : device(clock)
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
        // The head arrives at once on the simulated drive; a wait would be a fault.
        player.SeekPause = [this] { clock.Advance(10); };
        // Scripted draws first, then a plain count, so that every rejection draw ends.
        player.Random = [this](int n) {
            if (draws.empty()) return drawCount++ % n;
            const int r = draws.front() % n;
            draws.erase(draws.begin());
            return r;
        };
    }

    // Start-up: the drive is opened and the first tick ends start-up.
    void StartUp()
    {
        ASSERT_TRUE(player.OpenDevice(QString()));
        player.StartTimer();
        player.TimerProc();
    }

    // Start-up with this disc already in the drive, loaded by the first poll.
    void StartWith(const SimDisc& disc)
    {
        device.InsertDisc(disc);
        StartUp();
        RunFor(1000);
        ASSERT_EQ(player.EntryCount() > 0, true);
    }

    void RunFor(uint32_t ms) { time.RunFor(ms); }

    // The next tick polls the drive; runs it.
    void Poll()
    {
        player.PollCountdown = 1;
        player.TimerProc();
    }

    // A press of PrevBtn or NextBtn held for ms, then released.
    void Press(bool next, uint32_t ms)
    {
        host.seekKeys = true;
        player.PrevNextPress(next);
        RunFor(ms);
        host.seekKeys = false;
        player.ReleaseButton();
    }

    int32_t TrackStart(int track) const { return words.SongStart(track); }
    bool Playing() { return device.Mode() == ModePlaying; }
    // Number of head positionings (plays whose start equals their end) since the mark.
    int PositioningsSince(qsizetype mark) const
    {
        int n = 0;
        for (qsizetype i = mark; i < device.calls.size(); ++i) {
            const QString& c = device.calls[i];
            if (!c.startsWith(QLatin1String("Play("))) continue;
            const QStringList parts = c.mid(5, c.size() - 6).split(QLatin1Char(','));
            if (parts.size() == 2 && parts[0] == parts[1]) ++n;
        }
        return n;
    }

    QTemporaryDir dir;
    ManualClock clock;
    SimDevice device;
    CommandSet commands;
    Settings settings;
    RecordingPresenter presenter;
    FakeHost host;
    PlayerCore core{device, clock, settings, commands, host};
    TWords& words = core.words;
    PlaybackController& player = core.controller;
    PlayerTime time{player, clock};
    std::vector<int> draws; // scripted random draws
    int drawCount = 0;
};
