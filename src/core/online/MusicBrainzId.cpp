#include "MusicBrainzId.h"

#include <discid/discid.h>

#include "core/drive/CdDevice.h"

namespace {

// Back from the device's milliseconds (frames * 1000 / 75, rounded down) to frames.
int32_t msToFrames(int32_t ms) { return static_cast<int32_t>((int64_t{ms} * 75 + 999) / 1000); }

// Frames between the end of the audio session and the data session of an enhanced CD.
constexpr int32_t kSessionGap = 11400;

} // namespace

bool MusicBrainzToc::Valid() const
{
    if (First < 1 || Last < First || Last > 99 || Offsets.size() != static_cast<size_t>(Last - First + 1)) return false;
    for (size_t i = 0; i < Offsets.size(); ++i)
        if (Offsets[i] < 0 || (i > 0 && Offsets[i] <= Offsets[i - 1])) return false;
    return LeadOut > Offsets.back();
}

MusicBrainzToc MusicBrainzTocOf(CdDevice& device)
{
    MusicBrainzToc toc;
    const int count = device.TrackCount();
    int lastAudio = 0;
    for (int t = 1; t <= count; ++t)
        if (device.TrackIsAudio(t)) lastAudio = t;
    if (lastAudio == 0) return toc;
    toc.First = 1;
    toc.Last = lastAudio;
    for (int t = 1; t <= lastAudio; ++t) toc.Offsets.push_back(msToFrames(device.TrackPosition(t)));
    if (lastAudio < count)
        toc.LeadOut = msToFrames(device.TrackPosition(lastAudio + 1)) - kSessionGap;
    else
        toc.LeadOut = msToFrames(device.TrackPosition(count)) + msToFrames(device.TrackLength(count));
    return toc;
}

QString MusicBrainzDiscId(const MusicBrainzToc& toc)
{
    if (!toc.Valid()) return {};
    int offsets[100] = {};
    offsets[0] = toc.LeadOut;
    for (int t = toc.First; t <= toc.Last; ++t) offsets[t] = toc.Offsets[t - toc.First];
    DiscId* disc = discid_new();
    if (!disc) return {};
    QString id;
    if (discid_put(disc, toc.First, toc.Last, offsets)) id = QString::fromLatin1(discid_get_id(disc));
    discid_free(disc);
    return id;
}
