#include "EntryTexts.h"

#include <QFileInfo>

#include "Words.h"

EntryTexts InitialEntryTexts(const TWords& words)
{
    EntryTexts texts{words.Title, words.Artist, std::vector<QString>(static_cast<size_t>(words.SongCount) + 1)};
    bool ownTexts = !words.Artist.isEmpty();
    for (int t = 1; t <= words.SongCount; ++t) {
        texts.SongTitles[t] = words.GetSongTitle(t);
        if (t >= words.FirstAudioTrack)
            ownTexts = ownTexts || !words.Songs[t].Title.isEmpty() || words.GetLineCount(t) > 0;
    }
    const CdTextInfo& disc = words.DiscText;
    if (ownTexts || disc.Empty()) return texts;
    const bool registeredTitle = words.Title == QFileInfo(words.FileName).completeBaseName();
    if ((words.Title.isEmpty() || registeredTitle) && !disc.discTitle.isEmpty()) texts.Title = disc.discTitle;
    texts.Artist = disc.discPerformer;
    for (int t = words.FirstAudioTrack; t >= 1 && t <= words.SongCount; ++t)
        texts.SongTitles[t] = disc.trackTitles.value(t - 1);
    return texts;
}
