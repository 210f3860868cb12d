#include "SectorPlayer.h"

#include <algorithm>
#include <cstring>
#include <pthread.h>
#include <rubberband/RubberBandStretcher.h>
#include <utility>

#include "PulseOutput.h"

namespace {
constexpr int kChunkFrames = 32;                   // about 0.4 s read at a time
constexpr size_t kRingBytes = 2 * kSampleRate * 4; // 2 s between drive and sink
constexpr int kFeedFastMs = 10;                    // the least time between two feeds
constexpr int kFeedSlowMs = 250;                   // the most
constexpr int kSkipFrames = kFramesPerSecond;      // a damaged stretch is skipped a second at a time
constexpr int kFailuresBeforeSkip = 3;
constexpr size_t kStretchBlock = 1024; // stereo samples given to or taken from the stretcher at a time

int16_t ToSample(float v) { return static_cast<int16_t>(std::clamp(v * 32768.0f, -32768.0f, 32767.0f)); }
} // namespace

// One reading into a ring, on a thread of its own that a stop does not wait for.
struct SectorPlayer::ReadJob {
    SharedSource source;
    DiscToc toc;
    std::shared_ptr<SampleRing> ring;
    int64_t from = 0, end = 0;
    std::atomic<bool> quit{false};
    std::atomic<bool> ended{false};
    std::atomic<int64_t> readAt{0}; // the disc's next sample to go into the ring
    std::thread thread;
    // The reader's own.
    int32_t skipUntilFrame = 0; // after repeated read errors, sectors not even tried
    int failures = 0;
};

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
    {
        std::lock_guard<std::mutex> l(lock);
    }
    spaceFree.notify_all();
}

SectorPlayer::SectorPlayer(std::unique_ptr<SoundOutput> out) : output(std::move(out))
{
    if (!output) output = std::make_unique<PulseOutput>();
    // Only a flag and a notice: the output calls this with its own lock held.
    output->Wanted = [this] {
        wanted = true;
        wake.notify_all();
    };
    // Taken at any time, also while the output is being opened on the player's thread.
    output->VolumeChanged = [this](double volume) {
        std::lock_guard<std::mutex> l(mixerLock);
        if (mixerChanged) mixerChanged(volume);
    };
    thread = std::thread([this] {
        pthread_setname_np(pthread_self(), "audio");
        run();
    });
}

SectorPlayer::~SectorPlayer()
{
    call([this] { stop(); });
    // At the end the readers still in a read are waited for: they use the sources.
    for (auto& job : retired) job->thread.join();
    {
        std::lock_guard<std::mutex> l(lock);
        quit = true;
    }
    wake.notify_all();
    thread.join();
}

void SectorPlayer::OnMixerVolume(std::function<void(double)> changed)
{
    std::lock_guard<std::mutex> l(mixerLock);
    mixerChanged = std::move(changed);
}

bool SectorPlayer::Connect()
{
    {
        std::unique_lock<std::mutex> l(lock);
        done.wait(l, [this] { return !connecting; });
        if (connectedSoon) return *std::exchange(connectedSoon, std::nullopt);
    }
    bool connected = false;
    call([&] { connected = open(); });
    return connected;
}

void SectorPlayer::ConnectSoon()
{
    std::unique_lock<std::mutex> l(lock);
    done.wait(l, [this] { return !command; });
    connecting = true;
    connectedSoon.reset();
    command = [this] {
        connectedSoon = open();
        connecting = false;
    };
    wake.notify_all();
}

bool SectorPlayer::open()
{
    applyVolume(); // the stream opens with the volume last set
    return output->Open();
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
        // Before a command, so that a play started after a volume change has that volume.
        applyVolume();
        if (command) {
            command();
            command = nullptr;
            done.notify_all();
            continue;
        }
        if (dropPending) {
            dropPending = false;
            stopReader();
            dropSink();
        }
        if (wanted.exchange(false) && feeding) feedAt = Clock::now();
        if (feeding && Clock::now() >= feedAt) feed();
        auto due = [this] { return quit || command || dropPending || wanted || wantedVolume.load() >= 0; };
        if (feeding)
            wake.wait_until(l, feedAt, due);
        else
            wake.wait(l, due);
    }
}

void SectorPlayer::Start(const SharedSource& source, const DiscToc& toc, int64_t from, int64_t to, bool sound, double s)
{
    call([&] { start(source, toc, from, to, sound, s); });
}

void SectorPlayer::start(const SharedSource& source, const DiscToc& toc, int64_t from, int64_t to, bool sound, double s)
{
    s = std::clamp(s, 0.25, 1.0);
    if (active && streaming && !silent && !stretcher && s == 1.0 && source.source == playing.source &&
        from == toSample && to > from && !output->Failed()) {
        // The stretch follows the one playing: the stream goes on with it.
        toSample = std::min(to, readEnd);
        feedSoon(0);
        return;
    }
    stop();
    speed = s;
    active = true;
    silent = false;
    playing = source;
    fromSample = from;
    toSample = std::max(from, to);
    fedSample = from;
    lastHeard = from;

    streaming = sound && open();
    if (!streaming) {
        goSilent(from);
        return;
    }
    streamFrom = output->WriteIndex();
    if (speed < 1.0) {
        // Real-time stretching of both channels: a mix into one channel came out about
        // 3 dB quieter (more when the channels differ). Its output is aligned with its
        // input: the padding it asks for goes in first, and as much comes out before the
        // first sample of the disc.
        using RB = RubberBand::RubberBandStretcher;
        stretcher = std::make_unique<RB>(kSampleRate, 2,
                                         RB::OptionProcessRealTime | RB::OptionEngineFaster | RB::OptionThreadingNever |
                                             RB::OptionPhaseIndependent,
                                         1.0 / speed);
        stretcher->setMaxProcessSize(kStretchBlock);
        std::vector<float> zeros(std::max<size_t>(stretcher->getPreferredStartPad(), 1), 0.0f);
        const float* pad[2] = {zeros.data(), zeros.data()};
        stretcher->process(pad, stretcher->getPreferredStartPad(), false);
        dropOut = stretcher->getStartDelay();
        flushed = false;
    }
    // The reader goes on past the end, to the end of the disc: a stretch that follows
    // this one is then at hand.
    readEnd = std::max(toSample, static_cast<int64_t>(toc.leadOutFrame) * kSectorSamples);
    ring = std::make_shared<SampleRing>(kRingBytes);
    startReader(source, toc, from);
    // The first feed waits for the reader's first chunk only as long as it takes.
    feedSoon(0);
}

void SectorPlayer::startReader(const SharedSource& source, const DiscToc& toc, int64_t from)
{
    reapReaders();
    reader = std::make_unique<ReadJob>();
    reader->source = source;
    reader->toc = toc;
    reader->ring = ring;
    reader->from = from;
    reader->end = readEnd;
    reader->readAt = from;
    reader->thread = std::thread([job = reader.get()] { readerMain(*job); });
}

void SectorPlayer::SwapSource(const SharedSource& source)
{
    call([&] {
        // The ring goes on from where the old reader stopped: its place is read once it has
        // stopped, or a chunk it pushed meanwhile would come twice.
        const bool reading = reader != nullptr;
        const DiscToc toc = reading ? reader->toc : DiscToc{};
        const int64_t from = finishReader();
        playing = source;
        if (reading && ring) startReader(source, toc, from);
    });
}

void SectorPlayer::feedSoon(int ms)
{
    feeding = true;
    feedAt = Clock::now() + std::chrono::milliseconds(ms);
}

void SectorPlayer::SetVolume(double value)
{
    // Given to the output on the player's thread, as everything else: the output may be
    // opening there (ConnectSoon), and the caller is not to wait for that. Stored under
    // the lock, so that a player about to sleep cannot miss it.
    {
        std::lock_guard<std::mutex> l(lock);
        wantedVolume.store(std::clamp(value, 0.0, 1.0));
    }
    wake.notify_all();
}

void SectorPlayer::applyVolume()
{
    const double v = wantedVolume.exchange(-1);
    if (v >= 0) output->SetVolume(v);
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
    if (streaming) output->Flush(); // the stream stays, for the next play
    dropSink();
    active = false;
    silent = false;
    fromSample = reached;
    return reached;
}

void SectorPlayer::dropSink()
{
    feeding = false;
    streaming = false;
    ring.reset();
    stretcher.reset();
}

void SectorPlayer::stopReader()
{
    if (!reader) return;
    reader->quit = true;
    reader->ring->Wake();
    retired.push_back(std::move(reader));
    reapReaders();
}

int64_t SectorPlayer::finishReader()
{
    if (!reader) return 0;
    reader->quit = true;
    reader->ring->Wake();
    reader->thread.join();
    const int64_t reached = reader->readAt;
    reader.reset();
    return reached;
}

void SectorPlayer::reapReaders()
{
    for (auto it = retired.begin(); it != retired.end();) {
        if (!(*it)->ended) {
            ++it;
            continue;
        }
        (*it)->thread.join();
        it = retired.erase(it);
    }
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
    if (!silent && (!streaming || output->Failed())) {
        // The sound server went away: go on in silence from what was heard. The stream
        // is let go on the player's own thread.
        silent = true;
        silentFrom = lastHeard;
        silentClock.start();
        dropPending = true;
        wake.notify_all();
    }
    if (silent) {
        const auto ran = static_cast<int64_t>(double(silentClock.nsecsElapsed()) * kSampleRate / 1e9 * speed);
        return std::min(toSample, silentFrom + ran);
    }
    // The stream's own count of what was played, from where this stretch went in.
    const int64_t played = std::max<int64_t>(0, output->Heard() - streamFrom);
    const int64_t at = fromSample + (stretcher ? static_cast<int64_t>(double(played) * speed) : played);
    lastHeard = std::max(lastHeard, std::min(at, toSample));
    return lastHeard;
}

void SectorPlayer::feed()
{
    feeding = false;
    if (!streaming || !ring || silent) return;
    size_t free = output->Writable();
    if (stretcher) {
        free = feedStretched(free);
    } else {
        int16_t buf[2 * 4096];
        while (free > 0 && fedSample < toSample) {
            const auto want = static_cast<size_t>(std::min<int64_t>({4096, int64_t(free), toSample - fedSample}));
            const size_t n = ring->Pop(reinterpret_cast<char*>(buf), want * 4) / 4;
            if (n == 0) break;
            const size_t w = output->Write(buf, n);
            fedSample += static_cast<int64_t>(n);
            if (w < n) break; // the output failed; the next look at the position finds it
            free -= std::min(free, w);
        }
    }
    // All of the stretch is in the stream: it plays even a stretch shorter than the
    // stream waits for, and then nothing is to be done until another play (the stream's
    // clock stands at the stretch's end once it has played it).
    if ((!stretcher && fedSample >= toSample) || (stretcher && flushed && stretcher->available() <= 0)) {
        output->Trigger();
        return;
    }
    // Come back when half of what the server holds has played: few wake-ups, and still
    // a good margin. While it holds little (starting, or the reader behind) that is soon.
    const auto held = static_cast<int>((output->WriteIndex() - output->Heard()) * 1000 / kSampleRate);
    feedSoon(std::clamp(held / 2, kFeedFastMs, kFeedSlowMs));
}

size_t SectorPlayer::feedStretched(size_t free)
{
    // Stretched samples go out as the stream takes them; the stretcher is given samples
    // of the disc whenever it has nothing to give.
    float left[kStretchBlock], right[kStretchBlock];
    float* planes[2] = {left, right};
    int16_t out[2 * kStretchBlock];
    while (free > 0) {
        const int available = stretcher->available();
        if (available > 0) {
            const size_t n = stretcher->retrieve(planes, std::min<size_t>({size_t(available), kStretchBlock, free}));
            const size_t skip = std::min(n, dropOut);
            dropOut -= skip;
            for (size_t i = skip; i < n; ++i) {
                out[2 * (i - skip)] = ToSample(left[i]);
                out[2 * (i - skip) + 1] = ToSample(right[i]);
            }
            const size_t count = n - skip;
            const size_t w = count ? output->Write(out, count) : 0;
            free -= std::min(free, w);
            if (w < count) break; // the stream is full after all
            continue;
        }
        if (flushed) break;
        const auto wanted = static_cast<size_t>(std::min<int64_t>(
            std::clamp<size_t>(stretcher->getSamplesRequired(), 1, kStretchBlock), toSample - fedSample));
        int16_t in[2 * kStretchBlock];
        const size_t got = wanted ? ring->Pop(reinterpret_cast<char*>(in), wanted * 4) / 4 : 0;
        fedSample += static_cast<int64_t>(got);
        if (got == 0 && fedSample < toSample) break; // the reader is behind: come back soon
        for (size_t i = 0; i < got; ++i) {
            left[i] = float(in[2 * i]) / 32768.0f;
            right[i] = float(in[2 * i + 1]) / 32768.0f;
        }
        flushed = fedSample >= toSample;
        const float* input[2] = {left, right};
        stretcher->process(input, got, flushed);
    }
    return free;
}

void SectorPlayer::readerMain(ReadJob& job)
{
    pthread_setname_np(pthread_self(), "sector-reader");
    std::vector<char> buf(static_cast<size_t>(kChunkFrames) * kSectorBytes);
    int32_t frame = static_cast<int32_t>(job.from / kSectorSamples);
    size_t skip = static_cast<size_t>(job.from % kSectorSamples) * 4;
    int64_t remaining = (job.end - job.from) * 4;
    const int32_t endFrame = static_cast<int32_t>((job.end + kSectorSamples - 1) / kSectorSamples);
    while (remaining > 0 && !job.quit) {
        int n = std::min<int32_t>(kChunkFrames, endFrame - frame);
        // Keep each read within one stretch: lead-in, one track, or past the lead-out.
        std::vector<int32_t> bounds{kLeadInFrames, job.toc.leadOutFrame};
        for (const auto& t : job.toc.tracks) bounds.push_back(t.startFrame);
        for (int32_t b : bounds)
            if (b > frame) n = std::min(n, b - frame);
        readFrames(job, frame, n, buf.data());
        const size_t take = std::min<int64_t>(remaining, static_cast<int64_t>(n) * kSectorBytes - skip);
        if (!job.ring->Push(buf.data() + skip, take, job.quit)) break;
        skip = 0;
        frame += n;
        remaining -= static_cast<int64_t>(take);
        job.readAt = job.end - remaining / 4;
    }
    job.ended = true;
}

void SectorPlayer::readFrames(ReadJob& job, int32_t frame, int count, char* out)
{
    const DiscToc& toc = job.toc;
    const size_t bytes = static_cast<size_t>(count) * kSectorBytes;
    const int track = toc.TrackAt(frame);
    // The lead-in, data tracks and anything past the lead-out play as silence.
    const bool audible = track > 0 && frame < toc.leadOutFrame && toc.tracks[track - 1].audio;
    if (!audible) {
        std::memset(out, 0, bytes);
        return;
    }
    const auto read = [&job](int32_t f, int n, char* to) {
        std::lock_guard<std::mutex> l(*job.source.lock);
        return job.source.source->Read(f, n, to);
    };
    if (frame >= job.skipUntilFrame && read(frame, count, out)) {
        job.failures = 0;
        return;
    }
    // A damaged stretch: sector by sector, each tried twice; after a few bad sectors in
    // a row skip ahead and play silence, so playback goes on and nothing hangs.
    for (int i = 0; i < count && !job.quit; ++i) {
        char* sector = out + static_cast<size_t>(i) * kSectorBytes;
        const int32_t f = frame + i;
        if (f >= job.skipUntilFrame && (read(f, 1, sector) || read(f, 1, sector))) {
            job.failures = 0;
            continue;
        }
        std::memset(sector, 0, kSectorBytes);
        if (f >= job.skipUntilFrame && ++job.failures >= kFailuresBeforeSkip) {
            job.skipUntilFrame = f + kSkipFrames;
            job.failures = 0;
        }
    }
}
