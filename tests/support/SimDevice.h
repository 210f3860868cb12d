#pragma once
// A simulated drive that behaves like the real one, on a manual clock.
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "core/common/Clock.h"
#include "core/drive/CdDevice.h"

struct SimTrack {
    int32_t startFrame; // absolute, 75 frames a second
    bool audio = true;
};

struct SimDisc {
    std::vector<SimTrack> tracks;
    int32_t leadOutFrame = 0;
    CdTextInfo text; // what the disc's CD-Text says

    // Audio tracks of the given lengths in seconds, the first at 150 frames (2000 ms).
    static SimDisc Audio(const std::vector<int>& seconds);
    // A data track of dataSeconds followed by audio tracks.
    static SimDisc DataFirst(int dataSeconds, const std::vector<int>& audioSeconds);
    static int32_t FramesToMs(int32_t frames) { return frames * 1000 / 75; }
    int32_t TrackStartMs(int n) const { return FramesToMs(tracks[n - 1].startFrame); }
    int32_t EndMs() const { return FramesToMs(leadOutFrame); }
};

class SimDevice : public CdDevice {
public:
    explicit SimDevice(const Clock& clock);

    // Scripting the drive.
    void InsertDisc(const SimDisc& disc); // tray closes with the disc in; settles first
    void RemoveDisc();                    // the disc vanishes (an image file deleted)
    // The disc is swapped for another at once (an image file replaced): no disc until
    // the next Mode, which alone answers open; the new disc is in after it.
    void ReplaceDisc(const SimDisc& next);
    void OpenTray()
    {
        trayOpen = true;
        stopAt(currentPosition());
    }
    bool TrayOpen() const { return trayOpen; }
    bool HasDisc() const { return disc.has_value(); }

    bool openFails = false;    // Open answers false
    bool canEject = true;      // Eject opens the tray only when true
    bool refuseResume = false; // Resume always falls back to Play
    int settleMs = 0;          // not ready for this long after a disc comes in
    bool neverReady = false;   // a drive that never reports stopped
    int emptyMode = ModeOpen;  // what an empty closed drive reports
    QStringList calls;         // every command, in order, for tests to read
    QString openedName;

    bool Open(const QString& driveName) override;
    void Close() override;
    void Stop() override;
    void Play() override;
    void Pause() override;
    void Resume() override;
    void Rewind() override;
    void Eject() override;
    void CloseDoor() override;
    void SetTimeFormat(int format) override;
    void SetStartPos(int32_t position) override;
    void SetEndPos(int32_t position) override;
    void SetWait(bool wait) override;
    int Mode() override;
    int32_t Position() override;
    int TrackCount() override;
    int32_t TrackPosition(int n) override;
    int32_t TrackLength(int n) override;
    bool TrackIsAudio(int n) override;
    CdTextInfo DiscText() override { return ready() ? disc->text : CdTextInfo{}; }
    // The head moves at this speed while playing (slower playback).
    bool SetPlaySpeed(double speed) override;
    double speed = 1.0;

    // The head in milliseconds, whatever the time format.
    int32_t HeadMs() { return currentPosition(); }
    bool IsPlaying() { return playing && currentPosition() < playEnd; }
    bool IsPaused() const { return paused; }
    std::optional<int32_t> PendingEnd() const { return pendingEnd; }

private:
    bool ready() const;
    int32_t currentPosition();
    void stopAt(int32_t position);
    void startPlay(int32_t from, int32_t to);
    int32_t startOfDisc() const;

    const Clock& clock;
    std::optional<SimDisc> disc;
    std::optional<SimDisc> swapIn;
    bool trayOpen = false;
    bool isOpen = false;
    uint32_t readyAt = 0;
    int timeFormat = TimeFormatMilliseconds;

    int32_t head = 0;
    bool playing = false;
    bool paused = false;
    int32_t playFrom = 0;
    int32_t playEnd = 0;
    uint32_t playTick = 0;

    std::optional<int32_t> pendingStart;
    std::optional<int32_t> pendingEnd;
    bool pendingWait = false;
};
