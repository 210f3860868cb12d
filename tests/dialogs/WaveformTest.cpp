// The waveform's peaks from a disc's samples, computed on a thread of their own and kept
// in memory and in files.
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "core/entry/Waveform.h"

namespace {
// A disc of silence with a loud stretch [loudFrom, loudTo) of absolute stereo samples
// (a negative value on the right channel), counting the frames read.
struct ToneReader : SampleReader {
    int64_t loudFrom = 0, loudTo = 0;
    int reads = 0;
    bool fail = false;
    bool ReadFrames(int32_t frame, int count, char* out) override
    {
        ++reads;
        if (fail) return false;
        auto* s = reinterpret_cast<int16_t*>(out);
        for (int64_t i = 0; i < int64_t(count) * 588; ++i) {
            const int64_t n = int64_t(frame) * 588 + i;
            const bool loud = n >= loudFrom && n < loudTo;
            s[2 * i] = loud ? 3200 : 0;
            s[2 * i + 1] = loud ? -32768 : 0;
        }
        return true;
    }
};
} // namespace

TEST(Waveform, EachTenMillisecondsHoldsTheLargestSampleOfEitherChannel)
{
    ToneReader reader;
    // The stretch starts 2.013 s into the disc (not on a frame), loud from 3.000 to 3.025 s.
    const int32_t start = 2013;
    reader.loudFrom = 3000 * 441 / 10;
    reader.loudTo = 3025 * 441 / 10;
    const std::optional<TrackPeaks> peaks = ComputePeaks(reader, start, 5000);
    ASSERT_TRUE(peaks);
    ASSERT_EQ(peaks->Peaks.size(), 500u);
    EXPECT_EQ(peaks->StartMs, start);
    // 3.000 s is 98.7 hundredths in: bins 98 (partly), 99 and 100 (partly) hold it.
    for (int bin = 0; bin < 500; ++bin) {
        const bool loud = bin >= 98 && bin <= 101;
        EXPECT_EQ(peaks->At(bin), loud ? 255 : 0) << bin;
    }
    EXPECT_EQ(peaks->At(-1), 0);
    EXPECT_EQ(peaks->At(500), 0);

    reader.fail = true;
    EXPECT_FALSE(ComputePeaks(reader, start, 5000));
    reader.fail = false;
    std::atomic<bool> cancel{true};
    EXPECT_FALSE(ComputePeaks(reader, start, 5000, &cancel));
}

TEST(Waveform, ComputedInTheBackgroundOnceAndKeptInAFileForTheNextRun)
{
    QTemporaryDir dir;
    int opened = 0;
    std::vector<int32_t> loud = {2000 * 441 / 10, 2100 * 441 / 10};
    {
        WaveformCache cache;
        cache.Folder = dir.filePath(QStringLiteral("peaks"));
        cache.Opener = [&]() -> std::unique_ptr<SampleReader> {
            ++opened;
            auto r = std::make_unique<ToneReader>();
            r->loudFrom = loud[0];
            r->loudTo = loud[1];
            return r;
        };
        QSignalSpy ready(&cache, &WaveformCache::Ready);
        EXPECT_EQ(cache.Peaks(QStringLiteral("0A0B0C0D"), 3, 1000, 60000), nullptr);
        EXPECT_EQ(cache.Peaks(QStringLiteral("0A0B0C0D"), 3, 1000, 60000), nullptr); // under way: once
        ASSERT_TRUE(ready.wait(5000));
        EXPECT_EQ(ready.takeFirst().at(0).toInt(), 3);
        EXPECT_EQ(opened, 1);
        const TrackPeaks* peaks = cache.Peaks(QStringLiteral("0A0B0C0D"), 3, 1000, 60000);
        ASSERT_NE(peaks, nullptr);
        EXPECT_EQ(peaks->At(100), 255);
        EXPECT_EQ(peaks->At(99), 0);
        EXPECT_TRUE(QFile::exists(cache.FileOf(QStringLiteral("0A0B0C0D"), 3, 1000, 60000)));

        // A wish for another track goes first; the one it displaced is asked again later.
        EXPECT_EQ(cache.Peaks(QStringLiteral("0A0B0C0D"), 4, 61000, 600000), nullptr);
        EXPECT_EQ(cache.Peaks(QStringLiteral("0A0B0C0D"), 5, 661000, 1000), nullptr);
        ASSERT_TRUE(ready.wait(5000));
        EXPECT_EQ(ready.takeFirst().at(0).toInt(), 5);
        // Gone with the cache: the thread stops at once, nothing left running.
    }
    // The next run reads the file and needs no disc.
    WaveformCache later;
    later.Folder = dir.filePath(QStringLiteral("peaks"));
    const TrackPeaks* kept = later.Peaks(QStringLiteral("0A0B0C0D"), 3, 1000, 60000);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->Peaks.size(), 6000u);
    EXPECT_EQ(kept->At(100), 255);
    // A damaged file is computed again (no disc here: no waveform).
    QFile damaged(later.FileOf(QStringLiteral("0A0B0C0D"), 5, 661000, 1000));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("MLPEAKS1short");
    damaged.close();
    EXPECT_EQ(later.Peaks(QStringLiteral("0A0B0C0D"), 5, 661000, 1000), nullptr);
}
