#include "DiscDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <sys/stat.h>

#include "CdioSource.h"
#include "CueSource.h"
#include "SectorPlayer.h"
#include "core/common/Error.h"

namespace {
// Milliseconds to samples rounds up, so that a position comes back as the same
// millisecond.
int64_t MsToSample(int32_t ms) { return (static_cast<int64_t>(ms) * 441 + 9) / 10; }
int32_t SampleToMs(int64_t sample) { return static_cast<int32_t>(sample * 10 / 441); }
int32_t FramesToMs(int32_t frames) { return static_cast<int32_t>(static_cast<int64_t>(frames) * 1000 / 75); }
constexpr qint64 kProbeIntervalMs = 1000;
// A disc swapped at once (an image file replaced, a drive that changed its disc between
// two looks) is out this long, as behind a tray: whoever follows the drive sees it go
// before the next one comes in.
constexpr qint64 kSwapMs = 1500;
// A stop this close to the end of the play is taken as the step to what follows (the
// controller moves on before a track's end): the last of it still sounds, and a play
// from its end goes on without a break.
constexpr int64_t kJoinSamples = 300 * 441 / 10;
constexpr qint64 kJoinHoldMs = 3000; // a real drive is looked at again after this
} // namespace

DiscDevice::DiscDevice(SourceOpener o, std::unique_ptr<SoundOutput> output) : opener(std::move(o))
{
    if (!opener) opener = &DiscDevice::OpenSource;
    player = std::make_unique<SectorPlayer>(std::move(output));
}

DiscDevice::~DiscDevice() { Close(); }

QStringList DiscDevice::DeviceList() { return CdioSource::DeviceList(); }
QString DiscDevice::DefaultDevice() { return CdioSource::DefaultDevice(); }

namespace {
bool IsCueSheet(const QString& name) { return name.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive); }
} // namespace

std::unique_ptr<SectorSource> DiscDevice::OpenSource(const QString& name, QString* error)
{
    if (IsCueSheet(name) && !CdioSource::IsDevicePath(name)) return CueSource::Open(name, error);
    return CdioSource::Open(name, error);
}

QStringList DiscDevice::ImageDataFiles(const QString& image)
{
    return IsCueSheet(image) ? CueSource::DataFiles(image) : CdioSource::ImageFiles(image);
}

namespace {
void AddStamp(const QString& path, std::vector<qint64>& out)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        out.insert(out.end(), {-1, 0, 0});
        return;
    }
    out.insert(out.end(), {static_cast<qint64>(st.st_size),
                           static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                           static_cast<qint64>(st.st_ino)});
}
} // namespace

DiscDevice::FileStamp DiscDevice::imageStamp(const QStringList& files) const
{
    FileStamp s;
    struct stat st {};
    if (::stat(QFile::encodeName(driveName).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
    s.exists = true;
    AddStamp(driveName, s.files);
    for (const QString& f : files) AddStamp(f, s.files);
    return s;
}

bool DiscDevice::Open(const QString& name)
{
    Close();
    openError.clear();
    discError.clear();
    loadFailed = false;
    driveName = name.isEmpty() ? DefaultDevice() : name;
    if (driveName.isEmpty()) {
        openError = Reason("CDドライブが見つかりません。", "No CD drive was found.");
        return false;
    }
    isVirtual = !CdioSource::IsDevicePath(driveName);
    // The sound server answers while the program goes on starting.
    player->ConnectSoon();
    soundKnown = false;
    trayOpen = false;
    canEject = false;
    swapping = false;
    if (isVirtual) {
        dataFiles = ImageDataFiles(driveName);
        stamp = imageStamp(dataFiles);
        // A missing image is an empty drive: the disc comes in when the file appears.
        if (stamp.exists && !loadDisc()) return false;
    } else {
        // The drive itself must open; an empty drive is fine.
        QString error;
        if (!opener(driveName, &error)) {
            openError = error;
            return false;
        }
        loadDisc();
        lastProbe = QDateTime::currentMSecsSinceEpoch();
    }
    isOpen = true;
    return true;
}

bool DiscDevice::SoundOutputMissing() const
{
    if (!soundKnown) {
        soundMissing = !player->Connect();
        soundKnown = true;
    }
    return soundMissing;
}

bool DiscDevice::loadDisc()
{
    dropDisc();
    QString error;
    std::unique_ptr<SectorSource> s = opener(driveName, &error);
    if (!s) {
        openError = error;
        return false;
    }
    canEject = s->CanEject();
    toc = s->Toc();
    if (toc.Empty()) {
        toc = {};
        openError = Reason("%1: ディスクが入っていません。", "%1: no disc").arg(driveName);
        return false;
    }
    text = s->Text();
    shared = {std::move(s)};
    source = shared.source.get();
    headSample = MsToSample(startOfDisc());
    return true;
}

void DiscDevice::loadChangedDisc()
{
    loadFailed = !loadDisc();
    if (loadFailed) discError = openError;
}

bool DiscDevice::rereadLayout()
{
    // The stamp is taken before the files are read: a change made meanwhile is seen at
    // the next look.
    const QStringList files = ImageDataFiles(driveName);
    const FileStamp now = imageStamp(files);
    QString error;
    std::unique_ptr<SectorSource> s = opener(driveName, &error);
    if (!s || !(s->Toc() == toc)) return false;
    dataFiles = files;
    stamp = now;
    // The new reader takes over where the old one stopped reading (a file rewritten in
    // place may no longer read right through the old one); what was read before plays on
    // without a break.
    text = s->Text();
    const SharedSource next{std::move(s)};
    player->SwapSource(next);
    shared = next;
    source = shared.source.get();
    return true;
}

void DiscDevice::dropDisc()
{
    halt();
    shared = {};
    source = nullptr;
    toc = {};
    text = {};
    headSample = 0;
}

void DiscDevice::Close()
{
    if (!isOpen) return;
    swapping = false;
    dropDisc();
    isOpen = false;
    pendingStart.reset();
    pendingEnd.reset();
    pendingWait = false;
}

bool DiscDevice::ready() { return isOpen && !trayOpen && source && !toc.Empty(); }

int32_t DiscDevice::startOfDisc() const { return toc.Empty() ? 0 : FramesToMs(toc.tracks.front().startFrame); }
int32_t DiscDevice::endOfDisc() const { return FramesToMs(toc.leadOutFrame); }

void DiscDevice::halt()
{
    if (state == State::Playing)
        headSample = player->Stop();
    else if (joinable)
        player->Stop();
    joinable = false;
    state = State::Stopped;
}

void DiscDevice::finishPlay()
{
    // The stream stands at the end: what follows may still go on from there.
    state = State::Stopped;
    headSample = MsToSample(playEndMs);
    joinable = true;
    joinClock.start();
}

void DiscDevice::startPlay(int64_t fromSample, int32_t toMs)
{
    const int64_t toSample = MsToSample(toMs);
    const bool follows = joinable && fromSample == MsToSample(playEndMs);
    if (follows && toSample <= fromSample) { // the head goes to where the stream will be
        headSample = fromSample;
        return;
    }
    if (!follows) halt();
    joinable = false;
    headSample = fromSample;
    if (toSample <= fromSample) return; // start equals end: only the head moves
    playEndMs = toMs;
    state = State::Playing;
    player->Start(shared, toc, fromSample, toSample, !SoundOutputMissing(), playSpeed);
    if (player->Silent()) soundMissing = true;
}

bool DiscDevice::SetPlaySpeed(double speed)
{
    speed = std::clamp(speed, 0.25, 1.0);
    if (speed == playSpeed) return true;
    playSpeed = speed;
    // Playing on from where it is heard, at the new speed.
    if (state == State::Playing && ready()) {
        const int64_t at = player->Heard();
        if (at < MsToSample(playEndMs)) startPlay(at, playEndMs);
    }
    return true;
}

void DiscDevice::checkDisc()
{
    if (isVirtual) {
        // The image file is the disc: appearing, disappearing or being replaced.
        const FileStamp now = imageStamp(dataFiles);
        if (now != stamp) {
            // Touched, tags rewritten, copied back by a backup: the same disc stays in.
            if (source && !swapping && now.exists && rereadLayout()) return;
            // After a disc that could not be read, the files settle first (a copy may be
            // under way) and are read once, so a reason is given once per change.
            const bool replaced = (source || swapping || loadFailed) && now.exists;
            dropDisc();
            dataFiles = ImageDataFiles(driveName);
            stamp = imageStamp(dataFiles);
            swapping = false;
            loadFailed = false;
            if (replaced)
                beginSwap();
            else if (stamp.exists)
                loadChangedDisc();
            return;
        }
        if (swapOver()) loadChangedDisc();
        return;
    }
    if (swapOver()) {
        loadDisc();
        return;
    }
    // The reader has the drive while playing, and a little while after, for what follows.
    if (joinable && state == State::Stopped && joinClock.elapsed() > kJoinHoldMs) halt();
    if (swapping || state == State::Playing || joinable) return;
    if (source) {
        // A reader of the player's that still sits in a read has the drive: ask later.
        std::unique_lock<std::mutex> l(*shared.lock, std::try_to_lock);
        if (!l) return;
        if (source->MediaChanged()) {
            l.unlock();
            dropDisc();
            beginSwap();
        }
        return;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - lastProbe < kProbeIntervalMs) return;
    lastProbe = now;
    loadDisc();
}

void DiscDevice::beginSwap()
{
    swapping = true;
    swapClock.start();
}

bool DiscDevice::swapOver()
{
    if (!swapping || swapClock.elapsed() < kSwapMs) return false;
    swapping = false;
    return true;
}

bool DiscDevice::playing()
{
    if (state == State::Playing && player->Finished()) finishPlay();
    return state == State::Playing;
}

int DiscDevice::Mode()
{
    if (!isOpen) return ModeNotReady;
    checkDisc();
    if (trayOpen || !source) return ModeOpen;
    return playing() ? ModePlaying : ModeStopped; // paused reads stopped
}

int32_t DiscDevice::positionMs()
{
    if (state != State::Playing) return SampleToMs(headSample);
    const int64_t heard = player->Heard();
    if (heard >= MsToSample(playEndMs)) {
        finishPlay();
        return playEndMs;
    }
    return SampleToMs(heard);
}

int32_t DiscDevice::Position()
{
    if (!ready()) return 0;
    const int32_t ms = positionMs();
    if (timeFormat != TimeFormatTmsf) return ms;
    // Track in the low byte, then minutes, seconds and frames into that track.
    const int32_t frame = static_cast<int32_t>(static_cast<int64_t>(ms) * 75 / 1000);
    const int n = std::max(1, toc.TrackAt(frame));
    const int32_t into = std::max(0, frame - toc.tracks[n - 1].startFrame);
    return n | ((into / 4500) << 8) | ((into / 75 % 60) << 16) | ((into % 75) << 24);
}

void DiscDevice::SetVolume(double volume) { player->SetVolume(std::clamp(volume, 0.0, 1.0)); }
void DiscDevice::OnMixerVolume(std::function<void(double)> changed) { player->OnMixerVolume(std::move(changed)); }

void DiscDevice::Stop()
{
    pendingWait = false;
    if (!ready()) return;
    positionMs(); // may have reached the end just now
    if (state == State::Playing && playSpeed == 1.0) {
        const int64_t heard = player->Heard();
        if (MsToSample(playEndMs) - heard <= kJoinSamples) {
            state = State::Stopped;
            headSample = heard;
            joinable = true;
            joinClock.start();
            return;
        }
    }
    if (state == State::Stopped && joinable) return; // it stands at its end, or is about to
    halt();
}

void DiscDevice::Play()
{
    const std::optional<int32_t> from = pendingStart, to = pendingEnd;
    const bool wait = pendingWait;
    pendingStart.reset();
    pendingEnd.reset();
    pendingWait = false;
    if (!ready()) return;
    const int32_t end = endOfDisc();
    const int64_t start = from ? MsToSample(std::clamp(*from, 0, end))
                               : std::min(state == State::Playing ? player->Heard() : headSample, MsToSample(end));
    startPlay(start, std::clamp(to.value_or(end), 0, end));
    // With wait the caller gets control back when the play is over. (The disc is not
    // looked at meanwhile: a change is for the caller's next Mode to find.)
    while (wait && playing()) QThread::msleep(10);
}

void DiscDevice::Pause()
{
    pendingWait = false;
    if (!ready()) return;
    if (state == State::Paused) {
        Resume();
        return;
    }
    if (state != State::Playing) return;
    halt();
    state = headSample >= MsToSample(playEndMs) ? State::Stopped : State::Paused;
}

void DiscDevice::Resume()
{
    if (!ready()) return;
    if (state == State::Paused) {
        pendingWait = false;
        startPlay(headSample, playEndMs);
        return;
    }
    // Nothing to resume: a refused resume falls back to Play with the pending start and end.
    Play();
}

void DiscDevice::Rewind()
{
    pendingWait = false;
    if (!ready()) return;
    halt();
    headSample = MsToSample(startOfDisc());
}

void DiscDevice::Eject()
{
    pendingWait = false;
    if (!isOpen) return;
    if (isVirtual) {
        halt();
        trayOpen = true;
        return;
    }
    if (!canEject) return;
    dropDisc(); // our handle goes before the drive opens
    CdioSource::EjectDrive(driveName);
    lastProbe = QDateTime::currentMSecsSinceEpoch();
}

void DiscDevice::CloseDoor()
{
    if (!isOpen) return;
    if (isVirtual) {
        if (!trayOpen) return;
        trayOpen = false;
        headSample = MsToSample(startOfDisc());
        return;
    }
    CdioSource::CloseTray(driveName);
    lastProbe = 0; // look for the disc at the next poll
}

void DiscDevice::SetTimeFormat(int format) { timeFormat = format; }
void DiscDevice::SetStartPos(int32_t position) { pendingStart = position; }
void DiscDevice::SetEndPos(int32_t position) { pendingEnd = position; }
void DiscDevice::SetWait(bool wait) { pendingWait = wait; }

int DiscDevice::TrackCount() { return ready() ? static_cast<int>(toc.tracks.size()) : 0; }

int32_t DiscDevice::TrackPosition(int n)
{
    if (!ready() || n < 1 || n > static_cast<int>(toc.tracks.size())) return 0;
    if (timeFormat == TimeFormatTmsf) return n;
    return FramesToMs(toc.tracks[n - 1].startFrame);
}

int32_t DiscDevice::TrackLength(int n)
{
    const int count = TrackCount();
    if (n < 1 || n > count) return 0;
    const int32_t next = n < count ? toc.tracks[n].startFrame : toc.leadOutFrame;
    int32_t frames = next - toc.tracks[n - 1].startFrame;
    if (timeFormat != TimeFormatTmsf) return FramesToMs(frames);
    if (n == count) frames -= 1; // the old device reported the last track one frame short
    return (frames / 4500) | ((frames / 75 % 60) << 8) | ((frames % 75) << 16);
}

bool DiscDevice::TrackIsAudio(int n)
{
    if (!ready() || n < 1 || n > static_cast<int>(toc.tracks.size())) return false;
    return toc.tracks[n - 1].audio;
}
