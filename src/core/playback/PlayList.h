#pragma once
// The play list: the order in which the tracks of the disc (or of its program) play.
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/common/Defines.h"

struct PlayEntry {
    int16_t Track = 0;  // disc track number
    int32_t Offset = 0; // milliseconds from the start of the list to this entry
};

// Draws a number from 0 to n - 1.
using RandomDraw = std::function<int(int n)>;

// Disc tracks in play order for a play type. Normal and random take the audio tracks
// firstAudioTrack..songCount; the program types take the program's tracks. The random
// types shuffle by rejection: draw until an unused position turns up. Program entries
// naming a track outside the audio tracks of this disc are left out, so that a program
// that does not fit the disc never positions the head outside it.
std::vector<int> PlayOrder(int playType, int firstAudioTrack, int songCount, const std::vector<int>& program,
                           const RandomDraw& random);

class EntryList {
public:
    // Replaces the entries with these tracks; offsets are the running sum of the lengths
    // that length(track) gives, and the total is the sum of all of them.
    void Build(const std::vector<int>& tracks, const std::function<int32_t(int)>& length);
    void Clear();

    int EntryCount() const { return static_cast<int>(entries.size()); }
    // Entry i, 1-based; an index outside 1..EntryCount gives an empty entry.
    PlayEntry Entry(int i) const;
    int Track(int i) const { return Entry(i).Track; }
    int32_t Offset(int i) const { return Entry(i).Offset; }
    // Milliseconds of the whole list (the offset one past the last entry).
    int32_t TotalLength() const { return total; }
    // The entries' tracks in order.
    std::vector<int> Tracks() const;

private:
    std::vector<PlayEntry> entries;
    int32_t total = 0;
};
