// The readers of the services' answers and the look-ups built on them, over a fetcher that
// answers from a table: what is found, chosen and told, and what each bad answer gives.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QUrlQuery>
#include <map>

#include "OnlineTestData.h"
#include "core/online/OnlineAnswers.h"
#include "core/online/OnlineLookup.h"

namespace {

const QString kDisc = QStringLiteral("Ozt5yAPzdbABQFOLX9Ubb7Y6tCg-");

class TableFetcher : public WebFetcher {
public:
    std::map<QString, WebAnswer> answers; // by path; anything else is a 404
    QStringList asked;
    std::vector<int> spacing;
    void Get(const QUrl& url, int spacingMs, std::function<void(const WebAnswer&)> done) override
    {
        asked << url.toString();
        spacing.push_back(spacingMs);
        auto it = answers.find(url.path());
        if (it != answers.end()) return done(it->second);
        WebAnswer notFound;
        notFound.Status = 404;
        notFound.Body = R"({"code":404,"name":"TrackNotFound","message":"Failed to find specified track"})";
        done(notFound);
    }
};

WebAnswer Ok(const QByteArray& body)
{
    WebAnswer a;
    a.Status = 200;
    a.Body = body;
    return a;
}

TitlesResult Titles(TableFetcher& web, int tracks = 3)
{
    TitlesResult result;
    bool called = false;
    LookUpTitles(web, QStringLiteral("http://127.0.0.1:1/"), kDisc, tracks, [&](const TitlesResult& r) {
        result = r;
        called = true;
    });
    EXPECT_TRUE(called);
    return result;
}

LyricsResult Lyrics(TableFetcher& web, const LyricsQuery& query)
{
    LyricsResult result;
    bool called = false;
    LookUpLyrics(web, QStringLiteral("http://127.0.0.1:1"), query, [&](const LyricsResult& r) {
        result = r;
        called = true;
    });
    EXPECT_TRUE(called);
    return result;
}

TEST(OnlineTitles, ReleasesCarryingTheDiscWithTheirTracksInOrder)
{
    TableFetcher web;
    web.answers[QStringLiteral("/ws/2/discid/") + kDisc] = Ok(TitlesJson(kDisc));
    const TitlesResult r = Titles(web);
    ASSERT_EQ(r.Status, LookupStatus::Found) << r.Detail.toStdString();
    // The request as the service documents it, to one service at most once a second.
    ASSERT_EQ(web.asked.size(), 1);
    EXPECT_EQ(web.asked[0],
              QStringLiteral("http://127.0.0.1:1/ws/2/discid/") + kDisc + "?inc=recordings+artist-credits&fmt=json");
    EXPECT_EQ(web.spacing[0], 1000);
    // The third release does not carry the disc; the second carries it on its second medium.
    ASSERT_EQ(r.Releases.size(), 2u);
    EXPECT_EQ(r.Releases[0].Title, QStringLiteral("夜の歌"));
    EXPECT_EQ(r.Releases[0].Artist, QStringLiteral("ミレルーン feat. Guest"));
    EXPECT_EQ(r.Releases[0].Date, QStringLiteral("2021-03-04"));
    EXPECT_EQ(r.Releases[0].Country, QStringLiteral("JP"));
    EXPECT_EQ(r.Releases[0].TrackTitles, (QStringList{"曲 1", "曲 2", "曲 3"}));
    EXPECT_EQ(r.Releases[1].Title, QStringLiteral("Night Songs"));
    EXPECT_EQ(r.Releases[1].TrackTitles, (QStringList{"曲 1", "曲 2", "曲 3"}));
}

TEST(OnlineTitles, NothingFoundBusyFailedAndOtherTrackCounts)
{
    const QString path = QStringLiteral("/ws/2/discid/") + kDisc;
    {
        TableFetcher web; // the service's 404
        EXPECT_EQ(Titles(web).Status, LookupStatus::NotFound);
    }
    for (int status : {429, 503}) {
        TableFetcher web;
        web.answers[path].Status = status;
        const TitlesResult r = Titles(web);
        EXPECT_EQ(r.Status, LookupStatus::Busy) << status;
        EXPECT_EQ(web.asked.size(), 1) << "asked again after " << status;
    }
    {
        TableFetcher web;
        web.answers[path].Status = 500;
        const TitlesResult r = Titles(web);
        EXPECT_EQ(r.Status, LookupStatus::Failed);
        EXPECT_TRUE(r.Detail.contains(QLatin1String("500"))) << r.Detail.toStdString();
    }
    {
        TableFetcher web; // no answer at all
        web.answers[path].Error = QStringLiteral("no answer within 10 s");
        const TitlesResult r = Titles(web);
        EXPECT_EQ(r.Status, LookupStatus::Failed);
        EXPECT_EQ(r.Detail, QStringLiteral("no answer within 10 s"));
    }
    for (const QByteArray& bad : {QByteArray("<html>busy</html>"), QByteArray("[1,2]"), QByteArray(R"({"releases":3})"),
                                  QByteArray(R"({"releases":[)")}) {
        TableFetcher web;
        web.answers[path] = Ok(bad);
        const TitlesResult r = Titles(web);
        EXPECT_EQ(r.Status, LookupStatus::Failed) << bad.constData();
        EXPECT_TRUE(r.Releases.empty());
        EXPECT_FALSE(r.Detail.isEmpty());
    }
    {
        // Releases of four tracks for a disc of three: none fits, and that is told.
        TableFetcher web;
        web.answers[path] = Ok(TitlesJson(kDisc, 4));
        const TitlesResult r = Titles(web, 3);
        EXPECT_EQ(r.Status, LookupStatus::NotFound);
        EXPECT_TRUE(r.Releases.empty());
        EXPECT_TRUE(r.Detail.contains(QLatin1String("number of tracks"))) << r.Detail.toStdString();
    }
}

TEST(OnlineTitles, AMediumWithGapsOrDoublesInItsTracksIsLeftOut)
{
    const QByteArray json =
        R"({"releases":[{"title":"A","media":[{"discs":[{"id":"D"}],"tracks":[{"position":1,"title":"x"},{"position":3,"title":"y"}]}]},)"
        R"({"title":"B","media":[{"discs":[{"id":"D"}],"tracks":[{"position":1,"title":"x"},{"position":1,"title":"y"}]}]},)"
        R"({"title":"C","media":[{"discs":[{"id":"D"}],"tracks":[{"position":2,"title":"two\nlines"},{"position":1,"recording":{"title":"from the recording"}}]}]}]})";
    const TitlesAnswer a = ReadTitlesAnswer(json, QStringLiteral("D"));
    ASSERT_EQ(a.Releases.size(), 1u);
    EXPECT_EQ(a.Releases[0].Title, QStringLiteral("C"));
    EXPECT_EQ(a.Releases[0].TrackTitles, (QStringList{"from the recording", "two lines"}));
}

TEST(OnlineLyrics, GetGivesTimedLinesAndAnEmptyTimedLineEndsTheLineBefore)
{
    TableFetcher web;
    web.answers[QStringLiteral("/api/get")] = Ok(
        LyricsRecordJson(QStringLiteral("夜の歌"), QStringLiteral("ミレルーン"), 20.0,
                         QStringLiteral("[00:01.00] 一行目\n[00:04.00] 二行目\n[00:07.50]\n"
                                        "[00:09.00] <00:09.00>三<00:09.40>行目<00:10.00>\n"),
                         QStringLiteral("一行目\n二行目\n三行目")));
    const LyricsQuery query{QStringLiteral("夜の歌"), QStringLiteral("ミレルーン"), QStringLiteral("Album"), 20};
    const LyricsResult r = Lyrics(web, query);
    ASSERT_EQ(r.Status, LookupStatus::Found) << r.Detail.toStdString();
    ASSERT_EQ(web.asked.size(), 1);
    const QUrl asked(web.asked[0]);
    const QUrlQuery q(asked);
    EXPECT_EQ(asked.path(), QStringLiteral("/api/get"));
    EXPECT_EQ(q.queryItemValue(QStringLiteral("track_name"), QUrl::FullyDecoded), QStringLiteral("夜の歌"));
    EXPECT_EQ(q.queryItemValue(QStringLiteral("artist_name"), QUrl::FullyDecoded), QStringLiteral("ミレルーン"));
    EXPECT_EQ(q.queryItemValue(QStringLiteral("album_name")), QStringLiteral("Album"));
    EXPECT_EQ(q.queryItemValue(QStringLiteral("duration")), QStringLiteral("20"));

    const LrcLyrics lines = LyricsLines(r.Record, 2000);
    ASSERT_EQ(lines.Lines.size(), 3u);
    EXPECT_EQ(lines.Lines[0].Text, QStringLiteral("一行目"));
    EXPECT_EQ(lines.Lines[0].StartTime, 100);
    EXPECT_EQ(lines.Lines[0].EndTime, 400);
    EXPECT_EQ(lines.Lines[1].EndTime, 750); // the empty line at 7.5 s ends it
    EXPECT_EQ(lines.Lines[2].StartTime, 900);
    EXPECT_EQ(lines.Lines[2].Text, QStringLiteral("三行目"));
    // Its word tags are kept: the last is the end of the line, else the track's end.
    EXPECT_EQ(lines.Lines[2].Words, (std::vector<WordMark>{{900, 0}, {940, 1}}));
    EXPECT_EQ(lines.Lines[2].EndTime, 1000);
    EXPECT_TRUE(lines.Lines[1].Words.empty());
}

TEST(OnlineLyrics, SearchWhenGetFindsNothingChoosesWithinTwoSecondsSyncedFirst)
{
    const LyricsQuery query{QStringLiteral("Song"), QStringLiteral("Band"), QStringLiteral("Album"), 200};
    TableFetcher web;
    web.answers[QStringLiteral("/api/search")] = Ok(
        "[" + LyricsRecordJson("Song", "Band", 150, "[00:01.00]far too short") + "," +
        LyricsRecordJson("Song", "Band", 201.5, QString(), "plain only") + "," +
        LyricsRecordJson("Song", "Band", 198.4, "[00:02.00]synced, 1.6 s off") + "," +
        LyricsRecordJson("Song", "Band", 202.5, "[00:03.00]synced, 2.5 s off") + "]");
    LyricsResult r = Lyrics(web, query);
    ASSERT_EQ(r.Status, LookupStatus::Found) << r.Detail.toStdString();
    ASSERT_EQ(web.asked.size(), 2);
    EXPECT_EQ(QUrl(web.asked[1]).path(), QStringLiteral("/api/search"));
    EXPECT_EQ(QUrlQuery(QUrl(web.asked[1])).queryItemValue(QStringLiteral("artist_name")), QStringLiteral("Band"));
    EXPECT_EQ(r.Record.Synced, QStringLiteral("[00:02.00]synced, 1.6 s off"));

    // Only plain lyrics fit: lines without times.
    web.answers[QStringLiteral("/api/search")] = Ok(
        "[" + LyricsRecordJson("Song", "Band", 201.5, QString(), "one\n\ntwo\r\n***\n") + "]");
    r = Lyrics(web, query);
    ASSERT_EQ(r.Status, LookupStatus::Found);
    const LrcLyrics plain = LyricsLines(r.Record, 20000);
    ASSERT_EQ(plain.Lines.size(), 3u);
    EXPECT_EQ(plain.Lines[1].Text, QStringLiteral("two"));
    EXPECT_EQ(plain.Lines[2].Text, QStringLiteral("＊＊＊")); // would end the lyrics in a data file
    EXPECT_EQ(plain.Lines[0].StartTime, 0);
    EXPECT_EQ(plain.Lines[0].EndTime, 0);

    // Nothing within 2 s: nothing found.
    web.answers[QStringLiteral("/api/search")] = Ok("[" + LyricsRecordJson("Song", "Band", 202.5, "[00:01.00]x") + "," +
                                                    LyricsRecordJson("Song", "Band", 197.4, "[00:01.00]y") + "]");
    EXPECT_EQ(Lyrics(web, query).Status, LookupStatus::NotFound);

    // A get that answers a record of another length is no answer either.
    web.answers[QStringLiteral("/api/get")] = Ok(LyricsRecordJson("Song", "Band", 100, "[00:01.00]wrong song"));
    web.asked.clear();
    EXPECT_EQ(Lyrics(web, query).Status, LookupStatus::NotFound);
    EXPECT_EQ(web.asked.size(), 2);
}

TEST(OnlineLyrics, InstrumentalBusyAndBadAnswers)
{
    const LyricsQuery query{QStringLiteral("Song"), QStringLiteral("Band"), QString(), 60};
    TableFetcher web;
    web.answers[QStringLiteral("/api/get")] = Ok(LyricsRecordJson("Song", "Band", 60, QString(), QString(), true));
    LyricsResult r = Lyrics(web, query);
    ASSERT_EQ(r.Status, LookupStatus::Found);
    EXPECT_TRUE(r.Record.Instrumental);
    EXPECT_TRUE(LyricsLines(r.Record, 6000).Lines.empty());

    web.answers[QStringLiteral("/api/get")] = WebAnswer{503, "busy", {}, false};
    web.asked.clear();
    r = Lyrics(web, query);
    EXPECT_EQ(r.Status, LookupStatus::Busy);
    EXPECT_EQ(web.asked.size(), 1); // no search, no second try

    for (const QByteArray& bad : {QByteArray("not json"), QByteArray("[]"), QByteArray(R"({"trackName":5})")}) {
        web.answers[QStringLiteral("/api/get")] = Ok(bad);
        r = Lyrics(web, query);
        EXPECT_EQ(r.Status, LookupStatus::Failed) << bad.constData();
        EXPECT_FALSE(r.Detail.isEmpty());
    }
    web.answers.erase(QStringLiteral("/api/get"));
    web.answers[QStringLiteral("/api/search")] = Ok(R"({"not":"a list"})");
    EXPECT_EQ(Lyrics(web, query).Status, LookupStatus::Failed);
}

} // namespace
