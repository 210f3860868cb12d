#include "Lrc.h"

#include <QFileInfo>
#include <algorithm>
#include <optional>

#include "core/common/Etc.h"
#include "core/common/SafeSave.h"

namespace {

const QString kJoin = QStringLiteral(" / ");
const QString kEndMarker = QStringLiteral("***");
const QString kMarkerStandIn = QStringLiteral("＊＊＊");
constexpr int64_t kMaxOffsetMs = 100000000; // beyond any track; keeps the sums in range
constexpr qsizetype kMaxTag = 32;           // a time tag is short: no longer search for its end
constexpr size_t kShownLines = 5;           // skipped lines named by number

// The closing character of a tag opened at pos, looked for no further than a tag can reach.
qsizetype tagClose(QStringView s, qsizetype pos, QChar close)
{
    const qsizetype end = std::min(s.size(), pos + kMaxTag);
    for (qsizetype i = pos + 1; i < end; ++i)
        if (s[i] == close) return i;
    return -1;
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
// Blanks as the data file strips them: spaces and control characters.
bool isBlank(QChar c) { return c.unicode() <= 0x20; }

QStringView trimBlanks(QStringView s)
{
    while (!s.isEmpty() && isBlank(s.front())) s = s.sliced(1);
    while (!s.isEmpty() && isBlank(s.back())) s.chop(1);
    return s;
}

// Up to max digits at pos; their value, or -1 when there are none or too many.
int64_t digits(QStringView s, qsizetype& pos, int max, int* count = nullptr)
{
    int64_t value = 0;
    int n = 0;
    while (pos < s.size() && isDigit(s[pos])) {
        if (++n > max) return -1;
        value = value * 10 + (s[pos++].unicode() - '0');
    }
    if (count) *count = n;
    return n == 0 ? -1 : value;
}

// "mm:ss", "mm:ss.x", "mm:ss.xx", "mm:ss.xxx" (":" also before the fraction), and
// "h:mm:ss.xx" for long tracks, blanks around it allowed; hundredths, the thousandths
// truncated as positions are. "a:b:c" without a dot stays minutes, seconds and
// hundredths, as most players read it.
bool parseTime(QStringView tag, int32_t* time)
{
    tag = trimBlanks(tag);
    qsizetype pos = 0;
    int64_t minutes = digits(tag, pos, 5);
    if (minutes < 0 || pos >= tag.size() || tag[pos] != QLatin1Char(':')) return false;
    ++pos;
    int64_t seconds = digits(tag, pos, 2);
    if (seconds < 0) return false;
    if (pos < tag.size() && tag[pos] == QLatin1Char(':')) {
        qsizetype after = pos + 1;
        const int64_t third = digits(tag, after, 2);
        if (third >= 0 && after < tag.size() && tag[after] == QLatin1Char('.')) {
            if (minutes > 999) return false; // hours: keeps the time in range
            minutes = minutes * 60 + seconds;
            seconds = third;
            pos = after;
        }
    }
    int64_t fraction = 0;
    if (pos < tag.size()) {
        if (tag[pos] != QLatin1Char('.') && tag[pos] != QLatin1Char(':')) return false;
        ++pos;
        int n = 0;
        fraction = digits(tag, pos, 3, &n);
        if (fraction < 0 || pos != tag.size()) return false;
        fraction = n == 1 ? fraction * 10 : n == 3 ? fraction / 10 : fraction;
    }
    *time = static_cast<int32_t>(minutes * 6000 + seconds * 100 + fraction);
    return true;
}

// The length of the word tag "<mm:ss.xx>" that ends text, or 0. Only the nearest "<"
// can open it: a time holds no "<".
qsizetype wordTagEnding(QStringView text)
{
    if (text.isEmpty() || text.back() != QLatin1Char('>')) return 0;
    const qsizetype from = std::max<qsizetype>(0, text.size() - kMaxTag);
    for (qsizetype i = text.size() - 2; i >= from; --i) {
        if (text[i] == QLatin1Char('>')) return 0;
        if (text[i] != QLatin1Char('<')) continue;
        int32_t unused = 0;
        return parseTime(text.sliced(i + 1, text.size() - i - 2), &unused) ? text.size() - i : 0;
    }
    return 0;
}

// A time tag "[mm:ss.xx]" at pos: its time and length (0 when there is none).
qsizetype timeTagAt(QStringView s, qsizetype pos, int32_t* time)
{
    if (pos >= s.size() || s[pos] != QLatin1Char('[')) return 0;
    const qsizetype close = tagClose(s, pos, QLatin1Char(']'));
    if (close < 0) return 0;
    return parseTime(s.sliced(pos + 1, close - pos - 1), time) ? close - pos + 1 : 0;
}

// The text as it is stored: word tags out, control characters as spaces, blanks at the
// ends and leading time tags gone. Repeated until nothing changes, so that cleaning a
// cleaned text (as a second reading does) changes nothing either.
QString cleanText(QStringView raw)
{
    QString text = raw.toString();
    for (;;) {
        // One pass takes out every word tag, also one that taking out another forms
        // ("<<00:01.00>00:02.00>"): each is looked for where it would end.
        QString next;
        next.reserve(text.size());
        qsizetype removedAt = -1; // where a word tag was taken out last
        for (const QChar c : text) {
            if (c.unicode() == 0xFEFF) continue;
            const QChar k = c.unicode() < 0x20 || c.unicode() == 0x7F ? QChar(u' ') : c;
            // Tags set apart by blanks ("word <00:01.00> word") leave one blank, not two.
            if (k == QLatin1Char(' ') && next.size() == removedAt && next.endsWith(QLatin1Char(' '))) continue;
            next += k;
            if (const qsizetype n = wordTagEnding(next)) {
                next.chop(n);
                removedAt = next.size();
            }
        }
        QStringView rest = trimBlanks(next);
        int32_t unused = 0;
        while (const qsizetype n = timeTagAt(rest, 0, &unused)) rest = trimBlanks(rest.sliced(n));
        if (rest == text) break;
        text = rest.toString();
    }
    return text == kEndMarker ? kMarkerStandIn : text;
}

struct Entry {
    int32_t time;
    QString text; // empty: an empty timed line, which only ends the line before it
    int32_t end = 0;
    std::vector<WordMark> words; // word times, when the line has them
};

// A line's text with its word tags "<mm:ss.xx>" taken out and where each word starts; a
// last tag that no text follows is the line's end, no word. Text before the first tag is
// a word at the line's time. Blanks go as cleanText takes
// them out; where the outcome is not cleanText's (tags within tags), the line is plain.
struct Words {
    QString text;
    std::vector<WordMark> marks;
};

Words wordsOf(QStringView raw, int32_t lineTime)
{
    Words w;
    const auto append = [&](QStringView piece, int32_t time) {
        QString p;
        for (const QChar c : piece)
            if (c.unicode() != 0xFEFF) p += c.unicode() < 0x20 || c.unicode() == 0x7F ? QChar(u' ') : c;
        qsizetype from = 0;
        if (w.text.isEmpty() || w.text.endsWith(QLatin1Char(' ')))
            while (from < p.size() && p[from] == QLatin1Char(' ')) ++from;
        w.marks.push_back(WordMark{time, static_cast<int32_t>(w.text.size())});
        w.text += QStringView(p).sliced(from);
    };
    qsizetype pieceStart = 0;
    std::optional<int32_t> pieceTime; // the tag that opened the piece; none before the first
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != QLatin1Char('<')) continue;
        const qsizetype close = tagClose(raw, i, QLatin1Char('>'));
        int32_t time = 0;
        if (close < 0 || !parseTime(raw.sliced(i + 1, close - i - 1), &time)) continue;
        const QStringView piece = raw.sliced(pieceStart, i - pieceStart);
        // Text before the first tag, or a first tag later than the line: a first word at
        // the line's time (empty when there is no text), so that no time is lost.
        if (pieceTime)
            append(piece, *pieceTime);
        else if (!trimBlanks(piece).isEmpty() || time != lineTime)
            append(piece, lineTime);
        pieceTime = time;
        pieceStart = close + 1;
        i = close;
    }
    if (!pieceTime) return Words{};
    const QStringView rest = raw.sliced(pieceStart);
    if (!trimBlanks(rest).isEmpty() || w.marks.empty()) append(rest, *pieceTime);
    while (w.text.endsWith(QLatin1Char(' '))) w.text.chop(1);
    for (WordMark& m : w.marks) m.At = std::min<int32_t>(m.At, static_cast<int32_t>(w.text.size()));
    // A last word that came out empty (control characters only) is no word: written back,
    // its tag would read as the line's end.
    while (w.marks.size() > 1 && w.marks.back().At >= w.text.size()) w.marks.pop_back();
    return w;
}

// Sorted by time (stable), one entry per time: the texts of one time joined; an entry
// keeps the latest end of those it joins.
std::vector<Entry> mergeByTime(std::vector<Entry> entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.time < b.time; });
    std::vector<Entry> merged;
    for (Entry& e : entries) {
        if (!merged.empty() && merged.back().time == e.time) {
            Entry& m = merged.back();
            if (!e.text.isEmpty()) {
                // Joined texts no longer split where either's word times were taken.
                if (!m.text.isEmpty()) {
                    m.text += kJoin; // appended: many lines of one time stay cheap
                    m.words.clear();
                    e.words.clear();
                }
                m.text += e.text;
                if (!e.words.empty()) m.words = std::move(e.words);
            }
            m.end = std::max(m.end, e.end);
        } else {
            merged.push_back(std::move(e));
        }
    }
    return merged;
}

// Times from 0 to the last the writer can write and the reader read back (99999:59.99).
constexpr int64_t kMaxTime = 599999999;
int32_t clampTime(int64_t t) { return static_cast<int32_t>(std::clamp<int64_t>(t, 0, kMaxTime)); }

} // namespace

void LrcSkipped::Add(int line)
{
    ++Count;
    if (Lines.size() < kShownLines) Lines.push_back(line);
}

LrcLyrics ReadLrc(const QStringList& lines, int32_t trackEnd)
{
    LrcLyrics result;
    std::vector<Entry> entries;
    int64_t offsetMs = 0;
    int lineNumber = 0;
    for (const QString& raw : lines) {
        ++lineNumber;
        // A byte-order mark inside a file (files joined together) is no text: where it
        // stood after a line's last word tag, that tag would no longer end the line.
        const QString line = QString(raw).remove(QChar(0xFEFF));
        const QStringView s(line);
        std::vector<int32_t> times;
        qsizetype pos = 0;
        while (pos < s.size() && isBlank(s[pos])) ++pos;
        int32_t time = 0;
        while (const qsizetype n = timeTagAt(s, pos, &time)) {
            times.push_back(time);
            pos += n;
            while (pos < s.size() && isBlank(s[pos])) ++pos;
        }
        if (!times.empty()) {
            const QString text = cleanText(s.sliced(pos));
            // Enhanced LRC closes a line's last word with a word tag: the line ends there.
            const QStringView rest = trimBlanks(s.sliced(pos));
            int32_t end = 0;
            if (const qsizetype n = wordTagEnding(rest)) parseTime(rest.sliced(rest.size() - n + 1, n - 2), &end);
            // Word times belong to a line of one time.
            Words w = times.size() == 1 ? wordsOf(s.sliced(pos), times.front()) : Words{};
            if (w.text != text) w = Words{};
            for (int32_t t : times) entries.push_back({t, text, end > t ? end : 0, w.marks});
            continue;
        }
        // An ID tag: "[key:value]" alone on its line. Anything else is skipped, and the
        // user told which lines and why.
        const QStringView tag = trimBlanks(s);
        if (tag.isEmpty()) continue;
        if (tag.front() != QLatin1Char('[')) {
            result.Untimed.Add(lineNumber);
            continue;
        }
        const QStringView inner = tag.size() < 2 || tag.back() != QLatin1Char(']') ? QStringView()
                                                                                   : tag.sliced(1, tag.size() - 2);
        const qsizetype colon = inner.indexOf(QLatin1Char(':'));
        const QString key = colon <= 0 ? QString() : trimBlanks(inner.first(colon)).toString().toLower();
        // A key that starts with a digit is a time that cannot be read.
        if (key.isEmpty() || isDigit(key.front())) {
            result.BadTags.Add(lineNumber);
            continue;
        }
        const QStringView value = trimBlanks(inner.sliced(colon + 1));
        if (key == QLatin1String("ti")) {
            result.Title = cleanText(value);
        } else if (key == QLatin1String("ar")) {
            result.Artist = cleanText(value);
        } else if (key == QLatin1String("al")) {
            result.Album = cleanText(value);
        } else if (key == QLatin1String("length")) {
            int32_t length = 0;
            if (parseTime(value, &length))
                result.Length = length;
            else
                result.BadTags.Add(lineNumber);
        } else if (key == QLatin1String("offset")) {
            // A sign and digits, blanks anywhere between them.
            QString number;
            for (QChar c : value)
                if (!isBlank(c)) number += c;
            bool ok = false;
            const qlonglong n = number.toLongLong(&ok);
            if (ok)
                offsetMs = std::clamp<int64_t>(n, -kMaxOffsetMs, kMaxOffsetMs);
            else
                result.BadTags.Add(lineNumber);
        }
    }

    // A positive offset shows the lines earlier; the correction is taken off the
    // position, so it is the negated offset. What the adjust field cannot hold moves the
    // times instead.
    const int64_t shift = -offsetMs / 10;
    const int64_t adjust = std::clamp<int64_t>(shift, -kAdjustLimit, kAdjustLimit);
    result.Adjust = static_cast<int16_t>(adjust);
    for (Entry& e : entries) {
        e.time = clampTime(e.time + (shift - adjust));
        if (e.end != 0) e.end = clampTime(e.end + (shift - adjust));
        for (WordMark& m : e.words) m.Time = clampTime(m.Time + (shift - adjust));
        // A start of 0 means "not set" in a data file: the first time that is a time.
        if (e.time == 0) {
            e.time = 1;
            if (!e.text.isEmpty()) ++result.AtZero;
        }
        if (!e.words.empty()) {
            // An empty first word that the move brought to the next word's time is no word
            // of its own: a writer would give the line back without it.
            if (e.words.size() > 1 && e.words[0].At == e.words[1].At && e.words[1].Time <= e.time &&
                e.words[1].Time >= e.words[0].Time)
                e.words.erase(e.words.begin());
            e.words.front().Time = e.time;
        }
    }

    const std::vector<Entry> merged = mergeByTime(std::move(entries));
    // The track's end in the times of the lines: the correction moves it the other way.
    // An open end stays open.
    const int64_t known = trackEnd > 0 ? trackEnd : result.Length;
    const int64_t end = known > 0 ? known - adjust : kLrcOpenEnd;
    for (size_t i = 0; i < merged.size(); ++i) {
        const Entry& e = merged[i];
        if (e.text.isEmpty()) continue;
        if (static_cast<int>(result.Lines.size()) == kMaxLines) {
            ++result.Dropped;
            continue;
        }
        int32_t lineEnd = i + 1 < merged.size() ? merged[i + 1].time : clampTime(end);
        if (e.end > e.time && e.end < lineEnd) lineEnd = e.end;
        if (lineEnd <= e.time) lineEnd = 0;
        TWordsLine line{e.text, e.time, lineEnd, e.words};
        if (!WordsFit(line)) line.Words.clear();
        result.Lines.push_back(std::move(line));
    }
    return result;
}

QString FormatLrcTime(int32_t hundredths)
{
    const int32_t t = clampTime(hundredths);
    return QString::asprintf("[%02d:%02d.%02d]", t / 6000, t / 100 % 60, t % 100);
}

namespace {
QString wordTag(int32_t hundredths)
{
    QString t = FormatLrcTime(hundredths);
    t.front() = QLatin1Char('<');
    t.back() = QLatin1Char('>');
    return t;
}
} // namespace

QString WriteLrc(const LrcTrack& track)
{
    const QString crlf = QStringLiteral("\r\n");
    QString out;
    auto tag = [&](const char* key, const QString& value) {
        const QString v = cleanText(value);
        if (!v.isEmpty()) out += QLatin1Char('[') + QLatin1String(key) + QLatin1Char(':') + v + QLatin1Char(']') + crlf;
    };
    tag("ti", track.Title);
    tag("ar", track.Artist);
    tag("al", track.Album);
    if (track.Length > 0) {
        const QString t = FormatLrcTime(track.Length);
        out += QStringLiteral("[length:") + t.mid(1, t.size() - 2) + QLatin1Char(']') + crlf;
    }
    if (track.Offset != 0)
        out += QStringLiteral("[offset:%1%2]").arg(track.Offset > 0 ? "+" : "").arg(track.Offset) + crlf;
    // The track's end in the times of the lines, as the reader takes it.
    const int64_t trackEnd = track.Length > 0 ? track.Length + track.Offset / 10 : 0;

    std::vector<Entry> entries;
    for (const TWordsLine& line : track.Lines) {
        QString text = cleanText(line.Text);
        if (text.isEmpty()) continue;
        // Word times only where the text stays as it is, so that they split it where taken.
        std::vector<WordMark> words = text == line.Text && WordsFit(line) ? line.Words : std::vector<WordMark>{};
        entries.push_back({clampTime(line.StartTime), std::move(text), clampTime(line.EndTime), std::move(words)});
    }
    const std::vector<Entry> lines = mergeByTime(std::move(entries));
    for (size_t i = 0; i < lines.size(); ++i) {
        const Entry& l = lines[i];
        // Every end the reader would not give back by itself is written, so that a short
        // gap with no lyric shown survives. An end past the next start cannot be written:
        // the next line's start ends it.
        bool ownEnd = false;
        if (l.end > l.time) {
            if (i + 1 < lines.size())
                ownEnd = l.end < lines[i + 1].time;
            else if (trackEnd > 0)
                ownEnd = l.end != trackEnd;
            else
                ownEnd = l.end < kLrcOpenEnd;
        }
        if (l.words.empty()) {
            out += FormatLrcTime(l.time) + l.text + crlf;
            if (ownEnd) out += FormatLrcTime(l.end) + crlf; // an empty line
            continue;
        }
        // "[start]<start>word <time>word<end>": each word after its tag, the end last.
        out += FormatLrcTime(l.time);
        for (size_t k = 0; k < l.words.size(); ++k) {
            const qsizetype from = l.words[k].At;
            const qsizetype to = k + 1 < l.words.size() ? l.words[k + 1].At : l.text.size();
            // An empty first word is the reader's for a first tag later than the line.
            if (k > 0 || to > from || l.words.size() == 1) out += wordTag(l.words[k].Time);
            out += QStringView(l.text).sliced(from, to - from);
        }
        // A last tag past the track's end would end the line at the track's end: such an
        // end is an empty line, as for a plain line.
        const bool pastTrack = i + 1 == lines.size() && trackEnd > 0 && l.end > trackEnd;
        if (ownEnd && !pastTrack) out += wordTag(l.end);
        out += crlf;
        if (ownEnd && pastTrack) out += FormatLrcTime(l.end) + crlf;
    }
    return out;
}

LrcTrack TrackLrc(const TWords& words, int track)
{
    LrcTrack lrc;
    lrc.Title = words.GetSongTitle(track);
    lrc.Artist = words.Artist;
    lrc.Album = words.Title;
    lrc.Length = words.SongLength(track) / 10;
    const int copy = words.GetCopyTrack(track);
    // As the lyrics window shows them: a line starts once the corrected position passes it.
    int64_t adjust = words.GetAdjust(track) + (copy > 0 ? words.GetAdjust(copy) : 0);
    const auto timed = [](const TWordsLine& line) { return line.StartTime != 0 || line.EndTime != 0; };
    for (int k = 1; k <= words.GetLineCount(track); ++k) {
        const TWordsLine line = words.GetLine(track, k);
        const bool cut = line.StartTime + adjust < 1 || (line.EndTime != 0 && line.EndTime + adjust < 1);
        if (timed(line) && cut) {
            lrc.Offset = static_cast<int32_t>(-adjust * 10);
            adjust = 0;
            break;
        }
    }
    for (int k = 1; k <= words.GetLineCount(track); ++k) {
        TWordsLine line = words.GetLine(track, k);
        // Neither start nor end set: a line typed but not yet timed has no place in time.
        if (!timed(line)) continue;
        line.StartTime = clampTime(line.StartTime + adjust);
        if (line.EndTime != 0 && line.EndTime < kLrcOpenEnd) line.EndTime = clampTime(line.EndTime + adjust);
        for (WordMark& m : line.Words) m.Time = clampTime(m.Time + adjust);
        lrc.Lines.push_back(std::move(line));
    }
    return lrc;
}

void StoreLrc(TWords& words, int track, const LrcLyrics& lyrics)
{
    const int n = std::min(static_cast<int>(lyrics.Lines.size()), kMaxLines);
    for (int k = 1; k <= n; ++k) words.SetLine(track, k, lyrics.Lines[k - 1]);
    words.SetLineCount(track, n);
    words.SetAdjust(track, lyrics.Adjust);
}

std::vector<int> LrcTracks(const TWords& words)
{
    std::vector<int> tracks;
    if (words.AudioState == 0) return tracks;
    for (int t = std::max(1, words.FirstAudioTrack); t <= words.SongCount; ++t)
        if (words.GetLineCount(t) > 0 && !TrackLrc(words, t).Lines.empty()) tracks.push_back(t);
    return tracks;
}

QString LrcFileName(int track, const QString& title)
{
    QString name = trimBlanks(title).toString();
    for (QChar& c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"\\/:*?\"<>|").contains(c)) c = u'_';
    // Names ending in a dot or a blank are refused elsewhere too.
    while (!name.isEmpty() && (name.back() == QLatin1Char('.') || name.back() == QLatin1Char(' '))) name.chop(1);
    const QString prefix = FormatZeroPad(track, 2);
    const QString suffix = QStringLiteral(".lrc");
    auto full = [&] { return prefix + (name.isEmpty() ? QString() : QLatin1Char(' ') + name) + suffix; };
    while (full().toUtf8().size() > 255) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate()) name.chop(1);
    }
    return full();
}

bool WriteLrcFile(const QString& path, const LrcTrack& track, QString* error)
{
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + WriteLrc(track).toUtf8();
    return SaveFileWhole(path, bytes, error);
}
