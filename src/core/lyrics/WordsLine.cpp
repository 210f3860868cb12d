#include "WordsLine.h"

#include <algorithm>
#include <vector>

#include "core/common/Etc.h"
#include "core/discdata/Words.h"
#include "core/playback/PlaybackController.h"

int32_t LinePosition(int32_t positionMs, int32_t songStartMs, int adjust, int copyAdjust)
{
    // Integer division in C++ truncates toward zero, as the line times expect.
    return (positionMs - songStartMs) / 10 - adjust - copyAdjust;
}

int ChooseLine(int32_t pos, int lineCount, const std::function<LineSpan(int)>& line, bool wordsContDisp)
{
    for (int k = lineCount; k >= 1; --k) {
        const LineSpan l = line(k);
        if (pos <= l.StartTime) continue;
        int32_t end = l.EndTime;
        if (wordsContDisp && k < lineCount && line(k + 1).StartTime - l.EndTime < 100) end += 100;
        return pos < end ? k : 0;
    }
    return 0;
}

std::optional<int32_t> NextLineChange(int32_t pos, int lineCount, const std::function<LineSpan(int)>& line,
                                      bool wordsContDisp)
{
    // The choice can change only where a start is passed or an end is reached.
    std::vector<int32_t> edges;
    for (int k = 1; k <= lineCount; ++k) {
        const LineSpan l = line(k);
        int32_t end = l.EndTime;
        if (wordsContDisp && k < lineCount && line(k + 1).StartTime - l.EndTime < 100) end += 100;
        for (int32_t edge : {l.StartTime + 1, end})
            if (edge > pos) edges.push_back(edge);
    }
    std::sort(edges.begin(), edges.end());
    const int now = ChooseLine(pos, lineCount, line, wordsContDisp);
    for (int32_t edge : edges)
        if (ChooseLine(edge, lineCount, line, wordsContDisp) != now) return edge;
    return std::nullopt;
}

int32_t FirstPositionAt(int32_t linePos, int32_t songStartMs, int adjust, int copyAdjust)
{
    // (P - start) / 10 truncates toward zero: above the start a step takes ten whole
    // milliseconds, below it the nine before each step already count with it.
    const int32_t m = linePos + adjust + copyAdjust;
    return songStartMs + (m > 0 ? 10 * m : 10 * m - 9);
}

WordsChoice ChooseWords(const TWords& words, const WordsInput& in)
{
    const QString lyrics = QStringLiteral("歌詞");
    WordsChoice c;
    c.Caption = lyrics;
    if (!in.Active) return c;
    const int t = in.CurrentTrack;
    c.Caption = FormatNumbered(t, words.GetSongTitle(t)) + QStringLiteral(" - ") + lyrics;
    const int count = words.GetLineCount(t);
    if (count <= 0) {
        c.Unwanted = in.HideNoWords;
        return c;
    }
    int32_t position;
    if (in.Testing) {
        c.Caption += QStringLiteral("テスト");
        position = in.DevicePosition ? in.DevicePosition() : in.LastPosition;
    } else {
        if (in.InDataEntry || in.PollCountdown < 0) return {true, false, QString(), QString()};
        // Between polls the position runs on with the tick count; when a change is due by
        // that count, the drive itself tells whether the sound has got there.
        if (in.IsPaused)
            position = in.LastPosition;
        else if (in.ReadDrive && in.DevicePosition)
            position = in.DevicePosition();
        else
            position = in.LastPosition + static_cast<int32_t>(in.Now - in.LastPositionTick);
    }
    if (t == in.ShownTrack && position < in.ShownPosition && in.ShownPosition - position <= kReadingJitterMs)
        position = in.ShownPosition;
    c.Position = position;
    const int copy = words.GetCopyTrack(t);
    const int adjust = words.GetAdjust(t), copyAdjust = copy > 0 ? words.GetAdjust(copy) : 0;
    const int32_t pos = LinePosition(position, words.SongStart(t), adjust, copyAdjust);
    const auto span = [&](int i) {
        const TWordsLine l = words.GetLine(t, i);
        return LineSpan{l.StartTime, l.EndTime};
    };
    const int k = ChooseLine(pos, count, span, in.WordsContDisp);
    if (k > 0) {
        c.Line = words.GetLine(t, k).Text;
        c.LineIndex = k;
    }
    // A paused position stands still (during a test the drive itself is asked).
    if (in.Testing || !in.IsPaused) {
        if (const auto next = NextLineChange(pos, count, span, in.WordsContDisp)) {
            const int32_t at = FirstPositionAt(*next, words.SongStart(t), adjust, copyAdjust);
            c.ChangeDue = true;
            c.ChangeTick = in.Now + static_cast<uint32_t>(at - position);
        }
    }
    return c;
}

void TakeMoment(WordsInput& in, const PlaybackController& player)
{
    in.CurrentTrack = player.CurrentTrack;
    in.LastPosition = player.LastPosition;
    in.LastPositionTick = player.LastPositionTick;
    in.IsPaused = player.IsPaused();
    in.InDataEntry = player.EntryDrives();
    in.PollCountdown = player.PollCountdown;
}
