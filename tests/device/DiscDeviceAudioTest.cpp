// DiscDevice playing disc images through a real sound server (a PulseAudio null sink
// that scripts/test and ctest start); the sink's monitor is recorded to see what played.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <iostream>

#include "DeviceTestSupport.h"
#include "playback/DiscDevice.h"

namespace {

// Three audio tracks of 3 s: 2000, 5000 and 8000 ms; the disc ends at 11000 ms.
const std::vector<TestTrack> kDisc = {{225}, {225}, {225}};
constexpr int32_t kTrack2 = 5000;
constexpr int32_t kTrack3 = 8000;
// Enough samples to tell playback apart from a few stray ones: 50 ms.
constexpr int64_t kSettle = 2205;

class DiscDeviceAudio : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        cue = WriteCueImage(dir.path(), QStringLiteral("disc"), kDisc);
        ASSERT_FALSE(cue.isEmpty());
        ASSERT_TRUE(dev.Open(cue)) << dev.OpenError().toStdString();
        ASSERT_FALSE(dev.SoundOutputMissing())
            << "no sound output: these tests need a PulseAudio server with a null sink "
               "(scripts/test and ctest start one; PULSE_SERVER=" << qgetenv("PULSE_SERVER").constData() << ")";
        QString why;
        ASSERT_TRUE(recorder.Start(&why)) << why.toStdString();
    }

    // Plays until the device stops by itself, recording.
    bool PlayToStop(int timeoutMs = 10000)
    {
        return recorder.WaitFor([this] { return dev.Mode() == ModeStopped; }, timeoutMs);
    }
    // The coded samples recorded from index from on, gaps of silence dropped.
    std::vector<int64_t> HeardFrom(size_t from) const
    {
        std::vector<int64_t> out;
        for (size_t i = from; i < recorder.samples.size(); ++i)
            if (recorder.samples[i] >= 0) out.push_back(recorder.samples[i]);
        return out;
    }
    static bool Contiguous(const std::vector<int64_t>& s)
    {
        for (size_t i = 1; i < s.size(); ++i)
            if (s[i] != s[i - 1] + 1) return false;
        return true;
    }

    QTemporaryDir dir;
    QString cue;
    DiscDevice dev;
    MonitorRecorder recorder;
};

TEST_F(DiscDeviceAudio, PlaysTheRequestedStretchSampleExactAndStopsAtItsEnd)
{
    const size_t mark = recorder.samples.size();
    dev.SetStartPos(kTrack2);
    dev.SetEndPos(kTrack2 + 700);
    dev.Play();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    ASSERT_TRUE(PlayToStop());
    EXPECT_EQ(dev.Position(), kTrack2 + 700);
    recorder.WaitFor([&] { return recorder.LastCoded() == SampleAtMs(kTrack2 + 700) - 1; }, 2000);

    const std::vector<int64_t> heard = HeardFrom(mark);
    ASSERT_FALSE(heard.empty()) << "nothing was heard";
    // The server may drop a few samples as a stream starts.
    EXPECT_NEAR(heard.front(), SampleAtMs(kTrack2), 441);
    EXPECT_GE(heard.front(), SampleAtMs(kTrack2));
    EXPECT_EQ(heard.back(), SampleAtMs(kTrack2 + 700) - 1);
    EXPECT_TRUE(Contiguous(heard)) << "the stretch did not play in one piece";
}

TEST_F(DiscDeviceAudio, PositionFollowsWhatIsHeard)
{
    dev.SetStartPos(kTrack3);
    dev.SetEndPos(kTrack3 + 1500);
    dev.Play();
    std::vector<int32_t> errors;
    int32_t last = 0;
    ASSERT_TRUE(recorder.WaitFor([&] {
        const int32_t pos = dev.Position();
        EXPECT_GE(pos, last) << "position went back";
        last = pos;
        const int64_t heard = recorder.LastCoded();
        if (heard >= SampleAtMs(kTrack3) && dev.Mode() == ModePlaying)
            errors.push_back(pos - static_cast<int32_t>(heard * 10 / 441));
        return dev.Mode() == ModeStopped;
    }));
    ASSERT_GT(errors.size(), 20u);
    std::sort(errors.begin(), errors.end());
    std::cout << "position - heard, ms: min " << errors.front() << " median " << errors[errors.size() / 2]
              << " max " << errors.back() << "\n";
    // The monitor is recorded with a few ms of latency; the position must neither run
    // ahead of the audio nor lag it by more than a tick of the main window.
    EXPECT_GT(errors.front(), -100);
    EXPECT_LT(errors.back(), 60);
}

TEST_F(DiscDeviceAudio, PauseHaltsTheAudioAndResumeGoesOnFromThere)
{
    dev.SetStartPos(kTrack2);
    dev.Play();
    ASSERT_TRUE(recorder.WaitFor([&] { return recorder.LastCoded() >= SampleAtMs(kTrack2 + 400); }));
    dev.Pause();
    EXPECT_EQ(dev.Mode(), ModeStopped); // a paused device reads stopped
    const int32_t paused = dev.Position();
    EXPECT_NEAR(paused, kTrack2 + 400, 150);
    // Silence follows: 100 ms of it, with the position standing still.
    const size_t mark = recorder.samples.size();
    ASSERT_TRUE(recorder.WaitFor([&] {
        size_t quiet = 0;
        for (size_t i = recorder.samples.size(); i > mark && recorder.samples[i - 1] < 0; --i) ++quiet;
        return quiet >= 4410;
    }));
    const int64_t lastBeforeResume = recorder.LastCoded();
    EXPECT_EQ(dev.Position(), paused);

    const size_t resumed = recorder.samples.size();
    dev.Resume();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    ASSERT_TRUE(recorder.WaitFor([&] { return recorder.FirstCodedFrom(resumed) >= 0; }));
    const int64_t first = recorder.samples[static_cast<size_t>(recorder.FirstCodedFrom(resumed))];
    // It goes on where it halted: nothing of note skipped or repeated.
    EXPECT_NEAR(first, lastBeforeResume, 2205);
    // A second Pause while paused resumes, as the old device did.
    dev.Pause();
    dev.Pause();
    EXPECT_EQ(dev.Mode(), ModePlaying);
    dev.Stop();
    EXPECT_EQ(dev.Mode(), ModeStopped);
}

TEST_F(DiscDeviceAudio, PositioningMovesTheHeadSilentlyAndPlayStartsThere)
{
    // The controller's SeekTo: a play whose start equals its end, with wait.
    dev.Stop();
    dev.SetStartPos(kTrack3 + 1234);
    dev.SetEndPos(kTrack3 + 1234);
    dev.SetWait(true);
    dev.Play();
    EXPECT_EQ(dev.Position(), kTrack3 + 1234);
    EXPECT_EQ(dev.Mode(), ModeStopped);
    // Then the track plays from the head to its end.
    const size_t mark = recorder.samples.size();
    dev.SetEndPos(kTrack3 + 1534);
    dev.Play();
    ASSERT_TRUE(PlayToStop());
    recorder.WaitFor([&] { return recorder.LastCoded() == SampleAtMs(kTrack3 + 1534) - 1; }, 2000);
    const std::vector<int64_t> heard = HeardFrom(mark);
    ASSERT_FALSE(heard.empty());
    EXPECT_NEAR(heard.front(), SampleAtMs(kTrack3 + 1234), 441);
    EXPECT_EQ(heard.back(), SampleAtMs(kTrack3 + 1534) - 1);
    EXPECT_EQ(dev.Position(), kTrack3 + 1534);
}

TEST_F(DiscDeviceAudio, ATrackChangeWhilePausedKeepsTheNewEndForTheResumeThatFallsBackToPlay)
{
    dev.SetStartPos(kTrack2);
    dev.SetEndPos(kTrack3);
    dev.Play();
    ASSERT_TRUE(recorder.WaitFor([&] { return recorder.LastCoded() >= SampleAtMs(kTrack2 + 200); }));
    dev.Pause();
    // Next track while paused: SeekTo, then the end of the new track stays pending.
    dev.Stop();
    dev.SetStartPos(kTrack3);
    dev.SetEndPos(kTrack3);
    dev.SetWait(true);
    dev.Play();
    dev.SetEndPos(kTrack3 + 300);
    const size_t mark = recorder.samples.size();
    dev.Resume(); // nothing is paused now: falls back to Play, which takes the pending end
    EXPECT_EQ(dev.Mode(), ModePlaying);
    ASSERT_TRUE(PlayToStop());
    EXPECT_EQ(dev.Position(), kTrack3 + 300);
    recorder.WaitFor([&] { return recorder.LastCoded() == SampleAtMs(kTrack3 + 300) - 1; }, 2000);
    const std::vector<int64_t> heard = HeardFrom(mark);
    ASSERT_FALSE(heard.empty());
    EXPECT_NEAR(heard.front(), SampleAtMs(kTrack3), 441);
    EXPECT_EQ(heard.back(), SampleAtMs(kTrack3 + 300) - 1);
}

TEST_F(DiscDeviceAudio, PlayWithoutPendingPositionsGoesFromTheHeadToTheEndOfTheDisc)
{
    const int32_t end = dev.TrackPosition(3) + dev.TrackLength(3);
    dev.SetStartPos(end - 400);
    dev.SetEndPos(end - 400);
    dev.SetWait(true);
    dev.Play();
    const size_t mark = recorder.samples.size();
    dev.Play();
    ASSERT_TRUE(PlayToStop());
    EXPECT_EQ(dev.Position(), end);
    recorder.WaitFor([&] { return recorder.LastCoded() == SampleAtMs(end) - 1; }, 2000);
    const std::vector<int64_t> heard = HeardFrom(mark);
    ASSERT_FALSE(heard.empty());
    EXPECT_NEAR(heard.front(), SampleAtMs(end - 400), 441);
    EXPECT_EQ(heard.back(), SampleAtMs(end) - 1);
    EXPECT_TRUE(Contiguous(heard));
}

} // namespace
