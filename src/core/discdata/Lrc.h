#pragma once
// LRC files, the form in which other players keep synced lyrics: "[mm:ss.xx]text" lines
// and ID tags such as "[ti:title]" and "[offset:+500]". Reading turns one into a track's
// lyrics lines (start and end in hundredths of a second from the start of the track);
// writing turns a track's lines back into one. Both agree, so a file the writer made
// comes back from a reading and a writing as it was (at 10 ms resolution).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "Words.h"

// The end of a last line when the track's length is unknown: an end the track never
// reaches, so the line shows until the track ends, as the file means it to (99:59.99).
constexpr int32_t kLrcOpenEnd = 599999;

// Lines of a file the reader could not use: how many, and the first few (numbered from 1).
struct LrcSkipped {
    int Count = 0;
    std::vector<int> Lines;
    void Add(int line);
};

// What an LRC file gives a track.
struct LrcLyrics {
    QString Title;      // [ti:]
    QString Artist;     // [ar:]
    QString Album;      // [al:]
    int32_t Length = 0; // [length:], hundredths; 0 when absent
    // [offset:] becomes the track's correction: the user nudges it on the timing page
    // like any other, and the line times stay those of the file.
    int16_t Adjust = 0;
    std::vector<TWordsLine> Lines; // in time order, at most 127, every end set where it can be
    int Dropped = 0;               // lines beyond 127, left out
    int AtZero = 0;                // lines at 00:00.00, put at 00:00.01 (a start of 0 is "not set")
    LrcSkipped Untimed;            // text without a time tag
    LrcSkipped BadTags;            // a tag that is neither a time nor [key:value], or an unreadable
                                   // [offset:] or [length:]
};

// Reads the lines of an LRC file (the file's text split into lines).
// - Time tags [mm:ss], [mm:ss.x], [mm:ss.xx] and [mm:ss.xxx] (also with ":" before the
//   fraction), and [h:mm:ss.xx]; several at the start of a line put the line at each
//   time. A line at 00:00.00 is put at 00:00.01, since a data file reads 0 as "not set".
// - Word tags <mm:ss.xx> are removed from the text; blanks at both ends go. On a line of
//   one time they become the line's word times (text before the first tag a word at the
//   line's time), where they fit the line.
// - ID tags ([ti:], [ar:], [al:], [length:], [offset:], and any other) stay out of the
//   lyrics. [offset:N] is in milliseconds, a positive N showing the lines earlier.
// - Lines out of time order are sorted (lines of one time keep their order); the texts of
//   lines of the same time are joined by " / " into one line, since only one can show.
// - A line whose text ends in a word tag (enhanced LRC's end of the last word) ends at
//   that time, unless the next line or the track's end comes first.
// - A line ends where the next timed line starts; an empty timed line ends the line
//   before it and is no line itself. The last line ends at trackEnd (hundredths from the
//   start of the track; when 0, the [length:] of the file, else kLrcOpenEnd); a line
//   that starts after the track's end has no end (0).
// - Untimed lines are not lyrics; they and unreadable tags are counted as skipped. A text
//   "***" would end the lyrics in a data file, so it becomes "＊＊＊".
LrcLyrics ReadLrc(const QStringList& lines, int32_t trackEnd);

// What a track's LRC file is written from.
struct LrcTrack {
    QString Title;                 // [ti:], the track's title
    QString Artist;                // [ar:], the disc's artist
    QString Album;                 // [al:], the disc's title
    int32_t Length = 0;            // [length:], hundredths; 0 when unknown (no tag)
    int32_t Offset = 0;            // [offset:], milliseconds (positive shows earlier); 0: no tag
    std::vector<TWordsLine> Lines; // times as they are to show, less the offset
};

// The LRC text, CR LF after every line: the tags that have a value, then the lines in
// time order, one [mm:ss.xx] each at its start, and an empty timed line wherever a line
// ends before the next starts (or away from the track's end; with the length unknown,
// wherever the line has an end), so that reading gives every end back. A line with word
// times is written "[start]<start>word <time>word", its end (where one is needed) as a last
// word tag instead of an empty line. Texts are cleaned as the reader cleans them; lines of
// empty text are left out and lines of one start joined (losing their word times), as the
// reader would.
QString WriteLrc(const LrcTrack& track);

// [mm:ss.xx] of a time in hundredths (minutes at least two digits).
QString FormatLrcTime(int32_t hundredths);

// The track's lyrics as they show in the lyrics window: a borrowing track's lines are
// its source's, and the corrections of both are added to the times; lines without times
// (start and end 0) are left out. Titles from the disc. Where the correction would move a
// line to 00:00.00 or before (where lines would run together), the times stay the track's
// own and the correction becomes the file's [offset:], so every line comes back.
LrcTrack TrackLrc(const TWords& words, int track);
// Stores what a file gave as the track's own lines and correction (the track must not
// borrow its lyrics). Line records beyond the new count are kept, as typing keeps them.
void StoreLrc(TWords& words, int track, const LrcLyrics& lyrics);
// The tracks whose lyrics can be written: every listed track with timed lines.
std::vector<int> LrcTracks(const TWords& words);

// "NN title.lrc", "NN.lrc" for an empty title; characters other systems refuse in a file
// name (\ / : * ? " < > | and control characters) become "_", and the name fits 255 bytes.
QString LrcFileName(int track, const QString& title);
// Writes the file (UTF-8 with a byte-order mark, so that no player takes it for another
// encoding), replacing an existing one only once the whole text is written. False with
// the reason in *error.
bool WriteLrcFile(const QString& path, const LrcTrack& track, QString* error);
