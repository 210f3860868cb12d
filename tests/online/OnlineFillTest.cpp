// The disc id the titles service knows a disc by, and what the look-ups put into the disc
// data: only empty titles unless replacing, lyrics with their times as the track's own.
#include <gtest/gtest.h>

#include <QCryptographicHash>

#include "core/online/MusicBrainzId.h"
#include "core/online/OnlineFill.h"
#include "discdata/DiscFixture.h"

namespace {

// The id by hand, as the service documents it: SHA-1 over the first and last track as two
// hex digits, then 100 offsets as eight (the lead-out first, then tracks 1..99, 0 for
// none), in Base64 with "+/=" written "._-".
QString HandDiscId(int first, int last, int32_t leadOut, const std::vector<int32_t>& offsets)
{
    QByteArray text = QString::asprintf("%02X%02X%08X", first, last, leadOut).toLatin1();
    for (int i = 1; i <= 99; ++i)
        text += QString::asprintf("%08X", i >= first && i <= last ? offsets[i - first] : 0).toLatin1();
    QByteArray b64 = QCryptographicHash::hash(text, QCryptographicHash::Sha1).toBase64();
    b64.replace('+', '.').replace('/', '_').replace('=', '-');
    return QString::fromLatin1(b64);
}

using OnlineDisc = DiscFixture;

TEST_F(OnlineDisc, DiscIdFromTheTableOfContentsWithTheLeadIn)
{
    SimDisc disc;
    disc.tracks = {{150, true}, {15363, true}, {32314, true}, {46592, true}};
    disc.leadOutFrame = 63179;
    Insert(disc);
    const MusicBrainzToc toc = MusicBrainzTocOf(device);
    ASSERT_TRUE(toc.Valid());
    EXPECT_EQ(toc.First, 1);
    EXPECT_EQ(toc.Last, 4);
    EXPECT_EQ(toc.Offsets, (std::vector<int32_t>{150, 15363, 32314, 46592}));
    EXPECT_EQ(toc.LeadOut, 63179);
    const QString id = MusicBrainzDiscId(toc);
    EXPECT_EQ(id.size(), 28);
    EXPECT_EQ(id, HandDiscId(1, 4, 63179, {150, 15363, 32314, 46592}));

    // An enhanced CD: the data session after the audio is not counted, and the audio ends
    // 11400 frames before it.
    SimDisc enhanced = disc;
    enhanced.tracks.push_back({63179 + 11400, false});
    enhanced.leadOutFrame = 63179 + 11400 + 30000;
    Insert(enhanced);
    const MusicBrainzToc etoc = MusicBrainzTocOf(device);
    EXPECT_EQ(etoc.Last, 4);
    EXPECT_EQ(etoc.LeadOut, 63179);
    EXPECT_EQ(MusicBrainzDiscId(etoc), id);

    // No audio, or a table libdiscid refuses: no id.
    SimDisc data;
    data.tracks = {{150, false}};
    data.leadOutFrame = 9000;
    Insert(data);
    EXPECT_FALSE(MusicBrainzTocOf(device).Valid());
    EXPECT_TRUE(MusicBrainzDiscId(MusicBrainzTocOf(device)).isEmpty());
    MusicBrainzToc bad = toc;
    bad.LeadOut = 100;
    EXPECT_TRUE(MusicBrainzDiscId(bad).isEmpty());
}

TEST_F(OnlineDisc, TitlesFillWhatIsEmptyUnlessReplacing)
{
    Insert(SimDisc::DataFirst(30, {20, 24, 22}));
    ASSERT_EQ(words.FirstAudioTrack, 2);
    EXPECT_EQ(AudioTrackCount(words), 3);
    words.Artist = QStringLiteral("Typed artist");
    words.SetSongTitle(3, QStringLiteral("Typed title"));
    TitlesRelease release;
    release.Title = QStringLiteral("夜の歌");
    release.Artist = QStringLiteral("ミレルーン");
    release.TrackTitles = {QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")};

    EXPECT_EQ(FillTitles(words, release, false), (QStringList{"title", "02", "04"}));
    EXPECT_EQ(words.Title, QStringLiteral("夜の歌"));
    EXPECT_EQ(words.Artist, QStringLiteral("Typed artist"));
    EXPECT_EQ(words.GetSongTitle(2), QStringLiteral("一"));
    EXPECT_EQ(words.GetSongTitle(3), QStringLiteral("Typed title"));
    EXPECT_EQ(words.GetSongTitle(4), QStringLiteral("三"));

    EXPECT_EQ(FillTitles(words, release, true), (QStringList{"artist", "03"}));
    EXPECT_EQ(words.Artist, QStringLiteral("ミレルーン"));
    EXPECT_EQ(words.GetSongTitle(3), QStringLiteral("二"));
}

TEST_F(OnlineDisc, LyricsBecomeTheTracksOwnLinesWithTheirTimes)
{
    Insert(SimDisc::Audio({20, 30}));
    words.Title = QStringLiteral("Album");
    words.Artist = QStringLiteral("Band");
    words.SetSongTitle(2, QStringLiteral("Song"));
    const LyricsQuery query = LyricsQueryFor(words, 2);
    EXPECT_EQ(query.Track, QStringLiteral("Song"));
    EXPECT_EQ(query.Artist, QStringLiteral("Band"));
    EXPECT_EQ(query.Album, QStringLiteral("Album"));
    EXPECT_EQ(query.Seconds, 30);

    // Track 2 shows track 1's lyrics: found lyrics give it its own.
    words.SetLine(1, 1, {QStringLiteral("borrowed"), 100, 200});
    words.SetLineCount(1, 1);
    words.SetCopyTrack(2, 1);
    words.SetAdjust(2, 7);
    words.ResolveCopies();
    EXPECT_TRUE(TrackHasLyrics(words, 2));

    LyricsRecord record;
    record.Synced = QStringLiteral("[00:01.00]a\n[00:02.00]b\n[00:03.00]\n");
    EXPECT_EQ(FillLyrics(words, 2, record), 2);
    EXPECT_EQ(words.GetCopyTrack(2), 0);
    EXPECT_EQ(words.GetAdjust(2), 0);
    ASSERT_EQ(words.GetLineCount(2), 2);
    EXPECT_EQ(words.GetLine(2, 2).Text, QStringLiteral("b"));
    EXPECT_EQ(words.GetLine(2, 2).StartTime, 200);
    EXPECT_EQ(words.GetLine(2, 2).EndTime, 300);
    EXPECT_EQ(words.GetLine(1, 1).Text, QStringLiteral("borrowed"));

    LyricsRecord instrumental;
    instrumental.Instrumental = true;
    EXPECT_EQ(FillLyrics(words, 1, instrumental), 0);
    EXPECT_EQ(words.GetLineCount(1), 1);
}

} // namespace
