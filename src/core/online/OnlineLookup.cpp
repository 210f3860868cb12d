#include "OnlineLookup.h"

#include <QUrlQuery>

namespace {

QUrl under(const QString& server, const QString& path)
{
    QString base = server.trimmed();
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    return QUrl(base + path);
}

// The status every answer that is not 200 gives; Found for 200.
LookupStatus statusOf(const WebAnswer& answer, QString& detail)
{
    if (answer.Status == 0) {
        detail = answer.Error.isEmpty() ? QStringLiteral("no answer") : answer.Error;
        return LookupStatus::Failed;
    }
    if (answer.Status == 200) return LookupStatus::Found;
    if (answer.Status == 404) return LookupStatus::NotFound;
    detail = QStringLiteral("HTTP %1").arg(answer.Status);
    if (answer.Status == 429 || answer.Status == 503) return LookupStatus::Busy;
    return LookupStatus::Failed;
}

} // namespace

QUrl TitlesUrl(const QString& server, const QString& discId)
{
    QUrl url = under(server, QStringLiteral("/ws/2/discid/") + discId);
    url.setQuery(QStringLiteral("inc=recordings+artist-credits&fmt=json"));
    return url;
}

QUrl LyricsGetUrl(const QString& server, const LyricsQuery& query)
{
    QUrl url = under(server, QStringLiteral("/api/get"));
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("track_name"), query.Track);
    q.addQueryItem(QStringLiteral("artist_name"), query.Artist);
    q.addQueryItem(QStringLiteral("album_name"), query.Album);
    q.addQueryItem(QStringLiteral("duration"), QString::number(query.Seconds));
    url.setQuery(q);
    return url;
}

QUrl LyricsSearchUrl(const QString& server, const LyricsQuery& query)
{
    QUrl url = under(server, QStringLiteral("/api/search"));
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("track_name"), query.Track);
    q.addQueryItem(QStringLiteral("artist_name"), query.Artist);
    url.setQuery(q);
    return url;
}

void LookUpTitles(WebFetcher& web, const QString& server, const QString& discId, int trackCount,
                  std::function<void(const TitlesResult&)> done)
{
    web.Get(TitlesUrl(server, discId), kTitlesSpacingMs, [discId, trackCount, done](const WebAnswer& answer) {
        TitlesResult result;
        result.Status = statusOf(answer, result.Detail);
        if (result.Status != LookupStatus::Found) return done(result);
        TitlesAnswer read = ReadTitlesAnswer(answer.Body, discId);
        if (!read.Error.isEmpty()) {
            result.Status = LookupStatus::Failed;
            result.Detail = read.Error;
            return done(result);
        }
        int mismatched = 0;
        for (TitlesRelease& r : read.Releases) {
            if (r.TrackTitles.size() == trackCount)
                result.Releases.push_back(std::move(r));
            else
                ++mismatched;
        }
        if (result.Releases.empty()) {
            result.Status = LookupStatus::NotFound;
            if (mismatched > 0)
                result.Detail = QStringLiteral("the releases found have another number of tracks than the disc (%1)")
                                    .arg(trackCount);
        }
        done(result);
    });
}

void LookUpLyrics(WebFetcher& web, const QString& server, const LyricsQuery& query,
                  std::function<void(const LyricsResult&)> done)
{
    auto search = [&web, server, query, done]() {
        web.Get(LyricsSearchUrl(server, query), kLyricsSpacingMs, [query, done](const WebAnswer& answer) {
            LyricsResult result;
            result.Status = statusOf(answer, result.Detail);
            if (result.Status != LookupStatus::Found) return done(result);
            const LyricsAnswer read = ReadLyricsSearch(answer.Body);
            if (!read.Error.isEmpty()) {
                result.Status = LookupStatus::Failed;
                result.Detail = read.Error;
                return done(result);
            }
            const int chosen = ChooseLyrics(read.Records, query.Seconds);
            if (chosen < 0)
                result.Status = LookupStatus::NotFound;
            else
                result.Record = read.Records[chosen];
            done(result);
        });
    };
    web.Get(LyricsGetUrl(server, query), kLyricsSpacingMs, [query, done, search](const WebAnswer& answer) {
        LyricsResult result;
        result.Status = statusOf(answer, result.Detail);
        if (result.Status == LookupStatus::NotFound) return search();
        if (result.Status != LookupStatus::Found) return done(result);
        const LyricsAnswer read = ReadLyricsGet(answer.Body);
        if (!read.Error.isEmpty()) {
            result.Status = LookupStatus::Failed;
            result.Detail = read.Error;
            return done(result);
        }
        // The service matches the length itself; a record that does not fit is none.
        if (ChooseLyrics(read.Records, query.Seconds) < 0) return search();
        result.Record = read.Records.front();
        done(result);
    });
}
