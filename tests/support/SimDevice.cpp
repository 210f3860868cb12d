#include "SimDevice.h"

#include <algorithm>

SimDisc SimDisc::Audio(const std::vector<int>& seconds)
{
    SimDisc d;
    int32_t frame = 150;
    for (int s : seconds) {
        d.tracks.push_back({frame, true});
        frame += s * 75;
    }
    d.leadOutFrame = frame;
    return d;
}

SimDisc SimDisc::DataFirst(int dataSeconds, const std::vector<int>& audioSeconds)
{
    SimDisc d;
    int32_t frame = 150;
    d.tracks.push_back({frame, false});
    frame += dataSeconds * 75;
    for (int s : audioSeconds) {
        d.tracks.push_back({frame, true});
        frame += s * 75;
    }
    d.leadOutFrame = frame;
    return d;
}

SimDevice::SimDevice(const Clock& c) : clock(c) {}

bool SimDevice::ready() const
{
    if (trayOpen || !disc || neverReady) return false;
    return static_cast<int32_t>(clock.TickCount() - readyAt) >= 0;
}

int32_t SimDevice::startOfDisc() const { return disc && !disc->tracks.empty() ? disc->TrackStartMs(1) : 0; }

int32_t SimDevice::currentPosition()
{
    if (!playing) return head;
    const int32_t pos = playFrom + static_cast<int32_t>(double(clock.TickCount() - playTick) * speed);
    if (pos >= playEnd) {
        // Reached the end position: the drive stops there.
        playing = false;
        head = playEnd;
        return head;
    }
    return pos;
}

void SimDevice::stopAt(int32_t position)
{
    playing = false;
    paused = false;
    head = position;
}

bool SimDevice::SetPlaySpeed(double s)
{
    if (s != speed) calls << QStringLiteral("SetPlaySpeed(%1)").arg(s);
    if (playing) {
        // On from where the head is, at the new speed.
        playFrom = currentPosition();
        playTick = clock.TickCount();
    }
    speed = s;
    return true;
}

void SimDevice::startPlay(int32_t from, int32_t to)
{
    head = from;
    paused = false;
    if (to <= from) {
        playing = false; // a play whose start equals its end only moves the head
        return;
    }
    playing = true;
    playFrom = from;
    playEnd = to;
    playTick = clock.TickCount();
}

void SimDevice::InsertDisc(const SimDisc& d)
{
    disc = d;
    trayOpen = false;
    playing = paused = false;
    head = startOfDisc();
    readyAt = clock.TickCount() + static_cast<uint32_t>(settleMs);
}

void SimDevice::RemoveDisc()
{
    disc.reset();
    playing = paused = false;
    head = 0;
}

void SimDevice::ReplaceDisc(const SimDisc& next)
{
    RemoveDisc();
    swapIn = next;
}

bool SimDevice::Open(const QString& driveName)
{
    calls << QStringLiteral("Open");
    if (openFails) return false;
    openedName = driveName;
    isOpen = true;
    return true;
}

void SimDevice::Close()
{
    calls << QStringLiteral("Close");
    isOpen = false;
}

void SimDevice::Stop()
{
    calls << QStringLiteral("Stop");
    pendingWait = false;
    if (!ready()) return;
    stopAt(currentPosition());
}

void SimDevice::Play()
{
    const std::optional<int32_t> from = pendingStart, to = pendingEnd;
    calls << QStringLiteral("Play(%1,%2)")
                 .arg(from ? QString::number(*from) : QStringLiteral("-"),
                      to ? QString::number(*to) : QStringLiteral("-"));
    pendingStart.reset();
    pendingEnd.reset();
    pendingWait = false;
    if (!ready()) return;
    const int32_t end = disc->EndMs();
    const int32_t start = std::clamp(from.value_or(currentPosition()), 0, end);
    startPlay(start, std::clamp(to.value_or(end), 0, end));
}

void SimDevice::Pause()
{
    calls << QStringLiteral("Pause");
    pendingWait = false;
    if (!ready()) return;
    if (paused) {
        Resume();
        return;
    }
    if (playing) {
        const int32_t pos = currentPosition();
        if (!playing) return; // reached the end just now
        playing = false;
        head = pos;
        paused = true;
    }
}

void SimDevice::Resume()
{
    calls << QStringLiteral("Resume");
    if (!ready()) return;
    if (paused && !refuseResume) {
        pendingWait = false;
        startPlay(head, playEnd);
        return;
    }
    // A refused resume falls back to Play, which takes the pending start and end.
    Play();
}

void SimDevice::Rewind()
{
    calls << QStringLiteral("Rewind");
    pendingWait = false;
    if (!ready()) return;
    stopAt(startOfDisc());
}

void SimDevice::Eject()
{
    calls << QStringLiteral("Eject");
    pendingWait = false;
    if (!canEject) return;
    trayOpen = true;
    playing = paused = false;
}

void SimDevice::CloseDoor()
{
    calls << QStringLiteral("CloseDoor");
    if (!trayOpen) return;
    trayOpen = false;
    if (disc) {
        head = startOfDisc();
        readyAt = clock.TickCount() + static_cast<uint32_t>(settleMs);
    }
}

void SimDevice::SetTimeFormat(int format) { timeFormat = format; }
void SimDevice::SetStartPos(int32_t position) { pendingStart = position; }
void SimDevice::SetEndPos(int32_t position) { pendingEnd = position; }
void SimDevice::SetWait(bool wait) { pendingWait = wait; }

int SimDevice::Mode()
{
    if (swapIn) {
        InsertDisc(*swapIn);
        swapIn.reset();
        return ModeOpen;
    }
    if (trayOpen) return ModeOpen;
    if (!disc) return emptyMode;
    if (!ready()) return ModeNotReady;
    currentPosition();                          // may reach the end position
    return playing ? ModePlaying : ModeStopped; // paused reads stopped
}

int32_t SimDevice::Position()
{
    if (!ready()) return 0;
    const int32_t ms = currentPosition();
    if (timeFormat != TimeFormatTmsf) return ms;
    // Track in the low byte, then minutes, seconds and frames into that track.
    const int32_t frame = ms * 75 / 1000;
    int n = 1;
    while (n < static_cast<int>(disc->tracks.size()) && disc->tracks[n].startFrame <= frame) ++n;
    const int32_t into = frame - disc->tracks[n - 1].startFrame;
    return n | ((into / 4500) << 8) | ((into / 75 % 60) << 16) | ((into % 75) << 24);
}

int SimDevice::TrackCount() { return ready() ? static_cast<int>(disc->tracks.size()) : 0; }

int32_t SimDevice::TrackPosition(int n)
{
    if (!ready() || n < 1 || n > static_cast<int>(disc->tracks.size())) return 0;
    if (timeFormat == TimeFormatTmsf) return n;
    return disc->TrackStartMs(n);
}

int32_t SimDevice::TrackLength(int n)
{
    const int count = ready() ? static_cast<int>(disc->tracks.size()) : 0;
    if (n < 1 || n > count) return 0;
    const int32_t next = n < count ? disc->tracks[n].startFrame : disc->leadOutFrame;
    int32_t frames = next - disc->tracks[n - 1].startFrame;
    if (timeFormat != TimeFormatTmsf) return SimDisc::FramesToMs(frames);
    if (n == count) frames -= 1; // the old device reported the last track one frame short
    return (frames / 4500) | ((frames / 75 % 60) << 8) | ((frames % 75) << 16);
}

bool SimDevice::TrackIsAudio(int n)
{
    if (!ready() || n < 1 || n > static_cast<int>(disc->tracks.size())) return false;
    return disc->tracks[n - 1].audio;
}
