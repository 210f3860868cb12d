#include "DataEntry.h"

#include <QStringDecoder>
#include <algorithm>

#include "core/common/Defines.h"
#include "core/common/Error.h"
#include "core/common/SafeSave.h"
#include "core/common/TextCodec.h"
#include "core/discdata/Lrc.h"
#include "core/discdata/Words.h"

QStringList MemoLines(const QString& text)
{
    QStringList lines;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r')) continue;
        lines.append(text.sliced(from, i - from));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        from = i + 1;
    }
    if (from < text.size()) lines.append(text.sliced(from));
    return lines;
}

QString MemoText(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) text += line + QLatin1Char('\n');
    return text;
}

namespace {
// The longest common subsequence of a[a0, a1) and b[b0, b1) under same(i, j): the pairs
// (i, j) it matches, in order. Where several are as long, equal heads are matched first.
template <typename Same> std::vector<std::pair<int, int>> CommonRun(int a0, int a1, int b0, int b1, Same same)
{
    const int n = a1 - a0, m = b1 - b0;
    // length[i][j]: the longest run of the tails from a0 + i and b0 + j.
    std::vector<std::vector<int>> length(n + 1, std::vector<int>(m + 1, 0));
    for (int i = n - 1; i >= 0; --i)
        for (int j = m - 1; j >= 0; --j)
            length[i][j] = same(a0 + i, b0 + j) ? length[i + 1][j + 1] + 1
                                                : std::max(length[i + 1][j], length[i][j + 1]);
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0, j = 0; i < n && j < m;) {
        if (same(a0 + i, b0 + j) && length[i][j] == length[i + 1][j + 1] + 1) {
            pairs.emplace_back(a0 + i, b0 + j);
            ++i;
            ++j;
        } else if (length[i + 1][j] >= length[i][j + 1]) {
            ++i;
        } else {
            ++j;
        }
    }
    return pairs;
}

// Two texts of one line are alike when at least half of the longer one's characters, in
// order, are in the other: a word mended, a phrase added, a typo.
bool Alike(const QString& a, const QString& b)
{
    const int longer = static_cast<int>(std::max(a.size(), b.size()));
    if (longer == 0) return true;
    const auto chars = CommonRun(0, static_cast<int>(a.size()), 0, static_cast<int>(b.size()),
                                 [&](int i, int j) { return a[i] == b[j]; });
    return 2 * static_cast<int>(chars.size()) >= longer;
}
} // namespace

std::vector<int> FollowLines(const QStringList& before, const QStringList& after)
{
    const int n = static_cast<int>(before.size()), m = static_cast<int>(after.size());
    std::vector<int> match(m, -1);
    std::vector<bool> taken(n, false);
    // The unchanged lines that kept their order...
    std::vector<std::pair<int, int>> kept = CommonRun(0, n, 0, m, [&](int i, int j) { return before[i] == after[j]; });
    for (const auto& [i, j] : kept) {
        match[j] = i;
        taken[i] = true;
    }
    // ...then those moved: a text left as it was is its line wherever it went (the first
    // of its kind not matched yet).
    for (int j = 0; j < m; ++j) {
        if (match[j] >= 0) continue;
        for (int i = 0; i < n; ++i) {
            if (taken[i] || before[i] != after[j]) continue;
            match[j] = i;
            taken[i] = true;
            break;
        }
    }
    // What changed between each two unchanged lines (or the text's ends).
    kept.emplace_back(n, m);
    int i0 = 0, j0 = 0;
    for (const auto& [i1, j1] : kept) {
        std::vector<int> was, now;
        for (int i = i0; i < i1; ++i)
            if (!taken[i]) was.push_back(i);
        for (int j = j0; j < j1; ++j)
            if (match[j] < 0) now.push_back(j);
        if (was.size() == now.size()) {
            for (size_t k = 0; k < was.size(); ++k) match[now[k]] = was[k]; // edited in place
        } else if (!was.empty() && !now.empty()) {
            for (const auto& [x, y] : CommonRun(0, static_cast<int>(was.size()), 0, static_cast<int>(now.size()),
                                                [&](int x, int y) { return Alike(before[was[x]], after[now[y]]); }))
                match[now[y]] = was[x];
        }
        i0 = i1 + 1;
        j0 = j1 + 1;
    }
    return match;
}

bool StoreLyrics(TWords& words, int track, const QStringList& lines, std::vector<int>* moved)
{
    const int n = static_cast<int>(lines.size());
    if (n > kMaxLines) return false;
    const int old = words.GetLineCount(track);
    std::vector<TWordsLine> records;
    QStringList texts;
    for (int k = 1; k <= old; ++k) {
        records.push_back(words.GetLine(track, k));
        texts << records.back().Text;
    }
    const std::vector<int> from = FollowLines(texts, lines);
    for (int k = 1; k <= n; ++k) {
        TWordsLine line = from[k - 1] >= 0 ? records[from[k - 1]] : TWordsLine{};
        // A mended text no longer splits where its word times were taken.
        if (line.Text != lines[k - 1]) line.Words.clear();
        line.Text = lines[k - 1];
        words.SetLine(track, k, line);
    }
    words.SetLineCount(track, n);
    if (moved) *moved = from;
    return true;
}

int EndMarkLine(const QStringList& lines)
{
    const qsizetype at = lines.indexOf(QStringLiteral("***"));
    return at < 0 ? 0 : static_cast<int>(at) + 1;
}

std::vector<int> CopySources(const TWords& words, int track)
{
    std::vector<int> sources;
    for (int j = words.FirstAudioTrack; j <= words.SongCount; ++j)
        if (j != track && words.GetCopyTrack(j) == 0) sources.push_back(j);
    return sources;
}

void SetCopySource(TWords& words, int track, int source)
{
    words.SetCopyTrack(track, source);
    words.ResolveCopies();
}

std::optional<TimingFault> CheckTiming(const TWords& words)
{
    for (int t = words.FirstAudioTrack; t <= words.SongCount; ++t) {
        // A borrowing track shows its source's times, which can only be mended (and are
        // checked) at the source.
        if (words.GetCopyTrack(t) > 0) continue;
        const int count = words.GetLineCount(t);
        for (int n = 1; n <= count; ++n) {
            const TWordsLine line = words.GetLine(t, n);
            const int32_t s = line.StartTime, e = line.EndTime;
            if (n < count && e != 0) {
                const int32_t next = words.GetLine(t, n + 1).StartTime;
                if (next != 0 && next < e) return TimingFault{t, n, 2};
            }
            if (s != 0 && e != 0 && e <= s) return TimingFault{t, n, 1};
        }
    }
    return std::nullopt;
}

ImportedLyrics DecodeLyricsText(const QByteArray& bytes)
{
    ImportedLyrics result;
    // Files from other programs: UTF-16 or UTF-8 by their mark, else UTF-8, code page 932
    // or Windows-1252, told apart as cue sheets are.
    const DecodedText decoded = DecodeForeignText(bytes);
    result.Lines = MemoLines(decoded.text);
    result.Utf8 = decoded.utf8 || decoded.utf16;
    result.Windows1252 = decoded.windows1252;
    result.Invalid = decoded.invalid;
    return result;
}

std::optional<ImportedLyrics> ReadLyricsFile(const QString& path)
{
    // Never waits on a FIFO nor reads a huge file into memory: no lyrics file is that large.
    for (;;) {
        FileRead file;
        QString reason;
        if (ReadFileWhole(path, kMaxTextFileBytes, &file, &reason)) {
            if (file.id.exists) return DecodeLyricsText(file.bytes);
            reason.clear(); // missing: the plain message says it
        }
        if (OpenErrorMessage(path, reason) != IdRetry) return std::nullopt;
    }
}

namespace {
// "3, 7, 9" of the lines named, "…" when more were skipped.
QString LineList(const LrcSkipped& skipped)
{
    QStringList numbers;
    for (int line : skipped.Lines) numbers << QString::number(line);
    QString list = numbers.join(QStringLiteral(", "));
    if (skipped.Count > static_cast<int>(skipped.Lines.size())) list += QStringLiteral(", …");
    return list;
}
} // namespace

QStringList ImportNotes(const ImportedLyrics& file, const LrcLyrics* lrc)
{
    QStringList notes;
    if (lrc && lrc->Dropped > 0)
        notes << Reason("歌詞は最大127行までです。最初の127行を読み込み、残りの%1行は読み込みませんでした。",
                        "a track holds at most 127 lines; the last %1 were left out")
                     .arg(lrc->Dropped);
    if (lrc && lrc->AtZero > 0)
        notes << Reason("00:00.00 の%1行は 00:00.01 に置きました (時刻 0 は未設定の意味になるため)。",
                        "%1 line(s) at 00:00.00 were put at 00:00.01, since a time of 0 means not set")
                     .arg(lrc->AtZero);
    if (lrc && lrc->Untimed.Count > 0)
        notes << Reason("時刻の付いていない%1行は読み込みませんでした (%2 行目)。",
                        "%1 line(s) without a time were skipped (line %2)")
                     .arg(lrc->Untimed.Count)
                     .arg(LineList(lrc->Untimed));
    if (lrc && lrc->BadTags.Count > 0)
        notes << Reason("読めないタグのある%1行は読み込みませんでした (%2 行目)。",
                        "%1 line(s) with a tag that is no time and no [name:value] were skipped (line %2)")
                     .arg(lrc->BadTags.Count)
                     .arg(LineList(lrc->BadTags));
    if (file.Windows1252)
        notes << Reason("UTF-8 でもシフト JIS でもないため、Windows-1252 (西欧) の文字として読みました。",
                        "the file is neither UTF-8 nor Shift-JIS, so it was read as Windows-1252 (Western)");
    if (file.Invalid > 0)
        notes << Reason("文字として読めないバイトが%1個ありました。その部分は正しく表示されません。",
                        "%1 byte(s) are not valid text in the file's encoding and will not show as intended")
                     .arg(file.Invalid);
    return notes;
}
