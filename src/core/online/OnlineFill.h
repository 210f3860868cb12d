#pragma once
// What the look-ups give the disc data: the questions asked for a track, and the titles
// and lyrics found put into the disc data object (in memory; its Save writes them).
#include <QString>
#include <QStringList>

#include "OnlineAnswers.h"
#include "OnlineLookup.h"

class TWords;

// The disc's audio tracks (what a release's medium must have).
int AudioTrackCount(const TWords& words);
// A track has lyrics when it has lines of its own or shows another track's.
bool TrackHasLyrics(const TWords& words, int track);
// The lyrics question for a track: its title, the disc's artist and title, its length in
// whole seconds.
LyricsQuery LyricsQueryFor(const TWords& words, int track);

// Puts a release's titles into the disc data: the disc title, the artist and the title
// of each audio track. Without replace only what is empty is filled. Returns what was
// filled, as "title", "artist" and track numbers "NN".
QStringList FillTitles(TWords& words, const TitlesRelease& release, bool replace);

// The lines a record gives the track (its length bounds the last line); the lines are
// stored as the track's own with no correction. Returns the number of lines stored (0 for
// an instrumental record, which stores nothing).
int FillLyrics(TWords& words, int track, const LyricsRecord& record);

// One line describing a release for a choice: "title / artist / date / country".
QString ReleaseLine(const TitlesRelease& release);
