// The timing page's tools on a disc image: how long the waveform of a 5-minute track
// takes from the wish to the peaks being there (read through the disc's own reader on
// the waveform's thread, nothing kept from before).
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/entry/Waveform.h"
#include "device/DiscSamples.h"

namespace {
constexpr int kTrackSeconds = 300;

// A cue sheet over a BIN image: a 5-minute track of music-like sound, then a short one.
bool WriteDisc(const QString& dir)
{
    QFile bin(QDir(dir).filePath(QStringLiteral("disc.bin")));
    if (!bin.open(QIODevice::WriteOnly)) return false;
    const int64_t samples = int64_t(kTrackSeconds + 10) * 44100;
    std::vector<int16_t> block(2 * 44100);
    for (int64_t at = 0; at < samples; at += 44100) {
        for (int i = 0; i < 44100; ++i) {
            const double t = double(at + i) / 44100;
            const double beat = 0.5 + 0.5 * std::sin(t * 6.28 * 2);
            const auto v = static_cast<int16_t>(12000 * beat * std::sin(t * 6.28 * 440));
            block[size_t(2 * i)] = v;
            block[size_t(2 * i + 1)] = static_cast<int16_t>(-v);
        }
        if (bin.write(reinterpret_cast<const char*>(block.data()), qint64(block.size() * 2)) !=
            qint64(block.size() * 2))
            return false;
    }
    bin.close();
    QFile cue(QDir(dir).filePath(QStringLiteral("disc.cue")));
    if (!cue.open(QIODevice::WriteOnly)) return false;
    cue.write(QStringLiteral("FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                             "  TRACK 02 AUDIO\n    INDEX 01 %1:00:00\n")
                  .arg(kTrackSeconds / 60, 2, 10, QLatin1Char('0'))
                  .toUtf8());
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !WriteDisc(dir.path())) {
        std::fprintf(stderr, "timing_bench: the bench disc could not be written\n");
        return 1;
    }
    const QString cue = QDir(dir.path()).filePath(QStringLiteral("disc.cue"));
    // The track starts after the 2-second lead-in, as on a CD.
    const int32_t startMs = 2000, lengthMs = kTrackSeconds * 1000;
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        WaveformCache cache; // nothing kept: every run reads the whole track
        cache.Opener = [&] { return DiscSampleReader(cue); };
        QEventLoop loop;
        QObject::connect(&cache, &WaveformCache::Ready, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        if (cache.Peaks(QStringLiteral("BENCH001"), 1, startMs, lengthMs) != nullptr) return 1;
        loop.exec();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        const TrackPeaks* peaks = cache.Peaks(QStringLiteral("BENCH001"), 1, startMs, lengthMs);
        // The sound is there: most bins hold a peak (the beat dips to silence briefly).
        const auto heard = peaks ? std::count_if(peaks->Peaks.begin(), peaks->Peaks.end(),
                                                 [](uint8_t p) { return p > 8; })
                                 : 0;
        if (!peaks || peaks->Peaks.size() != size_t(lengthMs / 10) || heard < lengthMs / 10 * 8 / 10) {
            std::fprintf(stderr, "timing_bench: no waveform came\n");
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("peaks_5min_track_runs: %zu\n", times.size());
    std::printf("peaks_5min_track_ms_slowest: %.1f\n", times.back());
    std::printf("peaks_5min_track_ms: %.1f\n", times[times.size() / 2]);
    return 0;
}
