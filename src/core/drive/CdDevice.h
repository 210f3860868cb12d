#pragma once
// The program's one door to the drive. Positions and lengths are signed 32-bit
// milliseconds of absolute disc time (track 1 usually starts at 2000 ms, after the
// 150-frame lead-in), except in the TMSF time format the disc identifier uses.
#include <QString>
#include <QStringList>
#include <cstdint>

#include "core/common/Defines.h"

enum TimeFormat : int { TimeFormatMilliseconds = 0, TimeFormatTmsf = 10 };

// Titles and performers a disc carries (its CD-Text, or a cue sheet's TITLE and
// PERFORMER lines); index 0 of the lists is track 1.
struct CdTextInfo {
    QString discTitle;
    QString discPerformer;
    QStringList trackTitles;
    QStringList trackPerformers;
    bool Empty() const { return discTitle.isEmpty() && discPerformer.isEmpty() && trackTitles.isEmpty(); }
};

class CdDevice {
public:
    virtual ~CdDevice() = default;

    // Opens the drive (a device path, a disc image path, or empty for the default
    // drive) for the whole run; an image path whose file is missing is an empty drive.
    // False when it cannot be opened; the caller tells the user.
    virtual bool Open(const QString& driveName) = 0;
    // Releases the drive at program end.
    virtual void Close() = 0;
    // Playback ends; the head stays where it is.
    virtual void Stop() = 0;
    // Plays from the pending start (else the head) to the pending end (else the end of
    // the disc), consuming both and the pending wait; with wait it returns once the head
    // is there. Mode becomes stopped at the end position.
    virtual void Play() = 0;
    // While playing: halts (the mode then reads stopped). While paused: resumes. Else nothing.
    virtual void Pause() = 0;
    // Continues where playback halted; if that is refused, falls back to Play.
    virtual void Resume() = 0;
    // Head to the start of the disc; always waits.
    virtual void Rewind() = 0;
    // Opens the tray; does nothing on a drive that cannot eject.
    virtual void Eject() = 0;
    // Closes the tray.
    virtual void CloseDoor() = 0;
    // Milliseconds (0) or TMSF (10) for every later position and length.
    virtual void SetTimeFormat(int format) = 0;
    // One-shot start and end of the next Play (also the Play a refused Resume falls back
    // to); an end set while no Play follows stays pending until one does.
    virtual void SetStartPos(int32_t position) = 0;
    virtual void SetEndPos(int32_t position) = 0;
    // One-shot: the next command returns only when it is done.
    virtual void SetWait(bool wait) = 0;
    // 0 not ready, 1 stopped (also while paused), 2 playing, 4 seeking, 6 open.
    virtual int Mode() = 0;
    // Current absolute head position, in the current time format.
    virtual int32_t Position() = 0;
    // Number of tracks on the disc, at most 99; 0 without a disc.
    virtual int TrackCount() = 0;
    // Absolute start of track n (1-based). In TMSF: n in the low byte, zero M, S, F.
    virtual int32_t TrackPosition(int n) = 0;
    // Length of track n. In TMSF: minutes in the low byte, then seconds, then frames.
    virtual int32_t TrackLength(int n) = 0;
    // True for an audio track; the first that answers true is the first audio track.
    virtual bool TrackIsAudio(int n) = 0;
    // The titles the disc in the drive carries; empty without a disc or without titles.
    virtual CdTextInfo DiscText() { return {}; }
    // Why a disc that came in cannot be read (an image or cue sheet that appeared or
    // changed while the drive was open): given once, then empty until the next such disc.
    virtual QString TakeDiscError() { return {}; }
    // Plays slower with the pitch kept (1, 0.75 or 0.5 of normal speed), from the next
    // Play on and at once while playing; positions stay in disc time. False when the
    // drive cannot (it plays at normal speed).
    virtual bool SetPlaySpeed(double speed) { return speed == 1.0; }
};
