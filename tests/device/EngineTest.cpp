// The sound engine's rules on a fake output: what reaches the stream, in what order, and
// the position it gives, on a manual clock.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>

#include "DeviceTestSupport.h"
#include "FakeOutput.h"
#include "device/DiscDevice.h"
#include "support/ManualClock.h"

namespace {

// Three audio tracks of 3 s: 2000, 5000 and 8000 ms.
const std::vector<TestTrack> kDisc = {{225}, {225}, {225}};
constexpr int32_t kTrack2 = 5000;
constexpr int32_t kTrack3 = 8000;

class Engine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        auto out = std::make_unique<FakeOutput>(clock);
        fake = out.get();
        dev = std::make_unique<DiscDevice>(DiscDevice::SourceOpener{}, std::move(out));
        ASSERT_TRUE(dev->Open(WriteCueImage(dir.path(), QStringLiteral("disc"), kDisc)));
    }

    // The clock moves on, 10 ms at a time, the player having fed the stream before each
    // step as far as it takes or up to the end of the play (end, in milliseconds).
    void Run(int ms, int32_t end)
    {
        for (int i = 0; i <= ms; i += 10) {
            ASSERT_TRUE(fake->WaitUntil([&](const FakeOutput& f) {
                return f.written() - f.heard >= 22050 ||
                       (f.written() > 0 && Decoded(f.timeline, size_t(f.written() - 1)) == SampleAtMs(end) - 1);
            })) << "the player did not feed the stream";
            if (i == ms) break;
            clock.Advance(10);
            fake->Want();
        }
    }
    // Plays on until the device stops by itself (20 s of the clock at most).
    void RunToStop(int32_t end)
    {
        for (int i = 0; i < 200 && dev->Mode() == ModePlaying && !HasFatalFailure(); ++i) Run(100, end);
        ASSERT_EQ(dev->Mode(), ModeStopped);
    }
    // The controller's move to an entry: SeekTo, then a play to the entry's end.
    void GoTo(int32_t start, int32_t end)
    {
        dev->Stop();
        dev->SetStartPos(start);
        dev->SetEndPos(start);
        dev->SetWait(true);
        dev->Play();
        EXPECT_EQ(dev->Position(), start);
        dev->SetEndPos(end);
        dev->Play();
        EXPECT_EQ(dev->Mode(), ModePlaying);
    }
    static int64_t Decoded(const std::vector<int16_t>& t, size_t i) { return DecodeSample(t[2 * i], t[2 * i + 1]); }
    // The samples of the stream from index from on: each the one after the last, from
    // first to last; answers where it failed, or -1.
    int64_t StepIn(size_t from, int64_t first, int64_t last) const
    {
        const size_t n = fake->timeline.size() / 2;
        if (n <= from) return 0;
        if (Decoded(fake->timeline, from) != first) return int64_t(from);
        for (size_t i = from + 1; i < n; ++i)
            if (Decoded(fake->timeline, i) != Decoded(fake->timeline, i - 1) + 1) return int64_t(i);
        return Decoded(fake->timeline, n - 1) == last ? -1 : int64_t(n);
    }

    QTemporaryDir dir;
    ManualClock clock;
    FakeOutput* fake = nullptr;
    std::unique_ptr<DiscDevice> dev;
};

TEST_F(Engine, PlayingOnAcrossTracksFeedsOneStreamSampleExactAndAJumpFlushesIt)
{
    dev->SetStartPos(kTrack2 - 1000);
    dev->SetEndPos(kTrack2);
    dev->Play();
    // The position is what the stream has played, to the sample's millisecond.
    Run(300, kTrack2);
    EXPECT_EQ(dev->Position(), kTrack2 - 700);
    // The controller moves on a little before the end: the next track follows in the
    // same stream, and the position runs on through the boundary.
    while (dev->Position() < kTrack2 - 200) Run(100, kTrack2);
    GoTo(kTrack2, kTrack3);
    EXPECT_LT(dev->Position(), kTrack2);
    Run(400, kTrack3);
    EXPECT_EQ(dev->Position(), kTrack2 + 200);
    RunToStop(kTrack3);
    EXPECT_EQ(dev->Position(), kTrack3);
    // Late (the play had ended and the stream ran dry): what follows still joins it.
    Run(300, kTrack3);
    GoTo(kTrack3, kTrack3 + 500);
    RunToStop(kTrack3 + 500);
    EXPECT_EQ(dev->Position(), kTrack3 + 500);
    EXPECT_EQ(StepIn(0, SampleAtMs(kTrack2 - 1000), SampleAtMs(kTrack3 + 500) - 1), -1)
        << "the stream is not the disc from the first sample to the last, each once";
    EXPECT_EQ(fake->opens, 1);
    EXPECT_EQ(fake->flushes, 0);

    // A jump (a stretch elsewhere) drops what the stream held, in the same stream.
    GoTo(kTrack2 + 100, kTrack2 + 400);
    const auto jumped = size_t(fake->Heard());
    RunToStop(kTrack2 + 400);
    EXPECT_EQ(StepIn(jumped, SampleAtMs(kTrack2 + 100), SampleAtMs(kTrack2 + 400) - 1), -1);
    // Next pressed in the middle of a track plays the next one at once: the rest of this
    // one is not played first.
    GoTo(kTrack2, kTrack3);
    Run(500, kTrack3);
    GoTo(kTrack3, kTrack3 + 300);
    const auto next = size_t(fake->Heard()); // what was heard, and not a sample more
    RunToStop(kTrack3 + 300);
    EXPECT_EQ(StepIn(next, SampleAtMs(kTrack3), SampleAtMs(kTrack3 + 300) - 1), -1);
    // Pausing drops what was not heard yet; resuming goes on from the sample heard.
    GoTo(kTrack2, kTrack3);
    Run(300, kTrack3);
    dev->Pause();
    EXPECT_EQ(dev->Position(), kTrack2 + 300);
    const auto paused = size_t(fake->Heard());
    dev->Resume();
    Run(100, kTrack3);
    EXPECT_EQ(Decoded(fake->timeline, paused), SampleAtMs(kTrack2 + 300));
    EXPECT_EQ(fake->flushes, 5);
    EXPECT_EQ(fake->opens, 1) << "the stream was opened again";
}

TEST_F(Engine, FilesTouchedWhilePlayingLeaveTheSoundPlayingWithoutABreak)
{
    dev->SetStartPos(kTrack2);
    dev->SetEndPos(kTrack3);
    dev->Play();
    Run(500, kTrack3);
    // A tagger or touch: the files change, the disc stays the same.
    for (const char* name : {"disc.bin", "disc.cue"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime));
    }
    EXPECT_EQ(dev->Mode(), ModePlaying);
    RunToStop(kTrack3);
    EXPECT_EQ(StepIn(0, SampleAtMs(kTrack2), SampleAtMs(kTrack3) - 1), -1);
    EXPECT_EQ(fake->flushes, 0);
}

// Music stands in for a disc: a tone of its own in each channel, at half of full scale.
class Tones : public SectorSource {
public:
    DiscToc Toc() const override { return {{{kLeadInFrames, true}}, kLeadInFrames + 10 * kFramesPerSecond}; }
    bool Read(int32_t frame, int count, char* out) override
    {
        auto* s = reinterpret_cast<int16_t*>(out);
        for (int64_t i = 0; i < int64_t(count) * kSectorSamples; ++i) {
            const double t = double(int64_t(frame) * kSectorSamples + i) / kSampleRate;
            s[2 * i] = int16_t(16384 * std::sin(2 * M_PI * 440 * t));
            s[2 * i + 1] = int16_t(16384 * std::sin(2 * M_PI * 660 * t));
        }
        return true;
    }
};

TEST(EngineSlower, AtHalfSpeedEachChannelKeepsItsLoudness)
{
    ManualClock clock;
    auto out = std::make_unique<FakeOutput>(clock);
    FakeOutput* fake = out.get();
    DiscDevice dev([](const QString&, QString*) { return std::make_unique<Tones>(); }, std::move(out));
    QTemporaryDir dir; // the drive is an image: a file that stands for the disc
    QFile image(dir.filePath(QStringLiteral("tones")));
    ASSERT_TRUE(image.open(QIODevice::WriteOnly));
    image.close();
    ASSERT_TRUE(dev.Open(image.fileName()));
    ASSERT_TRUE(dev.SetPlaySpeed(0.5));
    dev.SetStartPos(dev.TrackPosition(1));
    dev.Play();
    const int64_t wanted = 3 * kSampleRate; // 1.5 s of the disc
    while (fake->Heard() < wanted) {
        clock.Advance(10);
        fake->Want();
        ASSERT_TRUE(fake->WaitUntil([&](const FakeOutput& f) { return f.written() - f.heard >= 22050; }));
    }
    dev.Stop();
    // Past the stretcher's first moments: each channel as loud as the disc's (-9 dB of full scale).
    for (int channel = 0; channel < 2; ++channel) {
        double sum = 0;
        for (int64_t i = kSampleRate; i < wanted; ++i)
            sum += std::pow(fake->timeline[size_t(2 * i + channel)] / 32768.0, 2);
        const double db = 10 * std::log10(sum / double(wanted - kSampleRate));
        EXPECT_NEAR(db, 20 * std::log10(0.5 / std::sqrt(2.0)), 1.0) << "channel " << channel;
    }
}

// A disc whose reads wait until the test lets them go, as a damaged disc's retries do.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    bool open = false;
    int waiting = 0;
};
class HeldSource : public SectorSource {
public:
    explicit HeldSource(std::shared_ptr<Gate> g) : gate(std::move(g)) {}
    DiscToc Toc() const override { return {{{kLeadInFrames, true}, {kLeadInFrames + 225, true}}, kLeadInFrames + 450}; }
    bool Read(int32_t, int count, char* out) override
    {
        std::unique_lock<std::mutex> l(gate->lock);
        ++gate->waiting;
        gate->changed.notify_all();
        gate->changed.wait(l, [this] { return gate->open; });
        std::memset(out, 0, size_t(count) * kSectorBytes);
        return true;
    }

private:
    std::shared_ptr<Gate> gate;
};

TEST(EngineReader, StopAndAJumpDoNotWaitForAReaderThatSitsInARead)
{
    ManualClock clock;
    auto gate = std::make_shared<Gate>();
    DiscDevice dev([gate](const QString&, QString*) { return std::make_unique<HeldSource>(gate); },
                   std::make_unique<FakeOutput>(clock));
    QTemporaryDir dir;
    QFile image(dir.filePath(QStringLiteral("held")));
    ASSERT_TRUE(image.open(QIODevice::WriteOnly));
    image.close();
    ASSERT_TRUE(dev.Open(image.fileName()));
    dev.SetStartPos(dev.TrackPosition(1));
    dev.Play();
    {
        std::unique_lock<std::mutex> l(gate->lock);
        ASSERT_TRUE(gate->changed.wait_for(l, std::chrono::seconds(5), [&] { return gate->waiting > 0; }));
    }
    // The reader sits in its read: Stop, then Next (a play elsewhere), answer at once.
    auto stop = std::async(std::launch::async, [&] {
        dev.Stop();
        dev.SetStartPos(dev.TrackPosition(2));
        dev.Play();
        return dev.Mode();
    });
    const bool answered = stop.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    {
        std::lock_guard<std::mutex> l(gate->lock);
        gate->open = true;
    }
    gate->changed.notify_all();
    EXPECT_TRUE(answered) << "the main thread waited for the drive";
    EXPECT_EQ(stop.get(), ModePlaying);
}

TEST_F(Engine, TheMixersVolumeIsTheProgramsBothWays)
{
    std::vector<double> told;
    dev->OnMixerVolume([&](double v) { told.push_back(v); });
    fake->MixerSets(0.3);
    EXPECT_EQ(told, std::vector<double>{0.3});
    dev->SetVolume(0.6);
    EXPECT_TRUE(fake->WaitUntil([](const FakeOutput& f) { return f.volume == 0.6; }));
}

} // namespace
