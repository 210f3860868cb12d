#pragma once
// The program's one HTTP client, for the look-ups of titles and lyrics (Qt Network). Every
// request names the program and its version in its User-Agent, as the services ask; an
// answer must come within TimeoutMs and be no larger than MaxBytes; requests to one
// service are spaced as the caller asks. Answers found (200) and "nothing found" (404)
// are kept in a cache folder, keyed by the request, for a week, so that asking again sends
// nothing. Requests are made only when a caller asks: nothing is sent by itself.
#include <QElapsedTimer>
#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>

#include "core/online/OnlineLookup.h"

class WebClient : public QObject, public WebFetcher {
public:
    // cacheFolder: where answers are kept; empty for the user's cache folder
    // (~/.cache/mirelune/online).
    explicit WebClient(const QString& cacheFolder = QString(), QObject* parent = nullptr);

    void Get(const QUrl& url, int spacingMs, std::function<void(const WebAnswer&)> done) override;

    // "Mirelune/VERSION ( https://mirelune.org/ )".
    static QString UserAgent();
    QString CacheFolder() const { return cacheFolder; }

    int TimeoutMs = 10000;
    qint64 MaxBytes = 4 * 1024 * 1024;
    qint64 CacheSeconds = 7 * 24 * 3600;

private:
    void send(const QUrl& url, std::function<void(const WebAnswer&)> done);
    QString cachePath(const QUrl& url) const;
    bool fromCache(const QUrl& url, WebAnswer& answer) const;
    void keep(const QUrl& url, const WebAnswer& answer) const;

    QNetworkAccessManager net;
    QString cacheFolder;
    QElapsedTimer clock;
    QHash<QString, qint64> nextFree; // per service (scheme, host and port): when the next request may go
};
