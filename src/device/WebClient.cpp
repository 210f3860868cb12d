#include "WebClient.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include "core/common/SafeSave.h"

#ifndef MIRELUNE_VERSION
#define MIRELUNE_VERSION "1.0.0"
#endif

namespace {
// Far more than an answer of either service: a larger file is no answer of ours.
constexpr int64_t kMaxCacheBytes = 16 * 1024 * 1024;
} // namespace

WebClient::WebClient(const QString& folder, QObject* parent) : QObject(parent), cacheFolder(folder)
{
    if (cacheFolder.isEmpty())
        cacheFolder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                      QStringLiteral("/mirelune/online");
    clock.start();
}

QString WebClient::UserAgent() { return QStringLiteral("Mirelune/" MIRELUNE_VERSION " ( https://mirelune.org/ )"); }

QString WebClient::cachePath(const QUrl& url) const
{
    const QByteArray key = QCryptographicHash::hash(url.toEncoded(), QCryptographicHash::Sha1).toHex();
    return cacheFolder + QLatin1Char('/') + QString::fromLatin1(key);
}

bool WebClient::fromCache(const QUrl& url, WebAnswer& answer) const
{
    const QString path = cachePath(url);
    const QFileInfo info(path);
    if (!info.isFile() || info.lastModified().secsTo(QDateTime::currentDateTime()) > CacheSeconds) return false;
    // Never waiting on a FIFO put in its place.
    FileRead file;
    if (!ReadFileWhole(path, kMaxCacheBytes, &file)) return false;
    const QByteArray& bytes = file.bytes;
    // The request first (two keys may not collide unseen), then the status, then the body.
    const qsizetype requestEnd = bytes.indexOf('\n');
    const qsizetype statusEnd = bytes.indexOf('\n', requestEnd + 1);
    if (requestEnd < 0 || statusEnd < 0 || bytes.left(requestEnd) != url.toEncoded()) return false;
    bool ok = false;
    const int status = bytes.mid(requestEnd + 1, statusEnd - requestEnd - 1).toInt(&ok);
    if (!ok || (status != 200 && status != 404)) return false;
    answer.Status = status;
    answer.Body = bytes.mid(statusEnd + 1);
    answer.FromCache = true;
    return true;
}

void WebClient::keep(const QUrl& url, const WebAnswer& answer) const
{
    if (answer.Status != 200 && answer.Status != 404) return;
    // A cache that cannot be written only means asking again next time.
    if (!QDir().mkpath(cacheFolder)) return;
    SaveFileWhole(cachePath(url), url.toEncoded() + '\n' + QByteArray::number(answer.Status) + '\n' + answer.Body);
}

void WebClient::Get(const QUrl& url, int spacingMs, std::function<void(const WebAnswer&)> done)
{
    WebAnswer cached;
    if (fromCache(url, cached)) {
        QTimer::singleShot(0, this, [done, cached] { done(cached); });
        return;
    }
    const QString service = url.scheme() + QLatin1String("://") + url.host() + QLatin1Char(':') +
                            QString::number(url.port());
    const qint64 now = clock.elapsed();
    const qint64 at = std::max(now, nextFree.value(service, 0));
    nextFree[service] = at + spacingMs;
    QTimer::singleShot(static_cast<int>(at - now), Qt::PreciseTimer, this, [this, url, done, service, spacingMs] {
        // Counted from the moment it really goes: a request held up before it still
        // leaves the service its pause. (A precise timer: a coarse one may fire early.)
        const qint64 sent = clock.elapsed();
        nextFree[service] = std::max(nextFree.value(service, 0), sent + spacingMs);
        send(url, done);
    });
}

void WebClient::send(const QUrl& url, std::function<void(const WebAnswer&)> done)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    request.setRawHeader("Accept", "application/json");
    QNetworkReply* reply = net.get(request);
    auto tooLarge = std::make_shared<bool>(false);
    auto timedOut = std::make_shared<bool>(false);
    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    timer->start(TimeoutMs);
    const qint64 cap = MaxBytes;
    auto checkSize = [reply, tooLarge, cap] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((length.isValid() && length.toLongLong() > cap) || reply->bytesAvailable() > cap) {
            *tooLarge = true;
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, checkSize);
    connect(reply, &QNetworkReply::readyRead, reply, checkSize);
    connect(reply, &QNetworkReply::finished, this, [this, reply, url, done, tooLarge, timedOut, cap] {
        reply->deleteLater();
        WebAnswer answer;
        if (*timedOut) {
            answer.Error = QStringLiteral("no answer within %1 s").arg(TimeoutMs / 1000.0);
        } else if (*tooLarge) {
            answer.Error = QStringLiteral("the answer is larger than %1 bytes").arg(cap);
        } else if (const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
                   status.isValid()) {
            answer.Status = status.toInt();
            answer.Body = reply->readAll();
            keep(url, answer);
        } else {
            answer.Error = reply->errorString();
        }
        done(answer);
    });
}
