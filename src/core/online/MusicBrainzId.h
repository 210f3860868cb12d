#pragma once
// The disc id the MusicBrainz service knows a CD by: computed by libdiscid from the table
// of contents in frames (75 a second, the 150-frame lead-in included), as the service's
// own tools compute it, so that the titles found are those of this pressing.
#include <QString>
#include <cstdint>
#include <vector>

class CdDevice;

struct MusicBrainzToc {
    int First = 0;                // the first track counted
    int Last = 0;                 // the last track counted (the last audio track)
    int32_t LeadOut = 0;          // frame where the counted tracks end
    std::vector<int32_t> Offsets; // start frame of tracks First..Last
    bool Valid() const;
};

// The table of contents of the disc in the drive, from its track starts and lengths in
// milliseconds (any kind of drive). A disc whose last track is data (an enhanced CD) ends
// its audio session 11400 frames before that track, as the service counts it. Empty
// (not Valid) without an audio track.
MusicBrainzToc MusicBrainzTocOf(CdDevice& device);
// The 28-character id; empty when the table is not one libdiscid accepts.
QString MusicBrainzDiscId(const MusicBrainzToc& toc);
