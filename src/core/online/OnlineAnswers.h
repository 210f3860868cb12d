#pragma once
// Readers of the two services' answers: MusicBrainz's disc-id look-up (titles) and
// LRCLIB's get and search (synced lyrics). Pure functions of the bytes received: an answer
// that is not JSON, or not of the shape expected, gives an error text and nothing else.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "core/discdata/Lrc.h"

// A release whose medium carries the disc id: what it gives the disc.
struct TitlesRelease {
    QString Title;
    QString Artist; // the credited names with their join phrases
    QString Date;   // as the service has it: "2005", "2005-11-07" or empty
    QString Country;
    QStringList TrackTitles; // of that medium, track 1 first
};

struct TitlesAnswer {
    std::vector<TitlesRelease> Releases; // in the service's order
    QString Error;                       // the answer could not be read; Releases empty
};

// The answer to /ws/2/discid/ID?inc=recordings+artist-credits&fmt=json. Only releases
// with a medium carrying discId count (several media of one release: the first of them).
TitlesAnswer ReadTitlesAnswer(const QByteArray& json, const QString& discId);

// One LRCLIB record.
struct LyricsRecord {
    QString Track, Artist, Album;
    double Duration = 0; // seconds
    bool Instrumental = false;
    QString Plain;  // plainLyrics; may be empty
    QString Synced; // syncedLyrics in LRC form; may be empty
    bool HasLyrics() const { return !Plain.trimmed().isEmpty() || !Synced.trimmed().isEmpty(); }
};

struct LyricsAnswer {
    std::vector<LyricsRecord> Records;
    QString Error;
};

// /api/get answers one record (an object), /api/search a list of them.
LyricsAnswer ReadLyricsGet(const QByteArray& json);
LyricsAnswer ReadLyricsSearch(const QByteArray& json);

// The record that fits a track of the given length: its duration within 2 s, with
// lyrics or marked instrumental; synced lyrics before plain ones, then the nearest
// duration. -1 when none fits.
int ChooseLyrics(const std::vector<LyricsRecord>& records, double seconds);

// The lines a record gives a track: synced lyrics read as an LRC file is (an empty timed
// line ends the line before), the last line ending at trackEnd (hundredths from the start
// of the track, 0 for the open end); plain lyrics as lines without times (empty lines left
// out, at most 127).
LrcLyrics LyricsLines(const LyricsRecord& record, int32_t trackEnd);
