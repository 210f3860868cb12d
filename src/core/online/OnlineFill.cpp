#include "OnlineFill.h"

#include <cmath>

#include "core/common/Etc.h"
#include "core/discdata/Words.h"

int AudioTrackCount(const TWords& words)
{
    if (words.AudioState == 0 || words.FirstAudioTrack < 1) return 0;
    return words.SongCount - words.FirstAudioTrack + 1;
}

bool TrackHasLyrics(const TWords& words, int track)
{
    return words.GetLineCount(track) > 0 || words.GetCopyTrack(track) > 0;
}

LyricsQuery LyricsQueryFor(const TWords& words, int track)
{
    LyricsQuery query;
    query.Track = words.GetSongTitle(track);
    query.Artist = words.Artist;
    query.Album = words.Title;
    query.Seconds = static_cast<int>(std::lround(words.SongLength(track) / 1000.0));
    return query;
}

QStringList FillTitles(TWords& words, const TitlesRelease& release, bool replace)
{
    QStringList filled;
    if ((replace || words.Title.isEmpty()) && !release.Title.isEmpty() && words.Title != release.Title) {
        words.Title = release.Title;
        filled << QStringLiteral("title");
    }
    if ((replace || words.Artist.isEmpty()) && !release.Artist.isEmpty() && words.Artist != release.Artist) {
        words.Artist = release.Artist;
        filled << QStringLiteral("artist");
    }
    const int count = std::min<int>(AudioTrackCount(words), release.TrackTitles.size());
    for (int i = 0; i < count; ++i) {
        const int track = words.FirstAudioTrack + i;
        const QString& title = release.TrackTitles[i];
        if (title.isEmpty() || words.GetSongTitle(track) == title) continue;
        if (!replace && !words.GetSongTitle(track).isEmpty()) continue;
        words.SetSongTitle(track, title);
        filled << FormatZeroPad(track, 2);
    }
    return filled;
}

int FillLyrics(TWords& words, int track, const LyricsRecord& record)
{
    if (!record.HasLyrics()) return 0;
    const LrcLyrics lyrics = LyricsLines(record, words.SongLength(track) / 10);
    if (lyrics.Lines.empty()) return 0;
    // Lyrics found replace a borrowed text too: the track gets lines of its own.
    if (words.GetCopyTrack(track) > 0) words.SetCopyTrack(track, 0);
    StoreLrc(words, track, lyrics);
    return static_cast<int>(lyrics.Lines.size());
}

QString ReleaseLine(const TitlesRelease& release)
{
    QStringList parts{release.Title, release.Artist, release.Date, release.Country};
    for (QString& p : parts)
        if (p.isEmpty()) p = QStringLiteral("-");
    return parts.join(QStringLiteral(" / "));
}
