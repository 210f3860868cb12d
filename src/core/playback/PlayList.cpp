#include "PlayList.h"

namespace {
// Positions 0..count-1 in the order the rejection draw gives them.
std::vector<int> shuffled(int count, const RandomDraw& random)
{
    std::vector<int> order;
    std::vector<bool> used(static_cast<size_t>(count), false);
    for (int i = 0; i < count; ++i) {
        int r;
        do {
            r = random(count);
        } while (r < 0 || r >= count || used[static_cast<size_t>(r)]);
        used[static_cast<size_t>(r)] = true;
        order.push_back(r);
    }
    return order;
}
} // namespace

std::vector<int> PlayOrder(int playType, int firstAudioTrack, int songCount, const std::vector<int>& program,
                           const RandomDraw& random)
{
    std::vector<int> tracks;
    if (playType == ptNormal || playType == ptRandom) {
        const int count = songCount - firstAudioTrack + 1;
        if (count <= 0 || firstAudioTrack < 1) return tracks;
        if (playType == ptNormal) {
            for (int i = 1; i <= count; ++i) tracks.push_back(firstAudioTrack + i - 1);
        } else {
            for (int r : shuffled(count, random)) tracks.push_back(firstAudioTrack + r);
        }
        return tracks;
    }
    std::vector<int> valid;
    for (int t : program)
        if (t >= firstAudioTrack && t >= 1 && t <= songCount) valid.push_back(t);
    if (playType == ptProgram) return valid;
    if (playType == ptProgramRandom) {
        for (int r : shuffled(static_cast<int>(valid.size()), random)) tracks.push_back(valid[static_cast<size_t>(r)]);
    }
    return tracks;
}

void EntryList::Build(const std::vector<int>& tracks, const std::function<int32_t(int)>& length)
{
    entries.clear();
    int32_t t = 0;
    for (int track : tracks) {
        entries.push_back({static_cast<int16_t>(track), t});
        t += length(track);
    }
    total = t;
}

void EntryList::Clear()
{
    entries.clear();
    total = 0;
}

PlayEntry EntryList::Entry(int i) const
{
    if (i < 1 || i > EntryCount()) return {};
    return entries[static_cast<size_t>(i - 1)];
}

std::vector<int> EntryList::Tracks() const
{
    std::vector<int> tracks;
    for (const PlayEntry& e : entries) tracks.push_back(e.Track);
    return tracks;
}
