#pragma once
// Answers in the shapes the two services give (MusicBrainz's web service 2 in JSON, LRCLIB's
// API), shared by the suites of the look-ups.
#include <QByteArray>
#include <QString>

// A disc-id answer: two releases carry the disc (the second on its second medium), a third
// release does not.
inline QByteArray TitlesJson(const QString& discId, int tracks = 3)
{
    QByteArray trackList;
    for (int t = tracks; t >= 1; --t) { // the service's order is not to be relied on
        if (!trackList.isEmpty()) trackList += ',';
        trackList += QStringLiteral(R"({"id":"t%1","number":"%1","position":%1,"title":"曲 %1","length":20000,)"
                                    R"("recording":{"id":"r%1","title":"Recording %1","length":20000}})")
                         .arg(t)
                         .toUtf8();
    }
    const QByteArray id = discId.toUtf8();
    return R"({"id":")" + id +
           R"(","sectors":4950,"offset-count":3,"offsets":[150,1650,3450],"releases":[)"
           R"({"id":"rel-1","title":"夜の歌","status":"Official","date":"2021-03-04","country":"JP",)"
           R"("artist-credit":[{"name":"ミレルーン","joinphrase":" feat. ","artist":{"id":"a1","name":"ミレルーン"}},)"
           R"({"name":"Guest","joinphrase":"","artist":{"id":"a2","name":"Guest"}}],)"
           R"("media":[{"position":1,"format":"CD","track-count":)" +
           QByteArray::number(tracks) + R"(,"discs":[{"id":")" + id + R"(","sectors":4950}],"tracks":[)" + trackList +
           R"(]}]},)"
           R"({"id":"rel-2","title":"Night Songs","date":"2022","country":"XW",)"
           R"("artist-credit":[{"name":"Mirelune","joinphrase":""}],)"
           R"("media":[{"position":1,"format":"CD","discs":[{"id":"another-disc"}],"tracks":[{"position":1,"title":"Other"}]},)"
           R"({"position":2,"format":"CD","discs":[{"id":")" +
           id + R"("}],"tracks":[)" + trackList +
           R"(]}]},)"
           R"({"id":"rel-3","title":"Not this disc","media":[{"discs":[{"id":"xyz"}],"tracks":[{"position":1,"title":"x"}]}]})"
           R"(]})";
}

inline QByteArray LyricsRecordJson(const QString& track, const QString& artist, double duration, const QString& synced,
                                   const QString& plain = QString(), bool instrumental = false)
{
    auto quote = [](const QString& s) {
        if (s.isNull()) return QByteArray("null");
        QString e = s;
        e.replace(QLatin1String("\\"), QLatin1String("\\\\")).replace(QLatin1String("\""), QLatin1String("\\\""));
        e.replace(QLatin1String("\n"), QLatin1String("\\n"));
        return '"' + e.toUtf8() + '"';
    };
    return R"({"id":3396226,"trackName":)" + quote(track) + R"(,"artistName":)" + quote(artist) +
           R"(,"albumName":"Album","duration":)" + QByteArray::number(duration) + R"(,"instrumental":)" +
           (instrumental ? "true" : "false") + R"(,"plainLyrics":)" + quote(plain) + R"(,"syncedLyrics":)" +
           quote(synced) + "}";
}
