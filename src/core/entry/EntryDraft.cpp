#include "EntryDraft.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "core/common/Defines.h"
#include "core/common/Etc.h"
#include "core/discdata/DataFile.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"

namespace {

const QString kDraft = QStringLiteral("Draft");
const QString kInfo = QStringLiteral("Info");
const QString kTitle = QStringLiteral("Title");
const QString kMemo = QStringLiteral("Memo");
const QString kCount = QStringLiteral("Count");
const QString kTrack = QStringLiteral("Track");
const QString kAdjust = QStringLiteral("Adjust");
const QString kCopyTrack = QStringLiteral("CopyTrack");

QString wordsSection(int track) { return QStringLiteral("Words") + FormatZeroPad(track, 2); }
QString wordTimesSection(int track) { return QStringLiteral("WordTimes") + FormatZeroPad(track, 2); }

// A decimal value within [low, high]; false when absent counts as wrong.
bool number(const IniDocument& doc, const QString& section, const QString& key, int32_t low, int32_t high,
            int32_t* value)
{
    const std::optional<QString> text = doc.Value(section, key);
    return text && ParseIniDecimal(*text, value) && *value >= low && *value <= high;
}

bool trackNumber(QStringView text, int* track)
{
    int32_t t = 0;
    if (!ParseIniDecimal(text, &t) || t < 1 || t > kMaxTracks) return false;
    *track = t;
    return true;
}

// Lines 1..count of a section, keyed by keyOf(k).
template <class KeyOf>
bool readLines(const IniDocument& doc, const QString& section, int32_t count, KeyOf keyOf,
               std::vector<TWordsLine>* lines)
{
    for (int k = 1; k <= count; ++k) {
        const std::optional<QString> value = doc.Value(section, keyOf(k));
        TWordsLine line;
        if (!value || !ParseLyricsLine(*value, &line)) return false;
        lines->push_back(line);
    }
    return true;
}

bool parseDraft(const IniDocument& doc, const QString& discId, EntryDraft* d)
{
    if (doc.ReadString(kDraft, QStringLiteral("DiscId"), QString()).compare(discId, Qt::CaseInsensitive) != 0)
        return false;
    d->DiscId = discId;
    int32_t shown = 0;
    if (doc.Value(kDraft, kTrack) && !number(doc, kDraft, kTrack, 0, kMaxTracks, &shown)) return false;
    d->ShownTrack = shown;
    d->Title = doc.Value(kInfo, QStringLiteral("Title"));
    d->Artist = doc.Value(kInfo, QStringLiteral("Artist"));
    for (const auto& [key, value] : doc.Entries(kTitle)) {
        int t = 0;
        if (!trackNumber(key, &t)) return false;
        d->Tracks[t].Title = value;
    }
    for (const QString& section : doc.SectionNames()) {
        if (!section.startsWith(QLatin1String("Words"), Qt::CaseInsensitive)) continue;
        int t = 0;
        if (!trackNumber(QStringView(section).sliced(5), &t)) return false;
        DraftTrack& track = d->Tracks[t];
        int32_t value = 0;
        if (doc.Value(section, kCount)) {
            if (!number(doc, section, kCount, 0, kMaxLines, &value)) return false;
            std::vector<TWordsLine> lines;
            if (!readLines(
                    doc, section, value, [](int k) { return FormatZeroPad(k, 3); }, &lines))
                return false;
            // Word times as the data file keeps them; a draft's own never fail to fit.
            for (size_t k = 0; k < lines.size(); ++k)
                if (const auto times = doc.Value(wordTimesSection(t), FormatZeroPad(static_cast<int>(k) + 1, 3)))
                    if (!ParseWordTimes(*times, &lines[k])) return false;
            track.Lines = std::move(lines);
        }
        if (doc.Value(section, kAdjust)) {
            if (!number(doc, section, kAdjust, INT16_MIN, INT16_MAX, &value)) return false;
            track.Adjust = static_cast<int16_t>(value);
        }
        if (doc.Value(section, kCopyTrack)) {
            if (!number(doc, section, kCopyTrack, 0, kMaxTracks, &value)) return false;
            track.CopyTrack = value;
        }
    }
    if (doc.HasSection(kMemo)) {
        int32_t track = 0, count = 0;
        if (!number(doc, kMemo, kTrack, 1, kMaxTracks, &track)) return false;
        // Far more than the lyrics may hold: a whole text pasted in by mistake.
        if (!number(doc, kMemo, kCount, 0, 1000000, &count)) return false;
        std::vector<TWordsLine> lines;
        if (!readLines(
                doc, kMemo, count, [](int k) { return QString::number(k); }, &lines))
            return false;
        QStringList memo;
        for (const TWordsLine& line : lines) memo << line.Text;
        d->MemoTrack = track;
        d->Memo = memo;
    }
    return true;
}

} // namespace

namespace {
std::vector<TWordsLine> linesOf(const TWords& words, int t)
{
    std::vector<TWordsLine> lines;
    for (int k = 1; k <= words.GetLineCount(t); ++k) lines.push_back(words.GetLine(t, k));
    return lines;
}

bool sameLines(const std::vector<TWordsLine>& a, const std::vector<TWordsLine>& b) { return a == b; }
} // namespace

EntryStart EntryStartOf(const TWords& words)
{
    EntryStart start;
    for (int t = std::max(1, words.FirstAudioTrack); t <= words.SongCount; ++t)
        start[t] = TrackState{linesOf(words, t), words.GetAdjust(t), words.GetCopyTrack(t), words.Changes(t)};
    return start;
}

EntryDraft CollectDraft(const TWords& words, const DialogTexts& shown, const DialogTexts& now, const EntryStart* start)
{
    EntryDraft d;
    d.DiscId = words.DiscId;
    // Typed since the dialog showed it, or left unsaved by a save that failed. (Titles the
    // dialog merely offers, such as a disc's CD-Text, are no edit.)
    if (now.Title != shown.Title || words.Title != words.FileTitle()) d.Title = now.Title;
    if (now.Artist != shown.Artist || words.Artist != words.FileArtist()) d.Artist = now.Artist;
    for (int t = std::max(1, words.FirstAudioTrack); t <= words.SongCount; ++t) {
        DraftTrack track;
        uint8_t changes = words.Changes(t);
        if (const auto was = start ? start->find(t) : EntryStart::const_iterator(); start && was != start->end()) {
            // A change taken back since the opening is none (unless it was unsaved then).
            const TrackState& s = was->second;
            if (!(s.Changes & TWords::ChangedLines) && sameLines(linesOf(words, t), s.Lines))
                changes &= ~TWords::ChangedLines;
            if (!(s.Changes & TWords::ChangedAdjust) && words.GetAdjust(t) == s.Adjust)
                changes &= ~TWords::ChangedAdjust;
            if (!(s.Changes & TWords::ChangedCopy) && words.GetCopyTrack(t) == s.CopyTrack)
                changes &= ~TWords::ChangedCopy;
        }
        const auto it = now.SongTitles.find(t);
        const auto was = shown.SongTitles.find(t);
        if (it != now.SongTitles.end() &&
            ((was != shown.SongTitles.end() && it->second != was->second) || (changes & TWords::ChangedTitle)))
            track.Title = it->second;
        // A borrowing track's lines are its source's.
        if ((changes & TWords::ChangedLines) && words.GetCopyTrack(t) <= 0) track.Lines = linesOf(words, t);
        if (changes & TWords::ChangedAdjust) track.Adjust = words.GetAdjust(t);
        if (changes & TWords::ChangedCopy) track.CopyTrack = words.GetCopyTrack(t);
        if (!track.Empty()) d.Tracks[t] = std::move(track);
    }
    d.ShownTrack = now.ShownTrack;
    if (now.Memo) {
        d.MemoTrack = now.MemoTrack;
        d.Memo = now.Memo;
    }
    return d;
}

bool DraftChangesAnything(const TWords& words, const EntryDraft& draft, const DialogTexts& shown)
{
    if ((draft.Title && *draft.Title != shown.Title) || (draft.Artist && *draft.Artist != shown.Artist)) return true;
    const auto onDisc = [&](int t) { return t >= words.FirstAudioTrack && t <= words.SongCount; };
    for (const auto& [t, track] : draft.Tracks) {
        if (!onDisc(t)) continue;
        const auto title = shown.SongTitles.find(t);
        if (track.Title && (title == shown.SongTitles.end() || *track.Title != title->second)) return true;
        if (track.CopyTrack && *track.CopyTrack != words.GetCopyTrack(t)) return true;
        if (track.Lines && !sameLines(*track.Lines, linesOf(words, t))) return true;
        if (track.Adjust && *track.Adjust != words.GetAdjust(t)) return true;
    }
    if (draft.Memo && onDisc(draft.MemoTrack)) {
        QStringList texts;
        for (const TWordsLine& line : linesOf(words, draft.MemoTrack)) texts << line.Text;
        if (*draft.Memo != texts) return true;
    }
    return false;
}

void ApplyDraft(TWords& words, const EntryDraft& draft)
{
    for (const auto& [t, track] : draft.Tracks) {
        if (t < words.FirstAudioTrack || t > words.SongCount) continue;
        // The link first: a track that stops borrowing then takes the draft's lines.
        if (track.CopyTrack) {
            const int source = *track.CopyTrack;
            words.SetCopyTrack(t, source >= 1 && source <= words.SongCount && source != t ? source : 0);
        }
        if (track.Lines) {
            const int n = std::min<int>(static_cast<int>(track.Lines->size()), kMaxLines);
            for (int k = 1; k <= n; ++k) words.SetLine(t, k, (*track.Lines)[k - 1]);
            words.SetLineCount(t, n);
        }
        if (track.Adjust) words.SetAdjust(t, *track.Adjust);
    }
    words.ResolveCopies();
}

QString DraftPath(const QString& folder, const QString& discId)
{
    return QDir(folder).filePath(discId.toUpper() + QStringLiteral(".draft"));
}

bool WriteDraft(const QString& path, const EntryDraft& draft, QString* reason)
{
    IniDocument doc;
    doc.WriteString(kDraft, QStringLiteral("DiscId"), draft.DiscId);
    doc.WriteInteger(kDraft, kTrack, draft.ShownTrack);
    if (draft.Title) doc.WriteString(kInfo, QStringLiteral("Title"), *draft.Title);
    if (draft.Artist) doc.WriteString(kInfo, QStringLiteral("Artist"), *draft.Artist);
    for (const auto& [t, track] : draft.Tracks)
        if (track.Title) doc.WriteString(kTitle, FormatZeroPad(t, 2), *track.Title);
    for (const auto& [t, track] : draft.Tracks) {
        const QString section = wordsSection(t);
        if (track.Lines) {
            doc.WriteInteger(section, kCount, static_cast<int32_t>(track.Lines->size()));
            for (size_t k = 0; k < track.Lines->size(); ++k) {
                const TWordsLine& line = (*track.Lines)[k];
                const QString key = FormatZeroPad(static_cast<int>(k) + 1, 3);
                doc.WriteString(section, key, LyricsLineValue(line));
                if (!line.Words.empty()) doc.WriteString(wordTimesSection(t), key, WordTimesValue(line));
            }
        }
        if (track.Adjust) doc.WriteInteger(section, kAdjust, *track.Adjust);
        if (track.CopyTrack) doc.WriteInteger(section, kCopyTrack, *track.CopyTrack);
    }
    if (draft.Memo) {
        doc.WriteInteger(kMemo, kTrack, draft.MemoTrack);
        doc.WriteInteger(kMemo, kCount, static_cast<int32_t>(draft.Memo->size()));
        // In the lyrics line form, so that blanks leading a line stay.
        for (qsizetype k = 0; k < draft.Memo->size(); ++k)
            doc.WriteString(kMemo, QString::number(k + 1), LyricsLineValue(TWordsLine{draft.Memo->at(k), 0, 0}));
    }
    return WriteIniFile(path, doc, reason);
}

DraftState ReadDraft(const QString& path, const QString& discId, EntryDraft* draft)
{
    const QFileInfo info(path);
    if (!info.exists()) return DraftState::None;
    IniDocument doc;
    if (info.isDir() || !ReadIniFile(path, doc) || doc.InvalidBytes() > 0) return DraftState::Damaged;
    EntryDraft read;
    if (!parseDraft(doc, discId, &read)) return DraftState::Damaged;
    *draft = std::move(read);
    return DraftState::Read;
}
