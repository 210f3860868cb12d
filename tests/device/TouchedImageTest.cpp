// The whole player (controller and the real device on a disc image, on its silent clock)
// while the image's files are touched: a backup setting their times, a tagger writing a
// file anew. That is no disc change: playback, its position and an open data entry stay.
// Only a disc with another table of contents comes in as a new disc.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <fcntl.h>
#include <sys/stat.h>

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

bool SetTimes(const QString& path, time_t seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

class TouchedImage : public ::testing::Test {
protected:
    TouchedImage()
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
    }

    // The disc in and registered, playing from the start of track 2.
    void StartPlaying(const QString& image)
    {
        ASSERT_TRUE(player.OpenDevice(image)) << device.OpenError().toStdString();
        player.StartTimer();
        ASSERT_TRUE(RunUntil([&] { return player.EntryCount() == 4; }, 5000));
        ASSERT_FALSE(words.Register(QStringLiteral("Touched")));
        ASSERT_TRUE(words.HasFile());
        player.SelectEntry(2);
        ASSERT_TRUE(RunUntil([&] { return device.Position() > 14500; }, 5000));
        host.events.clear();
    }

    // While files are touched for a second or so, nothing is unloaded or loaded and the
    // position goes on in real time.
    void ExpectSameDiscGoingOn(const std::function<void()>& touch, bool playing)
    {
        const int32_t from = device.Position();
        QElapsedTimer wall;
        wall.start();
        touch();
        RunEvents(1200);
        EXPECT_FALSE(host.events.contains(QStringLiteral("CloseDiscDialogs"))) << host.events.join(' ').toStdString();
        EXPECT_FALSE(host.events.contains(QStringLiteral("WriteLogLine")));
        EXPECT_FALSE(host.events.contains(QStringLiteral("CloseDiscManager"))) << "loaded again";
        EXPECT_EQ(player.DeviceModeNow, playing ? ModePlaying : ModeStopped);
        EXPECT_TRUE(words.HasFile());
        EXPECT_EQ(player.EntryCount(), 4);
        const int32_t to = device.Position();
        if (playing) {
            EXPECT_EQ(player.CurrentTrack, 2);
            EXPECT_TRUE(player.Started());
            EXPECT_NEAR(to - from, wall.elapsed(), 400) << "from " << from << " to " << to;
        } else {
            EXPECT_EQ(to, from);
        }
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

TEST_F(TouchedImage, TouchingTheFilesWhilePlayingOrInDataEntryIsNoDiscChangeButAnotherDiscIs)
{
    const QString cue = WriteCueImage(dir.path(), QStringLiteral("disc"), kDisc);
    const QString bin = dir.filePath(QStringLiteral("disc.bin"));
    StartPlaying(cue);

    {
        SCOPED_TRACE("touched while playing");
        ExpectSameDiscGoingOn([&] { ASSERT_TRUE(SetTimes(bin, 1000000000) && SetTimes(cue, 1000000000)); }, true);
    }
    {
        SCOPED_TRACE("the image written anew while playing");
        ExpectSameDiscGoingOn(
            [&] {
                ASSERT_TRUE(QFile::copy(bin, bin + ".new"));
                ASSERT_TRUE(QFile::remove(bin));
                ASSERT_TRUE(QFile::rename(bin + ".new", bin));
            },
            true);
    }

    // Data entry opens (it stops playback; the tick leaves the drive to it).
    commands.StopBtn->trigger();
    player.InDataEntry = true;
    host.dialogOpen = true;
    host.onCloseDiscDialogs = [this] {
        host.dialogOpen = false;
        player.InDataEntry = false;
    };
    RunEvents(500);
    host.events.clear();
    {
        SCOPED_TRACE("touched in data entry");
        ExpectSameDiscGoingOn([&] { ASSERT_TRUE(SetTimes(bin, 1100000000)); }, false);
        EXPECT_TRUE(player.InDataEntry) << "data entry was cancelled";
        EXPECT_TRUE(host.dialogOpen);
    }

    // Another disc put in the image's place: data entry is cancelled, the disc goes and
    // the new one comes in.
    ASSERT_EQ(WriteCueImage(dir.path(), QStringLiteral("disc"), {{900}, {900}, {900}}), cue);
    ASSERT_TRUE(RunUntil([&] { return player.EntryCount() == 3; }, 5000));
    EXPECT_EQ(host.events.count(QStringLiteral("CloseDiscDialogs")), 1);
    EXPECT_EQ(host.events.count(QStringLiteral("WriteLogLine")), 1);
    EXPECT_FALSE(player.InDataEntry);
    EXPECT_FALSE(words.HasFile()) << "the new disc is not registered";
}

} // namespace
