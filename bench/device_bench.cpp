// DiscDevice against a real sound server: how far the reported position is from the
// audio being heard (over a whole track, and in the first second of each play), how
// soon a play or seek sounds (also data entry's Start, Ret and Test, through the timing
// capture), whether playing on from track to track loses or adds anything at the
// boundaries, how long the main thread is held while the drive answers slowly (every
// read 0.5 s), and the CPU the process takes while a disc plays (a BIN image, and the
// demo disc as FLAC with a cue sheet).
//
// The disc's samples carry their own position; the null sink's monitor is recorded
// with low latency, and every Position is compared with the position carried by the
// samples arriving at that moment. Uses PULSE_SERVER when it answers, else starts a
// private PulseAudio server with a null sink (and stops it again).
#include <QCoreApplication>
#include <QDir>
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
#include "core/app/PlayerCore.h"
#include "core/common/Clock.h"
#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/entry/TimingCapture.h"
#include "core/settings/IniFile.h"
#include "device/DiscDevice.h"

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

// The first second of a play from a standstill: from the Play until a second after its
// first sample is heard, every Position against the sample arriving at that moment (the
// start itself until the first arrives). The worst difference, in ms.
double FirstSecondErrorMax(DiscDevice& dev, MonitorRecorder& recorder, int32_t from, int32_t to)
{
    recorder.WaitForSilence(4410);
    recorder.Pump(0);
    const size_t mark = recorder.samples.size();
    dev.SetStartPos(from);
    dev.SetEndPos(to);
    dev.Play();
    double worst = 0;
    QElapsedTimer sinceHeard;
    recorder.WaitFor(
        [&] {
            const int32_t pos = dev.Position();
            double heard = from;
            if (recorder.FirstCodedFrom(mark) >= 0) {
                if (!sinceHeard.isValid()) sinceHeard.start();
                heard = static_cast<double>(recorder.LastCoded()) * 1000.0 / 44100.0;
            }
            worst = std::max(worst, std::fabs(pos - heard));
            return sinceHeard.isValid() && sinceHeard.elapsed() >= 1000;
        },
        5000);
    dev.Stop();
    return worst;
}

// Data entry's Start (from a standstill), Ret (while capturing) and Test (after the
// capture stopped), as the dialog drives the drive: ms from each press to its first
// sample heard, three rounds; track 1 gets four lines 5 s apart.
std::vector<double> DataEntryToSound(DiscDevice& dev, MonitorRecorder& recorder)
{
    CommandSet commands;
    Settings settings;
    QuietHost host;
    SystemClock clock;
    PlayerCore core(dev, clock, settings, commands, host);
    TWords& words = core.words;
    PlaybackController& player = core.controller;
    words.NewDisc(dev.TrackCount());
    for (int k = 1; k <= 4; ++k) words.SetLine(1, k, {QStringLiteral("line %1").arg(k), 500 * k, 500 * k + 400});
    words.SetLineCount(1, 4);
    QuietTimingView view;
    TimingCapture capture(dev, clock, words, player, view);
    capture.SetTrack(1);
    const int32_t t1 = dev.TrackPosition(1);
    std::vector<double> out;
    for (int round = 0; round < 3; ++round) {
        recorder.WaitForSilence(4410);
        // Start on line 3's start: it plays from line 2's start.
        out.push_back(MsToSound(
            recorder, [&] { capture.StartClick(1, 3); }, SampleAtMs(t1 + 10 * capture.LeadIn(1, 3))));
        QThread::msleep(1500); // past the first second, so that its own samples are told apart
        const int32_t again = t1 + 10 * capture.LeadIn(1, capture.CaptureLine);
        out.push_back(MsToSound(
            recorder, [&] { capture.RetClick(); }, SampleAtMs(again)));
        capture.StopTiming();
        recorder.WaitForSilence(4410);
        out.push_back(MsToSound(
            recorder, [&] { capture.TestClick(1500 + 300 * round); }, SampleAtMs(t1 + 15000 + 3000 * round)));
        capture.StopTiming();
    }
    return out;
}

// A disc of six 2-second tracks played from the first to the last through the
// controller, as the program plays it, recording. At each track boundary, how far the
// recording's offset from the disc steps: samples lost, or silence put between. The
// worst, in ms; boundaries counts those heard (five when all were).
double BoundaryStepMaxMs(const QString& dir, MonitorRecorder& recorder, int& boundaries)
{
    const std::vector<TestTrack> tracks(6, TestTrack{150});
    const QString cue = WriteCueImage(dir, QStringLiteral("tracks"), tracks);
    DiscDevice dev;
    SystemClock clock;
    CommandSet commands;
    Settings settings;
    QuietHost host;
    PlayerCore core(dev, clock, settings, commands, host);
    PlaybackController& player = core.controller;
    player.TimerInt = 100;
    player.AutoPlay = true;
    boundaries = 0;
    if (cue.isEmpty() || !player.OpenDevice(cue) || dev.SoundOutputMissing()) return -1;
    recorder.WaitForSilence(4410);
    const size_t mark = recorder.samples.size();
    player.StartTimer();
    bool started = false;
    recorder.WaitFor(
        [&] {
            QCoreApplication::processEvents();
            started = started || player.Started();
            return started && !player.Started();
        },
        30000);
    recorder.WaitForSilence(4410);
    double worst = 0;
    for (int t = 2; t <= 6; ++t) {
        // The last sample of the track before, and the first of this one, in the recording.
        const int64_t first = SampleAtMs(dev.TrackPosition(t));
        std::optional<size_t> before, after;
        for (size_t i = mark; i < recorder.samples.size(); ++i) {
            const int64_t s = recorder.samples[i];
            if (s >= 0 && s < first && s >= first - 44100) before = i;
            if (s >= first && s < first + 44100 && before && !after) after = i;
        }
        if (!before || !after) continue;
        ++boundaries;
        const int64_t recorded = static_cast<int64_t>(*after - *before);
        const int64_t onDisc = recorder.samples[*after] - recorder.samples[*before];
        worst = std::max(worst, std::fabs(static_cast<double>(recorded - onDisc)) * 1000.0 / 44100.0);
    }
    return worst;
}

// A drive that answers slowly: every read takes half a second.
class SlowSource : public SectorSource {
public:
    explicit SlowSource(std::unique_ptr<SectorSource> disc) : inner(std::move(disc)) {}
    DiscToc Toc() const override { return inner->Toc(); }
    bool Read(int32_t frame, int count, char* out) override
    {
        QThread::msleep(500);
        return inner->Read(frame, count, out);
    }

private:
    std::unique_ptr<SectorSource> inner;
};

// The controller on a drive whose reads take 0.5 s, driven as a user does (play, next,
// pause and resume, stop, a selection, stop): the longest the main thread was held, as
// the lateness of a 10 ms timer, in ms.
double MainThreadStallMaxMs(const QString& dir)
{
    const QString cue = WriteCueImage(dir, QStringLiteral("slow"), std::vector<TestTrack>(4, TestTrack{600}));
    DiscDevice dev([](const QString& name, QString* error) -> std::unique_ptr<SectorSource> {
        std::unique_ptr<SectorSource> disc = DiscDevice::OpenSource(name, error);
        if (!disc) return nullptr;
        return std::make_unique<SlowSource>(std::move(disc));
    });
    SystemClock clock;
    CommandSet commands;
    Settings settings;
    QuietHost host;
    PlayerCore core(dev, clock, settings, commands, host);
    PlaybackController& player = core.controller;
    player.TimerInt = 100;
    if (cue.isEmpty() || !player.OpenDevice(cue)) return -1;
    player.StartTimer();
    const std::vector<std::pair<int, std::function<void()>>> steps = {
        {1000, [&] { player.PlayBtnClick(); }},
        {2500,
         [&] {
             player.PrevNextPress(true);
             player.ReleaseButton();
         }},
        {4500, [&] { player.PauseBtnClick(); }},
        {5000, [&] { player.PauseBtnClick(); }},
        {6000, [&] { player.StopBtnClick(); }},
        {7000, [&] { player.SelectEntry(3); }},
        {8500, [&] { player.StopBtnClick(); }},
    };
    QElapsedTimer wall;
    wall.start();
    size_t next = 0;
    double worst = 0;
    qint64 last = 0;
    while (wall.elapsed() < 10000) {
        QCoreApplication::processEvents();
        const qint64 now = wall.elapsed();
        worst = std::max(worst, static_cast<double>(now - last));
        last = now;
        if (next < steps.size() && now >= steps[next].first) steps[next++].second();
        QThread::msleep(1);
    }
    return worst;
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
            // seek; then data entry's Start, Ret and Test. The worst of nineteen.
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
                toSound.push_back(MsToSound(
                    recorder, [&] { dev.Resume(); }, SampleAtMs(paused)));
                QThread::msleep(300);
                toSound.push_back(MsToSound(recorder, playFrom(base), SampleAtMs(base)));
                QThread::msleep(300);
                dev.Stop(); // a held seek: silence while the target moves
                QThread::msleep(500);
                toSound.push_back(MsToSound(recorder, playFrom(base + 4000), SampleAtMs(base + 4000)));
            }
            dev.Stop();
            const std::vector<double> dataEntry = DataEntryToSound(dev, recorder);
            toSound.insert(toSound.end(), dataEntry.begin(), dataEntry.end());
            const bool allSounded = std::none_of(toSound.begin(), toSound.end(), [](double ms) { return ms < 0; });
            const bool dataEntrySounded = std::none_of(dataEntry.begin(), dataEntry.end(),
                                                       [](double ms) { return ms < 0; });

            // The first second of five plays from a standstill.
            double firstSecond = 0;
            for (int i = 0; i < 5; ++i)
                firstSecond = std::max(firstSecond,
                                       FirstSecondErrorMax(dev, recorder, t1 + 500 + 5000 * i, t1 + 3500 + 5000 * i));

            // Playing on from track to track.
            int boundaries = 0;
            const double boundaryStep = BoundaryStepMaxMs(dir.path(), recorder, boundaries);

            // The main thread while the drive answers slowly.
            const double stall = MainThreadStallMaxMs(dir.path());

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
                std::printf("first_second_position_error_max_ms: %.1f\n", firstSecond);
                std::printf("cpu_percent_playing: %.2f\n", cpuPercent);
                if (dataEntrySounded)
                    std::printf("data_entry_play_to_sound_ms: %.1f\n",
                                *std::max_element(dataEntry.begin(), dataEntry.end()));
                if (allSounded)
                    std::printf("play_to_sound_ms: %.1f\n", *std::max_element(toSound.begin(), toSound.end()));
                else
                    std::printf("play_to_sound_ms: never (a play did not sound within 3 s)\n");
                if (flacCpuPercent >= 0) std::printf("flac_cpu_percent_playing: %.2f\n", flacCpuPercent);
                std::printf("boundaries_heard: %d of 5\n", boundaries);
                std::printf("boundary_step_max_ms: %.2f\n", boundaryStep);
                std::printf("main_thread_stall_max_ms: %.1f\n", stall);
            }
        }
    }
    return result;
}
