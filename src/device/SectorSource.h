#pragma once
// Where DiscDevice gets its table of contents and audio sectors from: libcdio (drives
// and disc images) or a cue sheet over raw data or audio files.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "core/drive/CdDevice.h"

constexpr int kSectorBytes = 2352;  // one CD frame of 16-bit stereo audio
constexpr int kSectorSamples = 588; // stereo samples in a frame
constexpr int kFramesPerSecond = 75;
constexpr int kSampleRate = 44100;
constexpr int kLeadInFrames = 150; // track 1 usually starts here (2000 ms)

struct DiscToc {
    struct Track {
        int32_t startFrame; // absolute, lead-in included
        bool audio;
        bool operator==(const Track&) const = default;
    };
    std::vector<Track> tracks;
    int32_t leadOutFrame = 0;

    bool operator==(const DiscToc&) const = default;

    bool Empty() const { return tracks.empty(); }
    // The track holding an absolute frame, 1-based; 0 before the first track.
    int TrackAt(int32_t frame) const;
};

class SectorSource {
public:
    virtual ~SectorSource() = default;
    // The disc's table of contents; empty when the drive holds no disc.
    virtual DiscToc Toc() const = 0;
    // Reads count raw audio frames starting at an absolute frame into out
    // (count * kSectorBytes). False on a read error. Callers keep reads on the disc.
    virtual bool Read(int32_t frame, int count, char* out) = 0;
    virtual CdTextInfo Text() const { return {}; }
    // Real drives: whether the drive can open its tray, and whether the disc changed
    // since the last call.
    virtual bool CanEject() const { return false; }
    virtual bool MediaChanged() { return false; }
};
