// The whole player (controller, real device, sound server) through a long random run of
// held seeks, quick skips, pauses and selections, as a user with a keyboard makes them.
// Afterwards it must still play in real time, sound the samples it says it plays, and
// keep its threads.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <random>

#include "DeviceTestSupport.h"
#include "core/app/PlayerCore.h"
#include "core/common/Clock.h"
#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniFile.h"
#include "device/DiscDevice.h"
#include "support/FakeHost.h"

namespace {

// Four tracks of 12 s; track n starts at 2000 + (n - 1) * 12000 ms.
const std::vector<TestTrack> kDisc = {{900}, {900}, {900}, {900}};

// The names of this process's threads, sorted.
QStringList Threads()
{
    QStringList names;
    for (const QString& id : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(QStringLiteral("/proc/self/task/%1/comm").arg(id));
        if (f.open(QIODevice::ReadOnly)) names << QString::fromUtf8(f.readAll().trimmed());
    }
    names.sort();
    return names;
}

// Lets the event loop run (timers, the controller's steps) for ms of real time.
void RunEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        RunEvents(10);
    }
    return true;
}

class PlayerStress : public ::testing::Test {
protected:
    PlayerStress()
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
    }

    // A press of PrevBtn or NextBtn held for ms (a fast seek past 350 ms).
    void Press(bool next, int ms)
    {
        host.seekKeys = true;
        player.PrevNextPress(next);
        RunEvents(ms);
        host.seekKeys = false;
        player.ReleaseButton();
    }

    QTemporaryDir dir;
    Settings settings;
    DiscDevice device;
    SystemClock clock;
    CommandSet commands;
    FakeHost host;
    PlayerCore core{device, clock, settings, commands, host};
    TWords& words = core.words;
    PlaybackController& player = core.controller;
};

TEST_F(PlayerStress, ManyHeldSeeksSkipsAndPausesLeavePlaybackAsGoodAsNew)
{
    MonitorRecorder recorder;
    QString why;
    ASSERT_TRUE(recorder.Start(&why)) << why.toStdString();
    const QString cue = WriteCueImage(dir.path(), QStringLiteral("stress"), kDisc);
    ASSERT_TRUE(player.OpenDevice(cue)) << device.OpenError().toStdString();
    ASSERT_FALSE(device.SoundOutputMissing()) << "these tests need the null sink's sound server";
    player.StartTimer();
    ASSERT_TRUE(RunUntil([&] { return player.EntryCount() == 4; }, 5000));
    commands.PlayBtn->trigger();
    RunEvents(500);
    const QStringList threads = Threads();
    ASSERT_TRUE(threads.contains(QStringLiteral("sector-reader"))) << threads.join(' ').toStdString();

    // 50 held seeks and 200 quick skips, pauses and selections, shuffled.
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 rng(seed);
    std::vector<char> ops(50, 'H');
    for (int i = 0; i < 200; ++i) ops.push_back("SPE"[i % 3]);
    std::shuffle(ops.begin(), ops.end(), rng);
    for (char op : ops) {
        switch (op) {
        case 'H': Press(rng() % 2, 400 + static_cast<int>(rng() % 500)); break;
        case 'S': Press(rng() % 2, 20 + static_cast<int>(rng() % 100)); break;
        case 'P': commands.PauseBtn->trigger(); break;
        default: player.SelectEntry(1 + static_cast<int>(rng() % 4)); break;
        }
        RunEvents(static_cast<int>(rng() % 200));
    }
    RunEvents(1000); // a pending quick skip lands

    // Then the first track from its start, playing.
    if (player.IsPaused()) commands.PauseBtn->trigger();
    player.SelectEntry(1);
    ASSERT_TRUE(player.Started());
    ASSERT_FALSE(player.IsPaused());
    RunEvents(1500);
    recorder.Pump();
    const size_t mark = recorder.samples.size();
    QElapsedTimer wall;
    wall.start();
    const int32_t from = device.Position();
    RunEvents(4000);
    const int32_t to = device.Position();
    const double rate = static_cast<double>(to - from) / static_cast<double>(wall.elapsed());
    EXPECT_NEAR(rate, 1.0, 0.02) << "the position moved " << to - from << " ms in " << wall.elapsed() << " ms";

    // What was heard meanwhile is the stretch the position went over, in one piece.
    recorder.WaitFor([&] { return recorder.LastCoded() >= SampleAtMs(to); }, 2000);
    std::vector<int64_t> heard;
    for (size_t i = mark; i < recorder.samples.size(); ++i)
        if (recorder.samples[i] >= 0) heard.push_back(recorder.samples[i]);
    ASSERT_FALSE(heard.empty()) << "nothing was heard";
    // It covers what the position went over (the recording may bring in a little from
    // before, late on a busy machine).
    EXPECT_LE(heard.front(), SampleAtMs(from) + 4410);
    EXPECT_GE(heard.back(), SampleAtMs(to) - 4410);
    for (size_t i = 1; i < heard.size(); ++i) {
        ASSERT_GT(heard[i], heard[i - 1]) << "a stretch played twice at sample " << i;
    }
    const int64_t span = heard.back() - heard.front() + 1;
    EXPECT_GE(static_cast<double>(heard.size()) / static_cast<double>(span), 0.98) << "gaps in the sound";
    const int64_t recorded = static_cast<int64_t>(recorder.samples.size() - mark);
    EXPECT_GE(static_cast<double>(heard.size()) / static_cast<double>(recorded), 0.9) << "silence between the samples";

    EXPECT_EQ(Threads(), threads) << "threads came or went";
    commands.StopBtn->trigger();
}

} // namespace
