#pragma once
// The waveform of a track for the timing page: the peak of the sound in every 10 ms,
// read from the disc's own samples on a thread of its own (never on the windows'
// thread), and kept per track in memory and, when a folder is given, in small files
// (the cache folder), so that a track is read once.
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Reads a disc's audio: raw CD frames (2352 bytes of 16-bit stereo, 44.1 kHz) from an
// absolute frame (the lead-in included). Made on the windows' thread, then used on the
// waveform's thread only (so it opens what it reads at its first read).
class SampleReader {
public:
    virtual ~SampleReader() = default;
    virtual bool ReadFrames(int32_t frame, int count, char* out) = 0;
};
// Opens a reader of the disc in the drive now; null when there is none.
using SampleReaderOpener = std::function<std::unique_ptr<SampleReader>()>;

// The peaks of a stretch of disc time: one per 10 ms, the larger of both channels'
// absolute sample values scaled to 0..255.
struct TrackPeaks {
    static constexpr int kBinMs = 10;
    int32_t StartMs = 0; // absolute disc time of the first bin
    std::vector<uint8_t> Peaks;
    // The peak at a time in hundredths of a second from StartMs; 0 outside.
    uint8_t At(int32_t hundredths) const
    {
        return hundredths >= 0 && size_t(hundredths) < Peaks.size() ? Peaks[size_t(hundredths)] : 0;
    }
};

// The peaks of [startMs, startMs + lengthMs) of the disc. Stops early (no value) when
// cancel becomes true or a read fails.
std::optional<TrackPeaks> ComputePeaks(SampleReader& reader, int32_t startMs, int32_t lengthMs,
                                       const std::atomic<bool>* cancel = nullptr);

// The waveforms of the disc's tracks, computed in the background one at a time.
class WaveformCache : public QObject {
    Q_OBJECT
public:
    explicit WaveformCache(QObject* parent = nullptr);
    ~WaveformCache() override; // the computing under way is stopped and waited for

    SampleReaderOpener Opener; // unset: no waveforms
    QString Folder;            // where computed peaks are kept as files; empty: memory only

    // The peaks of track (of the disc discId, spanning startMs..+lengthMs), or null while
    // they are being computed: Ready(track) tells when they are there. A request for
    // another track goes before the one waiting.
    const TrackPeaks* Peaks(const QString& discId, int track, int32_t startMs, int32_t lengthMs);
    // The disc went or changed: what is computing stops, the memory is emptied.
    void Clear();
    // The file that keeps a track's peaks.
    QString FileOf(const QString& discId, int track, int32_t startMs, int32_t lengthMs) const;

signals:
    void Ready(int track);

private:
    struct Job {
        QString discId;
        int track = 0;
        int32_t startMs = 0, lengthMs = 0;
        uint64_t generation = 0;
        std::shared_ptr<SampleReader> reader;
    };
    void run();
    void finished(const Job& job, TrackPeaks peaks);
    static QString key(const QString& discId, int track, int32_t startMs, int32_t lengthMs);

    std::map<QString, TrackPeaks> known;
    std::optional<Job> running; // asked, not yet back (main thread's view)

    std::mutex mutex;
    std::condition_variable wake;
    std::optional<Job> waiting; // for the thread
    bool quit = false;
    std::atomic<bool> cancel{false};
    uint64_t generation = 0; // Clear makes the jobs before it void
    std::thread thread;
};
