#pragma once
// The texts data entry starts from: the disc data object's own, and on a disc that has
// none of its own yet the titles the disc carries (its CD-Text, or the TITLE and
// PERFORMER lines of its cue sheet). They are only offered: nothing reaches the data
// object or its file until the user confirms them.
#include <QString>
#include <vector>

class TWords;

struct EntryTexts {
    QString Title;
    QString Artist;
    std::vector<QString> SongTitles; // [t] for disc tracks 1..SongCount; [0] unused
};

// A disc has texts of its own once it has an artist, a track title or a lyrics line; a
// title equal to the data file's name is the one registering gave it, not the user's.
EntryTexts InitialEntryTexts(const TWords& words);
