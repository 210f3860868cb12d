// DiscDevice on disc images without a sound server: the table of contents, broken
// images, the virtual tray, and playback on the silent clock. (ctest points
// PULSE_SERVER at a socket that does not exist.)
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstring>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#include "DeviceTestSupport.h"
#include "device/CdioSource.h"
#include "device/DiscDevice.h"

namespace {

// Runs the event loop until pred holds; false after timeoutMs.
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 5000)
{
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (pred() || t.elapsed() > timeoutMs) loop.quit();
    });
    tick.start();
    if (!pred()) loop.exec();
    return pred();
}

// The controller's way of moving the head.
void SeekTo(DiscDevice& dev, int32_t p)
{
    dev.Stop();
    dev.SetStartPos(p);
    dev.SetEndPos(p);
    dev.SetWait(true);
    dev.Play();
}

class DiscDeviceImages : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    DiscDevice dev;
};

TEST_F(DiscDeviceImages, TableOfContentsInMillisecondsAndInTheOldTmsfForm)
{
    const QString cue = WriteCueImage(dir.path(), "disc", {{225}, {300}, {150}});
    ASSERT_TRUE(dev.Open(cue)) << dev.OpenError().toStdString();
    dev.SetTimeFormat(TimeFormatMilliseconds);
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_EQ(dev.Position(), 2000); // the head starts at track 1
    ASSERT_EQ(dev.TrackCount(), 3);
    EXPECT_EQ(dev.TrackPosition(1), 2000);
    EXPECT_EQ(dev.TrackPosition(2), 5000);
    EXPECT_EQ(dev.TrackPosition(3), 9000);
    EXPECT_EQ(dev.TrackLength(1), 3000);
    EXPECT_EQ(dev.TrackLength(2), 4000);
    EXPECT_EQ(dev.TrackLength(3), 2000);
    EXPECT_TRUE(dev.TrackIsAudio(1) && dev.TrackIsAudio(2) && dev.TrackIsAudio(3));
    EXPECT_EQ(dev.TrackPosition(0), 0);
    EXPECT_EQ(dev.TrackPosition(4), 0);
    EXPECT_FALSE(dev.TrackIsAudio(4));

    SeekTo(dev, 6500); // 1.5 s into track 2: frame 487 of the disc, 112 into the track
    dev.SetTimeFormat(TimeFormatTmsf);
    EXPECT_EQ(dev.TrackPosition(2), 2); // the track number, zero minutes, seconds, frames
    EXPECT_EQ(dev.TrackLength(1), 0 | (3 << 8) | (0 << 16));
    EXPECT_EQ(dev.TrackLength(2), 0 | (4 << 8) | (0 << 16));
    EXPECT_EQ(dev.TrackLength(3), 0 | (1 << 8) | (74 << 16)); // the last one frame short
    EXPECT_EQ(dev.Position(), 2 | (0 << 8) | (1 << 16) | (37 << 24));
    dev.SetTimeFormat(TimeFormatMilliseconds);
    EXPECT_EQ(dev.Position(), 6500);
}

TEST_F(DiscDeviceImages, OtherImageKindsOpenWithTheirTracks)
{
    // A data track first: the first audio track is track 2.
    ASSERT_TRUE(dev.Open(WriteCueImage(dir.path(), "data", {{300, false}, {225}})));
    EXPECT_EQ(dev.TrackCount(), 2);
    EXPECT_FALSE(dev.TrackIsAudio(1));
    EXPECT_TRUE(dev.TrackIsAudio(2));
    EXPECT_EQ(dev.TrackPosition(2), 6000);

    // 99 tracks, the most a disc holds.
    ASSERT_TRUE(dev.Open(WriteCueImage(dir.path(), "many", std::vector<TestTrack>(99, TestTrack{75}))));
    EXPECT_EQ(dev.TrackCount(), 99);
    EXPECT_EQ(dev.TrackPosition(99), 2000 + 98 * 1000);
    EXPECT_EQ(dev.TrackLength(99), 1000);

    // A cue sheet whose BIN has another name.
    ASSERT_FALSE(WriteCueImage(dir.path(), "album", {{150}, {150}}).isEmpty());
    QFile renamed(Path("Album (disc 1).cue"));
    ASSERT_TRUE(renamed.open(QIODevice::WriteOnly));
    renamed.write(CueSheetText("album.bin", {{150}, {150}}));
    renamed.close();
    ASSERT_TRUE(dev.Open(renamed.fileName())) << dev.OpenError().toStdString();
    EXPECT_EQ(dev.TrackCount(), 2);
    EXPECT_EQ(dev.TrackLength(2), 2000);

    // A cdrdao toc file.
    ASSERT_TRUE(dev.Open(WriteTocImage(dir.path(), "cdrdao", {{150}, {225}}))) << dev.OpenError().toStdString();
    EXPECT_EQ(dev.TrackCount(), 2);
    EXPECT_EQ(dev.TrackPosition(2), 4000);
    EXPECT_EQ(dev.TrackLength(2), 3000);
}

TEST_F(DiscDeviceImages, BrokenImagesAreRefusedWithAReason)
{
    QFile cue(Path("nothing.cue"));
    ASSERT_TRUE(cue.open(QIODevice::WriteOnly));
    cue.write(CueSheetText("absent.bin", {{225}}));
    cue.close();
    EXPECT_FALSE(dev.Open(cue.fileName()));
    EXPECT_FALSE(dev.OpenError().isEmpty());

    // The file it names is missing, though a BIN of the cue sheet's own name is there:
    // that one is not some other disc's stand-in.
    ASSERT_FALSE(WriteCueImage(dir.path(), "nothing", {{225}}).isEmpty());
    ASSERT_TRUE(cue.open(QIODevice::WriteOnly | QIODevice::Truncate));
    cue.write(CueSheetText("absent.bin", {{225}}));
    cue.close();
    EXPECT_FALSE(dev.Open(cue.fileName()));
    EXPECT_TRUE(dev.OpenError().contains("absent.bin")) << dev.OpenError().toStdString();

    QFile empty(Path("empty.cue"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.write("REM nothing here\n");
    empty.close();
    EXPECT_FALSE(dev.Open(empty.fileName()));

    EXPECT_FALSE(dev.Open(QStringLiteral("/dev/mirelune-no-such-drive")));
    EXPECT_FALSE(dev.OpenError().isEmpty());
    EXPECT_EQ(dev.Mode(), ModeNotReady);
    EXPECT_EQ(dev.TrackCount(), 0);
}

TEST_F(DiscDeviceImages, ATruncatedBinPlaysToWhatIsThereWithoutHanging)
{
    const QString cue = WriteCueImage(dir.path(), "short", {{75}, {75}, {75}});
    QFile bin(Path("short.bin"));
    ASSERT_TRUE(bin.resize(2352L * 150 + 2352L * 30)); // track 3 mostly gone
    ASSERT_TRUE(dev.Open(cue)) << dev.OpenError().toStdString();
    ASSERT_GE(dev.TrackCount(), 2);
    const int last = dev.TrackCount();
    const int32_t end = dev.TrackPosition(last) + dev.TrackLength(last);
    EXPECT_LE(end, 2000 + 180 * 1000 / 75) << "the disc reaches past the file";
    dev.SetStartPos(end - 200);
    dev.Play();
    ASSERT_TRUE(WaitUntil([&] { return dev.Mode() == ModeStopped; }));
    EXPECT_EQ(dev.Position(), end);
}

TEST_F(DiscDeviceImages, TheVirtualTrayOpensAndCloses)
{
    ASSERT_TRUE(dev.Open(WriteCueImage(dir.path(), "disc", {{225}, {225}})));
    EXPECT_TRUE(dev.IsVirtual());
    SeekTo(dev, 3000);
    dev.Eject();
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_EQ(dev.TrackCount(), 0);
    dev.Play(); // nothing plays with the tray open
    EXPECT_EQ(dev.Mode(), ModeOpen);
    dev.CloseDoor();
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_EQ(dev.TrackCount(), 2);
    EXPECT_EQ(dev.Position(), 2000);

    // Ejecting while playing ends the play; closing finds the head at the start.
    dev.Play();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    dev.Eject();
    EXPECT_EQ(dev.Mode(), ModeOpen);
    dev.CloseDoor();
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_EQ(dev.Position(), 2000);
}

TEST_F(DiscDeviceImages, TheImageFileComingAndGoingIsADiscInsertedOrRemoved)
{
    // Missing when the drive is opened: an empty drive, not an error.
    const QString cue = Path("disc.cue");
    ASSERT_TRUE(dev.Open(cue)) << dev.OpenError().toStdString();
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_EQ(dev.TrackCount(), 0);
    ASSERT_EQ(WriteCueImage(dir.path(), "disc", {{225}, {225}}), cue);
    EXPECT_EQ(dev.Mode(), ModeStopped);
    ASSERT_TRUE(QFile::remove(cue));
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_EQ(dev.TrackCount(), 0);

    ASSERT_EQ(WriteCueImage(dir.path(), "disc", {{225}, {225}}), cue);
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_EQ(dev.TrackCount(), 2);

    // Removed while playing: the play ends with the disc.
    dev.Play();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    ASSERT_TRUE(QFile::remove(cue));
    EXPECT_EQ(dev.Mode(), ModeOpen);
    ASSERT_EQ(WriteCueImage(dir.path(), "disc", {{225}, {225}}), cue);
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_EQ(dev.Position(), 2000);

    // Replaced by another disc: it is out for a moment, whoever asks first (here the
    // positioning's own wait), then the new one is in.
    const QString other = WriteCueImage(dir.path(), "other", {{150}, {150}, {150}});
    ASSERT_TRUE(QFile::remove(cue));
    ASSERT_TRUE(QFile::rename(other, cue));
    SeekTo(dev, 3000);
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_TRUE(WaitUntil([&] { return dev.Mode() == ModeStopped; }));
    EXPECT_EQ(dev.TrackCount(), 3);

    // Only the data file replaced, under the same cue sheet: a changed disc as well
    // (here its last track grows).
    QFile bin(Path("other.bin"));
    ASSERT_TRUE(bin.open(QIODevice::Append));
    bin.write(QByteArray(2352 * 75, '\0'));
    bin.close();
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_TRUE(WaitUntil([&] { return dev.Mode() == ModeStopped; }));
    EXPECT_EQ(dev.TrackLength(3), 3000);
}

// A file of the disc touched, or written anew by a tagger with the same audio: the disc
// stays in, and its play (or pause) goes on from where it is heard.
TEST_F(DiscDeviceImages, FilesTouchedOrRewrittenWithTheSameLayoutLeaveTheDiscInAndPlaying)
{
    const QString cue = WriteAudioCue(dir.path(), "rip", {{225}, {225}, {150}}, SF_FORMAT_FLAC, CueShape::FilePerTrack);
    ASSERT_FALSE(cue.isEmpty());
    ASSERT_TRUE(dev.Open(cue)) << dev.OpenError().toStdString();
    dev.SetStartPos(5000);
    dev.Play();
    ASSERT_TRUE(WaitUntil([&] { return dev.Position() > 5100; }));
    const QString two = Path("02 rip.flac");
    ASSERT_TRUE(WriteAudioFile(two + ".new", SF_FORMAT_FLAC, 375, 600));
    ASSERT_TRUE(QFile::remove(two));
    ASSERT_TRUE(QFile::rename(two + ".new", two));
    int32_t last = dev.Position();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    EXPECT_GE(dev.Position(), last);
    EXPECT_EQ(dev.TrackCount(), 3);

    // Paused, a file's times set back: it stays paused where it was, and goes on from there.
    dev.Pause();
    last = dev.Position();
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(Path("01 rip.flac")).constData(), times, 0), 0);
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_EQ(dev.Position(), last);
    EXPECT_TRUE(dev.TakeDiscError().isEmpty());
    dev.Pause();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    ASSERT_TRUE(WaitUntil([&] { return dev.Position() > last + 50; }));
    EXPECT_LT(dev.Position(), last + 1000);

    // Written again with another length: another disc, out for a moment.
    ASSERT_TRUE(WriteAudioFile(two, SF_FORMAT_FLAC, 375, 675));
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_TRUE(WaitUntil([&] { return dev.Mode() == ModeStopped; }));
    EXPECT_EQ(dev.TrackLength(2), 4000);
}

TEST_F(DiscDeviceImages, AnImageThatCannotBeReadIsToldOncePerChangeAndTheDriveWaitsForAGoodOne)
{
    const QString cue = Path("disc.cue");
    ASSERT_TRUE(dev.Open(cue)) << dev.OpenError().toStdString();
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_TRUE(dev.TakeDiscError().isEmpty()) << "an image not there yet is an empty drive, no fault";
    auto write = [&](const QByteArray& text) {
        QFile f(cue);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };

    // The sheet comes before the file it names: why, once; the polls after it hear nothing.
    write(CueSheetText("disc.bin", {{225}, {225}}));
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_TRUE(dev.TakeDiscError().contains(QStringLiteral("disc.bin")));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_TRUE(dev.TakeDiscError().isEmpty());

    // Changed and still damaged: told again, once, when its files have settled.
    write("REM nothing here\n");
    QString why;
    EXPECT_TRUE(WaitUntil([&] {
        EXPECT_EQ(dev.Mode(), ModeOpen);
        if (why.isEmpty()) why = dev.TakeDiscError();
        return !why.isEmpty();
    }));
    EXPECT_TRUE(why.contains(cue)) << why.toStdString();
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_TRUE(dev.TakeDiscError().isEmpty());

    // A good disc at last: it comes in, with nothing to tell.
    ASSERT_EQ(WriteCueImage(dir.path(), "disc", {{225}, {225}}), cue);
    EXPECT_TRUE(WaitUntil([&] { return dev.Mode() == ModeStopped; }));
    EXPECT_EQ(dev.TrackCount(), 2);
    EXPECT_TRUE(dev.TakeDiscError().isEmpty());
}

TEST_F(DiscDeviceImages, WithoutSoundOutputItPlaysOnASilentClock)
{
    ASSERT_TRUE(dev.Open(WriteCueImage(dir.path(), "disc", {{225}, {225}})));
    EXPECT_TRUE(dev.SoundOutputMissing());
    dev.SetStartPos(5000);
    dev.SetEndPos(5300);
    dev.Play();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    int32_t last = 5000;
    bool moved = false;
    ASSERT_TRUE(WaitUntil([&] {
        const int32_t p = dev.Position();
        EXPECT_GE(p, last);
        moved = moved || (p > 5000 && p < 5300);
        last = p;
        return dev.Mode() == ModeStopped;
    }));
    EXPECT_TRUE(moved) << "the position never moved in between";
    EXPECT_EQ(dev.Position(), 5300);

    // Pause holds the position; Resume goes on to the same end.
    dev.SetStartPos(2000);
    dev.SetEndPos(2300);
    dev.Play();
    ASSERT_TRUE(WaitUntil([&] { return dev.Position() > 2050; }));
    dev.Pause();
    const int32_t held = dev.Position();
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_LT(held, 2300);
    dev.Resume();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    ASSERT_TRUE(WaitUntil([&] { return dev.Mode() == ModeStopped; }));
    EXPECT_EQ(dev.Position(), 2300);

    // A play sent with wait returns when it is over.
    dev.SetStartPos(3000);
    dev.SetEndPos(3200);
    dev.SetWait(true);
    dev.Play();
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_EQ(dev.Position(), 3200);
}

TEST_F(DiscDeviceImages, ASoundServerSlowToAnswerDoesNotHoldTheOpenUp)
{
    // A server that takes the connection and never answers: the connection gives up
    // after its timeout of a few seconds.
    const QByteArray socketPath = QFile::encodeName(Path(QStringLiteral("mute-server")));
    const int mute = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(mute, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(socketPath.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(bind(mute, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(mute, 4), 0);
    const QByteArray before = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:" + socketPath);

    // The program's windows come up meanwhile: the open does not wait for the answer.
    QElapsedTimer opening;
    opening.start();
    ASSERT_TRUE(dev.Open(WriteCueImage(dir.path(), "disc", {{225}, {225}})));
    EXPECT_LT(opening.elapsed(), 1500);
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_EQ(dev.TrackCount(), 2);
    // Asked for, the answer is waited for: no sound, so the silent clock plays.
    EXPECT_TRUE(dev.SoundOutputMissing());
    dev.SetStartPos(5000);
    dev.SetEndPos(5100);
    dev.Play();
    EXPECT_TRUE(WaitUntil([&] { return dev.Mode() == ModeStopped; }));
    EXPECT_EQ(dev.Position(), 5100);

    qputenv("PULSE_SERVER", before);
    close(mute);
}

TEST_F(DiscDeviceImages, CdTextOfTheCueSheetIsKept)
{
    ASSERT_TRUE(!WriteCueImage(dir.path(), "disc", {{75}, {75}}).isEmpty());
    QFile cue(Path("disc.cue"));
    ASSERT_TRUE(cue.open(QIODevice::WriteOnly | QIODevice::Truncate));
    cue.write("TITLE \"Night Songs\"\nPERFORMER \"Mirelune Band\"\nFILE \"disc.bin\" BINARY\n"
              "  TRACK 01 AUDIO\n    TITLE \"First\"\n    INDEX 01 00:00:00\n"
              "  TRACK 02 AUDIO\n    TITLE \"Second\"\n    INDEX 01 00:01:00\n");
    cue.close();
    ASSERT_TRUE(dev.Open(cue.fileName())) << dev.OpenError().toStdString();
    const CdTextInfo t = dev.DiscText();
    EXPECT_EQ(t.discTitle, QStringLiteral("Night Songs"));
    EXPECT_EQ(t.discPerformer, QStringLiteral("Mirelune Band"));
    EXPECT_EQ(t.trackTitles, (QStringList{"First", "Second"}));
}

} // namespace

namespace {
// A drive whose disc is swapped between two looks: the next opening finds 3 tracks.
class SwappedDrive : public SectorSource {
public:
    SwappedDrive(int tracks, bool& changed) : changed(changed)
    {
        for (int i = 0; i < tracks; ++i) toc.tracks.push_back({150 + i * 750, true});
        toc.leadOutFrame = 150 + tracks * 750;
    }
    DiscToc Toc() const override { return toc; }
    bool Read(int32_t, int count, char* out) override
    {
        std::memset(out, 0, static_cast<size_t>(count) * 2352);
        return true;
    }
    bool MediaChanged() override { return std::exchange(changed, false); }

private:
    DiscToc toc;
    bool& changed;
};
} // namespace

TEST(DiscDeviceDrive, ADiscChangedBetweenTwoLooksIsOutForAMomentThenTheNewOneIsIn)
{
    bool changed = false;
    int opened = 0;
    DiscDevice dev([&](const QString&, QString*) -> std::unique_ptr<SectorSource> {
        return std::make_unique<SwappedDrive>(++opened > 2 ? 3 : 2, changed);
    });
    ASSERT_TRUE(dev.Open(QStringLiteral("/dev/mirelune-test-drive")));
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_EQ(dev.TrackCount(), 2);
    changed = true;
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_EQ(dev.TrackCount(), 0);
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_TRUE(WaitUntil([&] { return dev.Mode() == ModeStopped; }));
    EXPECT_EQ(dev.TrackCount(), 3);
}

TEST(CorrectingReader, ReadsAnImageAsItIsAndGivesUpDamagedSectorsAsSilence)
{
    // The reader real drives use, run on an image: in order, across a track's start,
    // back again (a seek), then through a stretch whose reads fail as on a damaged disc.
    QTemporaryDir dir;
    const QString cue = WriteCueImage(dir.path(), "disc", {{225}, {225}});
    QString error;
    auto plain = CdioSource::Open(cue, &error);
    auto corrected = CdioSource::Open(cue, &error);
    auto damaged = CdioSource::Open(cue, &error);
    ASSERT_TRUE(plain && corrected && damaged) << error.toStdString();
    corrected->UseCorrectingReader();
    constexpr int32_t badFrom = 400, badTo = 410; // frames; the drive counts sectors from 150
    damaged->UseCorrectingReader(
        [](int32_t sector, long count) { return sector < badTo - 150 && sector + count > badFrom - 150; });
    const std::vector<std::pair<int32_t, int>> reads = {{150, 32}, {182, 32}, {360, 32}, {160, 16},
                                                        {392, 32}, {424, 26}, {300, 5}};
    for (const auto& [frame, count] : reads) {
        SCOPED_TRACE(frame);
        std::vector<char> truth(static_cast<size_t>(count) * 2352), a(truth.size()), b(truth.size());
        ASSERT_TRUE(plain->Read(frame, count, truth.data()));
        ASSERT_TRUE(corrected->Read(frame, count, a.data()));
        EXPECT_TRUE(a == truth);
        ASSERT_TRUE(damaged->Read(frame, count, b.data()));
        for (int i = 0; i < count; ++i) {
            const auto at = static_cast<std::ptrdiff_t>(i) * 2352;
            const bool bad = frame + i >= badFrom && frame + i < badTo;
            const std::vector<char> want = bad ? std::vector<char>(2352, 0)
                                               : std::vector<char>(truth.begin() + at, truth.begin() + at + 2352);
            EXPECT_TRUE(std::equal(want.begin(), want.end(), b.begin() + at)) << "sector of frame " << frame + i;
        }
    }
}
