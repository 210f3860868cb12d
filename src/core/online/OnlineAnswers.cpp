#include "OnlineAnswers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "core/common/Defines.h"

namespace {

// The document, or the reason it is none.
bool parse(const QByteArray& json, QJsonDocument& doc, QString& error)
{
    QJsonParseError parseError{};
    doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("the answer is not JSON (%1)").arg(parseError.errorString());
        return false;
    }
    return true;
}

QString artistCredit(const QJsonValue& credit)
{
    QString text;
    for (const QJsonValue& part : credit.toArray()) {
        const QJsonObject o = part.toObject();
        QString name = o.value(QLatin1String("name")).toString();
        if (name.isEmpty()) name = o.value(QLatin1String("artist")).toObject().value(QLatin1String("name")).toString();
        text += name + o.value(QLatin1String("joinphrase")).toString();
    }
    return text.trimmed();
}

// One line of text as the data file can hold it: no line breaks.
QString oneLine(const QString& text) { return text.simplified(); }

bool carries(const QJsonObject& medium, const QString& discId)
{
    for (const QJsonValue& disc : medium.value(QLatin1String("discs")).toArray())
        if (disc.toObject().value(QLatin1String("id")).toString() == discId) return true;
    return false;
}

std::optional<LyricsRecord> record(const QJsonValue& value)
{
    if (!value.isObject()) return std::nullopt;
    const QJsonObject o = value.toObject();
    // A record names its track; anything else is another shape.
    if (!o.value(QLatin1String("trackName")).isString()) return std::nullopt;
    LyricsRecord r;
    r.Track = o.value(QLatin1String("trackName")).toString();
    r.Artist = o.value(QLatin1String("artistName")).toString();
    r.Album = o.value(QLatin1String("albumName")).toString();
    r.Duration = o.value(QLatin1String("duration")).toDouble();
    if (!std::isfinite(r.Duration)) r.Duration = 0;
    r.Instrumental = o.value(QLatin1String("instrumental")).toBool();
    r.Plain = o.value(QLatin1String("plainLyrics")).toString();
    r.Synced = o.value(QLatin1String("syncedLyrics")).toString();
    return r;
}

} // namespace

TitlesAnswer ReadTitlesAnswer(const QByteArray& json, const QString& discId)
{
    TitlesAnswer answer;
    QJsonDocument doc;
    if (!parse(json, doc, answer.Error)) return answer;
    const QJsonValue releases = doc.object().value(QLatin1String("releases"));
    if (!doc.isObject() || !releases.isArray()) {
        answer.Error = QStringLiteral("the answer holds no list of releases");
        return answer;
    }
    for (const QJsonValue& value : releases.toArray()) {
        const QJsonObject release = value.toObject();
        for (const QJsonValue& mediumValue : release.value(QLatin1String("media")).toArray()) {
            const QJsonObject medium = mediumValue.toObject();
            if (!carries(medium, discId)) continue;
            TitlesRelease r;
            r.Title = oneLine(release.value(QLatin1String("title")).toString());
            r.Artist = oneLine(artistCredit(release.value(QLatin1String("artist-credit"))));
            r.Date = oneLine(release.value(QLatin1String("date")).toString());
            r.Country = oneLine(release.value(QLatin1String("country")).toString());
            // Tracks by their position on the medium; a gap or a double is a broken answer.
            std::vector<std::pair<int, QString>> tracks;
            for (const QJsonValue& track : medium.value(QLatin1String("tracks")).toArray()) {
                const QJsonObject t = track.toObject();
                QString title = t.value(QLatin1String("title")).toString();
                if (title.isEmpty())
                    title = t.value(QLatin1String("recording")).toObject().value(QLatin1String("title")).toString();
                tracks.emplace_back(t.value(QLatin1String("position")).toInt(), oneLine(title));
            }
            std::stable_sort(tracks.begin(), tracks.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            bool inOrder = !tracks.empty() && tracks.size() <= kMaxTracks;
            for (size_t i = 0; inOrder && i < tracks.size(); ++i) inOrder = tracks[i].first == static_cast<int>(i + 1);
            if (!inOrder) continue;
            for (const auto& t : tracks) r.TrackTitles << t.second;
            answer.Releases.push_back(r);
            break;
        }
    }
    return answer;
}

LyricsAnswer ReadLyricsGet(const QByteArray& json)
{
    LyricsAnswer answer;
    QJsonDocument doc;
    if (!parse(json, doc, answer.Error)) return answer;
    if (auto r = record(doc.object()); doc.isObject() && r)
        answer.Records.push_back(*r);
    else
        answer.Error = QStringLiteral("the answer is no lyrics record");
    return answer;
}

LyricsAnswer ReadLyricsSearch(const QByteArray& json)
{
    LyricsAnswer answer;
    QJsonDocument doc;
    if (!parse(json, doc, answer.Error)) return answer;
    if (!doc.isArray()) {
        answer.Error = QStringLiteral("the answer is no list of lyrics records");
        return answer;
    }
    for (const QJsonValue& value : doc.array())
        if (auto r = record(value)) answer.Records.push_back(*r);
    return answer;
}

int ChooseLyrics(const std::vector<LyricsRecord>& records, double seconds)
{
    int best = -1;
    auto rank = [&](const LyricsRecord& r) {
        return std::make_pair(r.Synced.trimmed().isEmpty() ? 1 : 0, std::fabs(r.Duration - seconds));
    };
    for (size_t i = 0; i < records.size(); ++i) {
        const LyricsRecord& r = records[i];
        if (std::fabs(r.Duration - seconds) > 2.0 || !(r.HasLyrics() || r.Instrumental)) continue;
        if (best < 0 || rank(r) < rank(records[best])) best = static_cast<int>(i);
    }
    return best;
}

LrcLyrics LyricsLines(const LyricsRecord& record, int32_t trackEnd)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    if (!record.Synced.trimmed().isEmpty()) {
        LrcLyrics lyrics = ReadLrc(record.Synced.split(lineBreak), trackEnd);
        if (!lyrics.Lines.empty()) return lyrics;
    }
    LrcLyrics lyrics;
    for (const QString& line : record.Plain.split(lineBreak)) {
        const QString text = line.trimmed();
        if (text.isEmpty()) continue;
        if (lyrics.Lines.size() == static_cast<size_t>(kMaxLines)) {
            ++lyrics.Dropped;
            continue;
        }
        // "***" would end the lyrics in a data file, as the LRC reader knows too.
        lyrics.Lines.push_back({text == QLatin1String("***") ? QStringLiteral("＊＊＊") : text, 0, 0});
    }
    return lyrics;
}
