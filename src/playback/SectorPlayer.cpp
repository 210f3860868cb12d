#include "playback/SectorPlayer.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <cstring>
#include <pthread.h>

namespace {
constexpr int kChunkFrames = 32;          // about 0.4 s read at a time
constexpr size_t kRingBytes = 2 * kSampleRate * 4;  // 2 s between drive and sink
// Asked of the server for each stream; it grants a little over half of it (about
// 0.3 s) and keeps the rest as its own latency.
constexpr qsizetype kSinkBufferBytes = kSampleRate * 4 / 2;
constexpr int kFeedFastMs = 10;   // the least time between two feeds
constexpr int kFeedSlowMs = 250;  // the most
constexpr int kLingerMs = 300;
constexpr int kSkipFrames = kFramesPerSecond; // a damaged stretch is skipped a second at a time
constexpr int kFailuresBeforeSkip = 3;
} // namespace

bool SampleRing::Push(const char* bytes, size_t count, const std::atomic<bool>& quit)
{
    std::unique_lock<std::mutex> l(lock);
    count = std::min(count, data.size());
    wanted = count;
    spaceFree.wait(l, [&] { return quit || data.size() - used >= count; });
    wanted = 0;
    if (quit) return false;
    const size_t tail = (head + used) % data.size();
    const size_t first = std::min(count, data.size() - tail);
    std::memcpy(data.data() + tail, bytes, first);
    std::memcpy(data.data(), bytes + first, count - first);
    used += count;
    return true;
}

size_t SampleRing::Pop(char* out, size_t max)
{
    std::lock_guard<std::mutex> l(lock);
    size_t done = 0;
    while (done < max && used > 0) {
        const size_t n = std::min({max - done, used, data.size() - head});
        std::memcpy(out + done, data.data() + head, n);
        head = (head + n) % data.size();
        used -= n;
        done += n;
    }
    // The reader sleeps until its whole chunk fits.
    if (wanted > 0 && data.size() - used >= wanted) spaceFree.notify_all();
    return done;
}

size_t SampleRing::Size() const
{
    std::lock_guard<std::mutex> l(lock);
    return used;
}

void SampleRing::Wake()
{
    // Taken so that a Push about to wait cannot miss the call.
    { std::lock_guard<std::mutex> l(lock); }
    spaceFree.notify_all();
}

SectorPlayer::SectorPlayer()
{
    thread.reset(QThread::create([this] { run(); }));
    thread->setObjectName(QStringLiteral("audio"));
    thread->start();
}

SectorPlayer::~SectorPlayer()
{
    call([this] {
        stop();
        const bool hadStream = sink != nullptr;
        releaseSink();
        // The server answers a closed stream with notices; let Qt's sound client take
        // them before the program may end (Qt 6.4 drops its server connection at exit
        // without holding its lock, and a notice arriving then can crash it).
        if (hadStream) QThread::msleep(100);
    });
    {
        std::lock_guard<std::mutex> l(lock);
        quit = true;
    }
    wake.notify_all();
    thread->wait();
}

void SectorPlayer::call(const std::function<void()>& f)
{
    std::unique_lock<std::mutex> l(lock);
    done.wait(l, [this] { return !command; }); // one command at a time
    bool ran = false;
    command = [&] {
        f();
        ran = true;
    };
    wake.notify_all();
    done.wait(l, [&] { return ran; });
}

void SectorPlayer::run()
{
    std::unique_lock<std::mutex> l(lock);
    while (!quit) {
        if (command) {
            command();
            command = nullptr;
            done.notify_all();
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (dropPending) {
            dropPending = false;
            stopReader();
            dropSink();
        }
        if (lingering && now >= lingerUntil) dropSink();
        if (feeding && now >= feedAt) feed();
        // What the sink posted to its thread (its timer's ticks among them) is taken
        // here, at the player's pace.
        QCoreApplication::processEvents();
        Clock::time_point next = Clock::time_point::max();
        if (feeding) next = std::min(next, feedAt);
        if (lingering) next = std::min(next, lingerUntil);
        auto due = [this] { return quit || command || dropPending; };
        if (next == Clock::time_point::max())
            wake.wait(l, due);
        else
            wake.wait_until(l, next, due);
    }
}

void SectorPlayer::releaseSink()
{
    // Qt 6.4's PulseAudio sink can still be called back (a drain it started on an
    // underflow completes) after it is deleted, so a sink is reused while the player
    // lives and is left behind, stopped, when it goes.
    if (sink) sink->stop();
    sink = nullptr;
    io = nullptr;
}

void SectorPlayer::Start(SectorSource* source, const DiscToc& toc, int64_t from, int64_t to,
                         const QAudioDevice& output)
{
    call([&] { start(source, toc, from, to, output); });
}

void SectorPlayer::start(SectorSource* source, const DiscToc& toc, int64_t from, int64_t to,
                         const QAudioDevice& output)
{
    stop();
    active = true;
    silent = false;
    fromSample = from;
    toSample = std::max(from, to);
    writtenBytes = 0;
    lastHeard = from;
    failures = 0;
    skipUntilFrame = 0;

    if (!output.isNull()) {
        if (!sink || sinkDevice != output) {
            releaseSink();
            QAudioFormat format;
            format.setSampleRate(kSampleRate);
            format.setChannelCount(2);
            format.setSampleFormat(QAudioFormat::Int16);
            sink = new QAudioSink(output, format);
            sinkDevice = output;
        }
        // Qt 6.4 keeps the buffer the server granted as its next request, and the server
        // grants less than asked: set it for every stream, or each play shrinks it until
        // the stream runs dry.
        sink->setBufferSize(kSinkBufferBytes);
        io = sink->start();
        if (!io || sink->error() != QAudio::NoError) {
            sink->stop();
            io = nullptr;
        }
    }
    if (!io) {
        goSilent(from);
        return;
    }
    ring = std::make_unique<SampleRing>(kRingBytes);
    quitReader = false;
    readerDone = false;
    reader = std::thread([this, source, toc] { readerMain(source, toc); });
    feeding = true;
    feedAt = Clock::now() + std::chrono::milliseconds(kFeedFastMs);
}

int64_t SectorPlayer::Stop()
{
    int64_t reached = 0;
    call([&] { reached = stop(); });
    return reached;
}

int64_t SectorPlayer::stop()
{
    const int64_t reached = active ? heard() : fromSample;
    stopReader();
    dropSink();
    active = false;
    silent = false;
    fromSample = reached;
    return reached;
}

void SectorPlayer::Finish()
{
    call([this] {
        if (!active) return;
        stopReader();
        active = false;
        fromSample = toSample;
        // The server still holds the last few milliseconds: let them play out (the feed
        // keeps adding silence meanwhile), then close the stream.
        if (io) {
            lingering = true;
            lingerUntil = Clock::now() + std::chrono::milliseconds(kLingerMs);
        }
    });
}

void SectorPlayer::dropSink()
{
    lingering = false;
    feeding = false;
    if (sink) sink->stop();
    io = nullptr;
    ring.reset();
}

void SectorPlayer::stopReader()
{
    if (!reader.joinable()) return;
    quitReader = true;
    if (ring) ring->Wake();
    reader.join();
}

void SectorPlayer::goSilent(int64_t reached)
{
    stopReader();
    dropSink();
    silent = true;
    silentFrom = reached;
    silentClock.start();
}

int64_t SectorPlayer::Heard()
{
    std::lock_guard<std::mutex> l(lock);
    return heard();
}

bool SectorPlayer::Finished()
{
    std::lock_guard<std::mutex> l(lock);
    return active && heard() >= toSample;
}

bool SectorPlayer::Silent() const
{
    std::lock_guard<std::mutex> l(lock);
    return silent;
}

int64_t SectorPlayer::heard()
{
    if (!active) return fromSample;
    if (!silent && (!io || (sink->state() == QAudio::StoppedState && sink->error() != QAudio::NoError))) {
        // The sound server went away: go on in silence from what was heard. The stream
        // is let go on the player's own thread.
        silent = true;
        silentFrom = lastHeard;
        silentClock.start();
        dropPending = true;
        wake.notify_all();
    }
    if (silent) {
        const int64_t ran = silentClock.nsecsElapsed() * kSampleRate / 1000000000;
        return std::min(toSample, silentFrom + ran);
    }
    const int64_t played = sink->processedUSecs() * kSampleRate / 1000000;
    const int64_t heard = fromSample + std::min(played, writtenBytes / 4);
    lastHeard = std::max(lastHeard, std::min(heard, toSample));
    return lastHeard;
}

void SectorPlayer::feed()
{
    feeding = false;
    if (!sink || !io || !ring || silent) return;
    char buf[16384];
    qint64 free = sink->bytesFree();
    while (free >= 4) {
        const size_t n = ring->Pop(buf, std::min<size_t>(sizeof buf, static_cast<size_t>(free) & ~size_t(3)));
        if (n == 0) break;
        const qint64 w = io->write(buf, static_cast<qint64>(n));
        if (w <= 0) break;
        writtenBytes += w;
        free -= w;
    }
    if (readerDone && ring->Size() == 0) {
        // All of the stretch is written: silence after it keeps the stream from running
        // dry. (An underflow makes Qt's sink start a drain that calls it back later,
        // and the server's clock then stalls short of the end.)
        static const char zeros[16384] = {};
        while (free >= 4) {
            const qint64 w = io->write(zeros, std::min<qint64>(sizeof zeros, free & ~qint64(3)));
            if (w <= 0) break;
            free -= w;
        }
    }
    // Come back when half of what the server holds has played: few wake-ups, and still
    // a good margin. While it holds little (starting, or the reader behind) that is soon.
    const qint64 heldMs = std::max<qint64>(0, sink->bufferSize() - free) * 1000 / (kSampleRate * 4);
    feeding = true;
    feedAt = Clock::now() + std::chrono::milliseconds(std::clamp(static_cast<int>(heldMs / 2), kFeedFastMs, kFeedSlowMs));
}

void SectorPlayer::readerMain(SectorSource* source, DiscToc toc)
{
    pthread_setname_np(pthread_self(), "sector-reader");
    std::vector<char> buf(static_cast<size_t>(kChunkFrames) * kSectorBytes);
    int32_t frame = static_cast<int32_t>(fromSample / kSectorSamples);
    size_t skip = static_cast<size_t>(fromSample % kSectorSamples) * 4;
    int64_t remaining = (toSample - fromSample) * 4;
    const int32_t endFrame = static_cast<int32_t>((toSample + kSectorSamples - 1) / kSectorSamples);
    while (remaining > 0 && !quitReader) {
        int n = std::min<int32_t>(kChunkFrames, endFrame - frame);
        // Keep each read within one stretch: lead-in, one track, or past the lead-out.
        std::vector<int32_t> bounds{kLeadInFrames, toc.leadOutFrame};
        for (const auto& t : toc.tracks) bounds.push_back(t.startFrame);
        for (int32_t b : bounds)
            if (b > frame) n = std::min(n, b - frame);
        readFrames(source, toc, frame, n, buf.data());
        const size_t take = std::min<int64_t>(remaining, static_cast<int64_t>(n) * kSectorBytes - skip);
        if (!ring->Push(buf.data() + skip, take, quitReader)) break;
        skip = 0;
        frame += n;
        remaining -= static_cast<int64_t>(take);
    }
    readerDone = true;
}

void SectorPlayer::readFrames(SectorSource* source, const DiscToc& toc, int32_t frame, int count, char* out)
{
    const size_t bytes = static_cast<size_t>(count) * kSectorBytes;
    const int track = toc.TrackAt(frame);
    // The lead-in, data tracks and anything past the lead-out play as silence.
    const bool audible = track > 0 && frame < toc.leadOutFrame && toc.tracks[track - 1].audio;
    if (!audible) {
        std::memset(out, 0, bytes);
        return;
    }
    if (frame >= skipUntilFrame && source->Read(frame, count, out)) {
        failures = 0;
        return;
    }
    // A damaged stretch: sector by sector, each tried twice; after a few bad sectors in
    // a row skip ahead and play silence, so playback goes on and nothing hangs.
    for (int i = 0; i < count; ++i) {
        char* sector = out + static_cast<size_t>(i) * kSectorBytes;
        const int32_t f = frame + i;
        if (f >= skipUntilFrame && (source->Read(f, 1, sector) || source->Read(f, 1, sector))) {
            failures = 0;
            continue;
        }
        std::memset(sector, 0, kSectorBytes);
        if (f >= skipUntilFrame && ++failures >= kFailuresBeforeSkip) {
            skipUntilFrame = f + kSkipFrames;
            failures = 0;
        }
    }
}
