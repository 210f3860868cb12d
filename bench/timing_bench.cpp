// The timing page's tools on disc images: how long the waveform of a 5-minute track
// takes from the wish to the peaks being there (read through the disc's own reader on
// the waveform's thread, nothing kept from before); the CPU the process takes while a
// track plays at half speed (stretched with its pitch kept); and how far stamps made at
// half speed are from the sound: a disc of clicks plays through the timing capture, the
// null sink's monitor is recorded, and a "user" presses Set at the very moment each
// click's first sample arrives in the recording. Uses PULSE_SERVER when it answers, else
// starts a private PulseAudio server with a null sink (and stops it again).
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

#include <QThread>

#include "BenchSupport.h"
#include "DeviceTestSupport.h"
#include "core/app/PlayerCore.h"
#include "core/common/Clock.h"
#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/entry/TimingCapture.h"
#include "core/entry/Waveform.h"
#include "core/settings/IniFile.h"
#include "device/DiscDevice.h"
#include "device/DiscSamples.h"

namespace {
constexpr int kTrackSeconds = 300;

// Music-like sound: a tone whose loudness beats twice a second.
int16_t Music(int64_t n)
{
    const double t = double(n) / 44100;
    return static_cast<int16_t>(12000 * (0.5 + 0.5 * std::sin(t * 6.28 * 2)) * std::sin(t * 6.28 * 440));
}

// Track 1 of the clicks disc: 10 ms of a 1 kHz tone every 2 s from 1 s into the track,
// silence between; then music.
constexpr int kClickEveryMs = 2000, kFirstClickMs = 1000, kClickTrackSeconds = 24;
int16_t Clicks(int64_t n)
{
    if (n >= int64_t(kClickTrackSeconds) * 44100) return Music(n);
    const int64_t first = int64_t(kFirstClickMs) * 441 / 10, every = int64_t(kClickEveryMs) * 441 / 10;
    if (n < first || (n - first) % every >= 441) return 0;
    return static_cast<int16_t>(20000 * std::sin(double((n - first) % every) / 44100 * 6.28 * 1000));
}

// A cue sheet over a BIN image of two tracks (the first starting after the 2-second
// lead-in, as on a CD); its path.
QString WriteDisc(const QString& dir, const QString& name, int firstSeconds, int secondSeconds,
                  int16_t (*sound)(int64_t))
{
    QFile bin(QDir(dir).filePath(name + QStringLiteral(".bin")));
    if (!bin.open(QIODevice::WriteOnly)) return QString();
    const int64_t samples = int64_t(firstSeconds + secondSeconds) * 44100;
    std::vector<int16_t> block(2 * 44100);
    for (int64_t at = 0; at < samples; at += 44100) {
        for (int i = 0; i < 44100; ++i) {
            const int16_t v = sound(at + i);
            block[size_t(2 * i)] = v;
            block[size_t(2 * i + 1)] = v;
        }
        if (bin.write(reinterpret_cast<const char*>(block.data()), qint64(block.size() * 2)) !=
            qint64(block.size() * 2))
            return QString();
    }
    bin.close();
    const QString path = QDir(dir).filePath(name + QStringLiteral(".cue"));
    QFile cue(path);
    if (!cue.open(QIODevice::WriteOnly)) return QString();
    cue.write(QStringLiteral("FILE \"%1.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                             "  TRACK 02 AUDIO\n    INDEX 01 %2:%3:00\n")
                  .arg(name)
                  .arg(firstSeconds / 60, 2, 10, QLatin1Char('0'))
                  .arg(firstSeconds % 60, 2, 10, QLatin1Char('0'))
                  .toUtf8());
    return path;
}

// A capture of track 1's clicks at half speed, Set pressed as each click's first sample
// arrives; each stamp less the click's time (ms). The stamps are hundredths, cut.
std::vector<double> SlowStampErrors(DiscDevice& dev, MonitorRecorder& recorder, int clicks)
{
    CommandSet commands;
    Settings settings;
    QuietHost host;
    SystemClock clock;
    PlayerCore core(dev, clock, settings, commands, host);
    TWords& words = core.words;
    words.NewDisc(dev.TrackCount());
    for (int k = 1; k <= clicks; ++k) words.SetLine(1, k, {QStringLiteral("click %1").arg(k), 0, 0});
    words.SetLineCount(1, clicks);
    QuietTimingView view;
    TimingCapture capture(dev, clock, words, core.controller, view);
    capture.SetTrack(1);
    capture.SetSpeed(0.5);
    recorder.WaitForSilence(4410);
    recorder.Pump(0);
    size_t seen = recorder.right.size();
    int quietFor = 44100; // samples of silence before the next onset
    int pressed = 0;
    std::vector<double> errors;
    capture.StartClick(1, 1);
    recorder.WaitFor(
        [&] {
            const uint32_t now = clock.TickCount();
            const size_t end = recorder.right.size();
            for (; seen < end && pressed < clicks; ++seen) {
                const bool loud = std::abs(int(recorder.right[seen])) > 3000;
                if (loud && quietFor > 4410) {
                    // The click began (end - seen) samples before the recording's newest.
                    const auto ago = static_cast<uint32_t>((end - seen) * 1000 / 44100);
                    const bool atStart = capture.AtStartColumn;
                    const int line = capture.CaptureLine;
                    capture.SetClick(false, now - ago);
                    const TWordsLine l = words.GetLine(1, line);
                    const int32_t stamp = 10 * (atStart ? l.StartTime : l.EndTime);
                    errors.push_back(stamp - (kFirstClickMs + kClickEveryMs * pressed));
                    ++pressed;
                }
                quietFor = loud ? 0 : quietFor + 1;
            }
            return pressed >= clicks;
        },
        (clicks + 2) * kClickEveryMs * 2 + 5000);
    capture.StopTiming();
    return errors;
}
} // namespace

int main(int argc, char** argv)
{
    // Decide on the sound server before Qt looks for one.
    SoundServer server(QStringLiteral(MIRELUNE_BUILD_DIR "/pulse-timing"),
                       QStringLiteral(MIRELUNE_SOURCE_DIR "/tests/device/pulse-server.sh"),
                       QStringLiteral("timing_bench"));
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString cue = dir.isValid() ? WriteDisc(dir.path(), QStringLiteral("music"), kTrackSeconds, 30, Music)
                                      : QString();
    const QString clicks = cue.isEmpty()
                               ? QString()
                               : WriteDisc(dir.path(), QStringLiteral("clicks"), kClickTrackSeconds, 25, Clicks);
    if (cue.isEmpty() || clicks.isEmpty()) {
        std::fprintf(stderr, "timing_bench: the bench discs could not be written\n");
        return 1;
    }
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

    // Half speed through the sound server.
    double cpu = -1;
    std::vector<double> errors;
    if (!server.Ready()) {
        std::fprintf(stderr, "timing_bench: no PulseAudio server could be started\n");
    } else {
        DiscDevice dev;
        std::optional<MonitorRecorder> recording(std::in_place);
        QString why;
        if (!dev.Open(clicks) || dev.SoundOutputMissing() || !recording->Start(&why)) {
            std::fprintf(stderr, "timing_bench: cannot play and record: %s %s\n", qPrintable(dev.OpenError()),
                         qPrintable(why));
        } else {
            errors = SlowStampErrors(dev, *recording, 10);
            // The recorder makes the null sink run at its few milliseconds' pace: not for the CPU.
            recording.reset();
            cpu = CpuPercentPlaying(dev, 2, 0.5);
        }
    }
    std::printf("peaks_5min_track_runs: %zu\n", times.size());
    std::printf("peaks_5min_track_ms_slowest: %.1f\n", times.back());
    int result = 0;
    if (!errors.empty()) {
        double mean = 0, worst = 0;
        for (double e : errors) {
            mean += e;
            worst = std::max(worst, std::fabs(e));
        }
        mean /= double(errors.size());
        std::printf("stamp_slow_presses: %zu\n", errors.size());
        std::printf("stamp_error_slow_worst_ms: %.1f\n", worst);
        std::printf("peaks_5min_track_ms: %.1f\n", times[times.size() / 2]);
        std::printf("slow_playback_cpu_percent: %.2f\n", cpu);
        std::printf("stamp_error_slow_ms: %.1f\n", mean);
    } else {
        std::printf("peaks_5min_track_ms: %.1f\n", times[times.size() / 2]);
        result = 1;
    }
    return result;
}
