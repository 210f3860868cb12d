#pragma once
// A drive that never moves, for code that needs a CdDevice where there is no drive to
// ask: mirelune-tool, which works on data files alone, and the benchmarks and fuzzing of
// the disc data. Its disc, if any, is tracks of one length from 2000 ms on.
#include "core/drive/CdDevice.h"

class StillDrive : public CdDevice {
public:
    explicit StillDrive(int mode = ModeOpen, int tracks = 0, int32_t trackMs = 0, bool opens = true)
        : opens(opens), mode(mode), tracks(tracks), trackMs(trackMs)
    {
    }
    bool Open(const QString&) override { return opens; }
    void Close() override {}
    void Stop() override {}
    void Play() override {}
    void Pause() override {}
    void Resume() override {}
    void Rewind() override {}
    void Eject() override {}
    void CloseDoor() override {}
    void SetTimeFormat(int) override {}
    void SetStartPos(int32_t) override {}
    void SetEndPos(int32_t) override {}
    void SetWait(bool) override {}
    int Mode() override { return mode; }
    int32_t Position() override { return 0; }
    int TrackCount() override { return tracks; }
    int32_t TrackPosition(int n) override { return 2000 + (n - 1) * trackMs; }
    int32_t TrackLength(int) override { return trackMs; }
    bool TrackIsAudio(int) override { return tracks > 0; }

    bool opens = true;
    int mode = ModeOpen;
    int tracks = 0;
    int32_t trackMs = 0;
};
