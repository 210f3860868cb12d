// DiscDevice against a real sound server: how far the reported position is from the
// audio being heard, how soon a play or seek sounds, and the CPU the process takes
// while a disc plays (a BIN image, and the demo disc as FLAC with a cue sheet).
//
// The disc's samples carry their own position; the null sink's monitor is recorded
// with low latency, and every Position is compared with the position carried by the
// samples arriving at that moment. Uses PULSE_SERVER when it answers, else starts a
// private PulseAudio server with a null sink (and stops it again).
#include <QCoreApplication>
#include <QDir>
#include <QMediaDevices>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <vector>

#include "BenchSupport.h"
#include "DeviceTestSupport.h"
#include "playback/DiscDevice.h"

namespace {

// Milliseconds from now until the recording carries a sample of the stretch that
// starts at sample from (within its first second); -1 when nothing came in 3 s.
double MsToSound(MonitorRecorder& recorder, const std::function<void()>& play, int64_t from)
{
    recorder.Pump(0);
    const size_t mark = recorder.samples.size();
    QElapsedTimer t;
    t.start();
    play();
    size_t seen = mark;
    const bool heard = recorder.WaitFor(
        [&] {
            for (; seen < recorder.samples.size(); ++seen)
                if (recorder.samples[seen] >= from && recorder.samples[seen] < from + 44100) return true;
            return false;
        },
        3000);
    return heard ? static_cast<double>(t.nsecsElapsed()) / 1e6 : -1;
}

// CPU over 20 s of playing a track, polled the way the program polls: every 100 ms.
double CpuPercentPlaying(DiscDevice& dev, int track)
{
    dev.SetStartPos(dev.TrackPosition(track));
    dev.Play();
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < 20000) {
        QThread::msleep(100);
        dev.Mode();
        dev.Position();
    }
    const double percent = (CpuSeconds() - cpu0) / (static_cast<double>(wall.elapsed()) / 1000.0) * 100.0;
    dev.Stop();
    return percent;
}

} // namespace

int main(int argc, char** argv)
{
    // Decide on the sound server before Qt looks for one.
    SoundServer server(QStringLiteral(MIRELUNE_BUILD_DIR "/pulse"),
                       QStringLiteral(MIRELUNE_SOURCE_DIR "/tests/device/pulse-server.sh"), QStringLiteral("bench"));
    if (!server.Ready()) {
        std::fprintf(stderr, "device_bench: no PulseAudio server could be started\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    int result = 0;
    {
        QTemporaryDir dir;
        // Track 1: 30 s for the position accuracy; track 2: 25 s for the CPU.
        const QString cue = WriteCueImage(dir.path(), QStringLiteral("bench"), {{30 * 75}, {25 * 75}});
        DiscDevice dev;
        std::optional<MonitorRecorder> recording(std::in_place);
        MonitorRecorder& recorder = *recording;
        QString why;
        if (cue.isEmpty() || !dev.Open(cue) || dev.SoundOutputMissing() || !recorder.Start(&why)) {
            std::fprintf(stderr, "device_bench: cannot play and record: %s %s\n", qPrintable(dev.OpenError()),
                         qPrintable(why));
            result = 1;
        } else {
            // Position against what is heard, over the whole of track 1.
            recorder.WaitForSilence(4410);
            recorder.samples.clear();
            dev.SetStartPos(dev.TrackPosition(1));
            dev.SetEndPos(dev.TrackPosition(2));
            dev.Play();
            std::vector<double> errors, signedErrors;
            recorder.WaitFor(
                [&] {
                    const size_t before = recorder.samples.size();
                    recorder.Pump(50);
                    if (recorder.samples.size() == before) return dev.Mode() != ModePlaying;
                    const int64_t heard = recorder.LastCoded();
                    const int32_t pos = dev.Position();
                    if (heard < 0 || dev.Mode() != ModePlaying) return dev.Mode() != ModePlaying;
                    const double e = pos - static_cast<double>(heard) * 1000.0 / 44100.0;
                    signedErrors.push_back(e);
                    errors.push_back(std::fabs(e));
                    return false;
                },
                60000);
            recorder.Pump(0);

            // Play and seek to sound, the way the controller drives the device: a first
            // play, resume, a seek or track change while playing, the release of a held
            // seek. The worst of ten.
            auto seekTo = [&](int32_t ms) {
                dev.Stop();
                dev.SetStartPos(ms);
                dev.SetEndPos(ms);
                dev.SetWait(true);
                dev.Play();
            };
            auto playFrom = [&](int32_t ms) {
                return [&dev, &seekTo, ms] {
                    seekTo(ms);
                    dev.SetEndPos(dev.TrackPosition(2));
                    dev.Play();
                };
            };
            std::vector<double> toSound;
            const int32_t t1 = dev.TrackPosition(1);
            dev.Stop();
            recorder.WaitForSilence(4410);
            toSound.push_back(MsToSound(recorder, playFrom(t1 + 1000), SampleAtMs(t1 + 1000)));
            for (int round = 0; round < 3; ++round) {
                const int32_t base = t1 + 3000 + round * 8000;
                QThread::msleep(300);
                dev.Pause();
                const int32_t paused = dev.Position();
                QThread::msleep(300);
                toSound.push_back(MsToSound(recorder, [&] { dev.Resume(); }, SampleAtMs(paused)));
                QThread::msleep(300);
                toSound.push_back(MsToSound(recorder, playFrom(base), SampleAtMs(base)));
                QThread::msleep(300);
                dev.Stop(); // a held seek: silence while the target moves
                QThread::msleep(500);
                toSound.push_back(MsToSound(recorder, playFrom(base + 4000), SampleAtMs(base + 4000)));
            }
            dev.Stop();
            const bool allSounded = std::none_of(toSound.begin(), toSound.end(), [](double ms) { return ms < 0; });

            // A recording client with a few milliseconds of latency makes the null sink,
            // and every stream on it, run at that pace; the program plays without one.
            recording.reset();
            const double cpuPercent = CpuPercentPlaying(dev, 2);
            dev.Close();
            // The same on the demo disc as a FLAC file with its cue sheet: decoding as it plays.
            DiscDevice flac;
            const QString flacCue = QStringLiteral(MIRELUNE_BUILD_DIR "/demo/demo-flac.cue");
            const double flacCpuPercent = flac.Open(flacCue) ? CpuPercentPlaying(flac, 2) : -1;
            if (flacCpuPercent < 0) std::fprintf(stderr, "device_bench: %s\n", qPrintable(flac.OpenError()));

            if (errors.empty()) {
                std::fprintf(stderr, "device_bench: nothing was heard\n");
                result = 1;
            } else {
                double mean = 0;
                for (double e : signedErrors) mean += e;
                mean /= static_cast<double>(signedErrors.size());
                std::printf("position_samples: %zu\n", errors.size());
                std::printf("position_error_mean_signed_ms: %.2f\n", mean);
                std::printf("position_error_p50_ms: %.2f\n", Percentile(errors, 0.50));
                std::printf("position_error_p99_ms: %.2f\n", Percentile(errors, 0.99));
                std::printf("cpu_percent_playing: %.2f\n", cpuPercent);
                if (allSounded)
                    std::printf("play_to_sound_ms: %.1f\n", *std::max_element(toSound.begin(), toSound.end()));
                else
                    std::printf("play_to_sound_ms: never (a play did not sound within 3 s)\n");
                if (flacCpuPercent >= 0) std::printf("flac_cpu_percent_playing: %.2f\n", flacCpuPercent);
            }
        }
    }
    return result;
}
