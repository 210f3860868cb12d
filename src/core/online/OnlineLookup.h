#pragma once
// Looking up a disc's titles and a track's synced lyrics on the two services, over a
// WebFetcher (the program's HTTP client, or a test's). Nothing here writes anything: the
// results go to the caller, who shows them before anything is kept.
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

#include "OnlineAnswers.h"

// What came back for one request.
struct WebAnswer {
    int Status = 0; // the HTTP status; 0 when no answer came (Error says why)
    QByteArray Body;
    QString Error;          // no answer: time-out, refused, too large, ...
    bool FromCache = false; // answered from the cache, nothing was sent
};

// The door to the services. Get calls done exactly once, later, from the event loop; a
// request to the same service follows the one before it by at least spacingMs.
class WebFetcher {
public:
    virtual ~WebFetcher() = default;
    virtual void Get(const QUrl& url, int spacingMs, std::function<void(const WebAnswer&)> done) = 0;
};

enum class LookupStatus {
    Found,
    NotFound, // the service knows nothing of it (or nothing that fits)
    Busy,     // the service asked us to come back later (429, 503)
    Failed,   // no answer, another HTTP error, or an answer that could not be read
};

struct TitlesResult {
    LookupStatus Status = LookupStatus::Failed;
    std::vector<TitlesRelease> Releases; // when Found: one or more to choose from
    QString Detail;                      // why it failed, or what did not fit
};

// GET {server}/ws/2/discid/{id}?inc=recordings+artist-credits&fmt=json. Releases whose
// medium has another number of tracks than trackCount are left out (said in Detail).
void LookUpTitles(WebFetcher& web, const QString& server, const QString& discId, int trackCount,
                  std::function<void(const TitlesResult&)> done);

struct LyricsQuery {
    QString Track, Artist, Album;
    int Seconds = 0; // the track's length
};

struct LyricsResult {
    LookupStatus Status = LookupStatus::Failed;
    LyricsRecord Record; // when Found
    QString Detail;
};

// GET {server}/api/get?track_name=&artist_name=&album_name=&duration=; when that finds
// nothing, /api/search?track_name=&artist_name= and the record within 2 s of the length.
void LookUpLyrics(WebFetcher& web, const QString& server, const LyricsQuery& query,
                  std::function<void(const LyricsResult&)> done);

// The services' own request spacing: at most one request a second to MusicBrainz.
constexpr int kTitlesSpacingMs = 1000;
constexpr int kLyricsSpacingMs = 0;

// The disc id URL, the lyrics URLs (for tests and the cache alike).
QUrl TitlesUrl(const QString& server, const QString& discId);
QUrl LyricsGetUrl(const QString& server, const LyricsQuery& query);
QUrl LyricsSearchUrl(const QString& server, const LyricsQuery& query);
