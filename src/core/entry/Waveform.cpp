#include "Waveform.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>

#include "core/common/SafeSave.h"

namespace {
constexpr int kFrameBytes = 2352;
constexpr int kFrameSamples = 588; // stereo samples in a CD frame
constexpr int kBinSamples = 441;   // stereo samples in 10 ms
constexpr int kFramesPerRead = 75; // a second at a time
constexpr char kFileMagic[8] = {'M', 'L', 'P', 'E', 'A', 'K', 'S', '1'};

} // namespace

std::optional<TrackPeaks> ComputePeaks(SampleReader& reader, int32_t startMs, int32_t lengthMs,
                                       const std::atomic<bool>* cancel)
{
    TrackPeaks result;
    result.StartMs = startMs;
    if (lengthMs <= 0) return result;
    const size_t bins = size_t(lengthMs) / TrackPeaks::kBinMs;
    result.Peaks.assign(bins, 0);
    // The first sample of the stretch, within the frame it falls in.
    const int64_t firstSample = int64_t(startMs) * 441 / 10;
    int32_t frame = static_cast<int32_t>(firstSample / kFrameSamples);
    int skip = static_cast<int>(firstSample - int64_t(frame) * kFrameSamples);
    const int64_t wanted = int64_t(bins) * kBinSamples;
    std::vector<char> buffer(size_t(kFramesPerRead) * kFrameBytes);
    int64_t done = 0; // samples of the stretch seen
    int binPeak = 0;
    while (done < wanted) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return std::nullopt;
        const int64_t framesLeft = (wanted - done + skip + kFrameSamples - 1) / kFrameSamples;
        const int count = static_cast<int>(std::min<int64_t>(kFramesPerRead, framesLeft));
        if (!reader.ReadFrames(frame, count, buffer.data())) return std::nullopt;
        const auto* s = reinterpret_cast<const int16_t*>(buffer.data());
        const int64_t samples = int64_t(count) * kFrameSamples;
        for (int64_t i = skip; i < samples && done < wanted; ++i, ++done) {
            // Little-endian samples, as CD audio is, on the machines the program runs on.
            const int l = std::abs(int(s[2 * i])), r = std::abs(int(s[2 * i + 1]));
            binPeak = std::max(binPeak, std::max(l, r));
            if ((done + 1) % kBinSamples == 0) {
                result.Peaks[size_t(done / kBinSamples)] = static_cast<uint8_t>(std::min(binPeak >> 7, 255));
                binPeak = 0;
            }
        }
        skip = 0;
        frame += count;
    }
    return result;
}

WaveformCache::WaveformCache(QObject* parent) : QObject(parent) {}

WaveformCache::~WaveformCache()
{
    {
        std::lock_guard lock(mutex);
        quit = true;
        cancel = true;
    }
    wake.notify_all();
    if (thread.joinable()) thread.join();
}

QString WaveformCache::key(const QString& discId, int track, int32_t startMs, int32_t lengthMs)
{
    return QStringLiteral("%1-%2-%3-%4").arg(discId).arg(track, 2, 10, QLatin1Char('0')).arg(startMs).arg(lengthMs);
}

QString WaveformCache::FileOf(const QString& discId, int track, int32_t startMs, int32_t lengthMs) const
{
    if (Folder.isEmpty() || discId.isEmpty()) return QString();
    return QDir(Folder).filePath(key(discId, track, startMs, lengthMs) + QStringLiteral(".peaks"));
}

const TrackPeaks* WaveformCache::Peaks(const QString& discId, int track, int32_t startMs, int32_t lengthMs)
{
    const QString k = key(discId, track, startMs, lengthMs);
    if (auto it = known.find(k); it != known.end()) return &it->second;
    // Kept in a file from an earlier run: read at once (a few kilobytes).
    if (const QString path = FileOf(discId, track, startMs, lengthMs); !path.isEmpty()) {
        // Never waiting on a FIFO put in its place, nor reading more than a cache file holds.
        const size_t bins = size_t(std::max(lengthMs, 0)) / TrackPeaks::kBinMs;
        FileRead file;
        if (ReadFileWhole(path, int64_t(sizeof kFileMagic + bins), &file)) {
            const QByteArray& bytes = file.bytes;
            if (bytes.size() == qsizetype(sizeof kFileMagic + bins) && bytes.startsWith(QByteArray(kFileMagic, 8))) {
                TrackPeaks peaks;
                peaks.StartMs = startMs;
                peaks.Peaks.assign(bytes.begin() + 8, bytes.end());
                return &known.emplace(k, std::move(peaks)).first->second;
            }
        }
    }
    if (!Opener) return nullptr;
    if (running && running->discId == discId && running->track == track && running->startMs == startMs &&
        running->lengthMs == lengthMs)
        return nullptr; // under way
    Job job{discId, track, startMs, lengthMs, 0, std::shared_ptr<SampleReader>(Opener())};
    if (!job.reader) return nullptr; // no disc to read
    {
        std::lock_guard lock(mutex);
        job.generation = generation;
        // The newest wish first: what is computing for another track stops.
        if (running) cancel = true;
        waiting = job;
    }
    running = job;
    if (!thread.joinable()) thread = std::thread([this] { run(); });
    wake.notify_all();
    return nullptr;
}

void WaveformCache::Clear()
{
    {
        std::lock_guard lock(mutex);
        ++generation;
        cancel = true;
        waiting.reset();
    }
    running.reset();
    known.clear();
}

void WaveformCache::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return quit || waiting; });
            if (quit) return;
            job = std::move(*waiting);
            waiting.reset();
            cancel = false;
        }
        std::optional<TrackPeaks> peaks = ComputePeaks(*job.reader, job.startMs, job.lengthMs, &cancel);
        job.reader.reset();   // closed here, on the thread that read
        if (!peaks) continue; // stopped for a newer wish, or the disc could not be read
        QMetaObject::invokeMethod(
            this, [this, job, p = std::move(*peaks)]() mutable { finished(job, std::move(p)); }, Qt::QueuedConnection);
    }
}

void WaveformCache::finished(const Job& job, TrackPeaks peaks)
{
    {
        std::lock_guard lock(mutex);
        if (job.generation != generation) return; // a disc since gone
    }
    if (running && running->track == job.track && running->discId == job.discId) running.reset();
    const QString path = FileOf(job.discId, job.track, job.startMs, job.lengthMs);
    if (!path.isEmpty() && QDir().mkpath(QFileInfo(path).path())) {
        QByteArray bytes(kFileMagic, 8);
        bytes.append(reinterpret_cast<const char*>(peaks.Peaks.data()), qsizetype(peaks.Peaks.size()));
        SaveFileWhole(path, bytes); // a cache: a failed write only means computing again
    }
    known[key(job.discId, job.track, job.startMs, job.lengthMs)] = std::move(peaks);
    emit Ready(job.track);
}
