#include "WordsLine.h"

#include "common/Etc.h"
#include "discdata/Words.h"
#include "playback/PlaybackController.h"

int32_t LinePosition(int32_t positionMs, int32_t songStartMs, int adjust, int copyAdjust)
{
    // Integer division in C++ truncates toward zero, as the line times expect.
    return (positionMs - songStartMs) / 10 - adjust - copyAdjust;
}

int ChooseLine(int32_t pos, int lineCount, const std::function<LineSpan(int)>& line,
               bool wordsContDisp)
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
        // Between polls the position runs on with the tick count.
        position = in.IsPaused ? in.LastPosition
                               : in.LastPosition + static_cast<int32_t>(in.Now - in.LastPositionTick);
    }
    const int copy = words.GetCopyTrack(t);
    const int32_t pos = LinePosition(position, words.SongStart(t), words.GetAdjust(t),
                                     copy > 0 ? words.GetAdjust(copy) : 0);
    const int k = ChooseLine(pos, count, [&](int i) {
        const TWordsLine l = words.GetLine(t, i);
        return LineSpan{l.StartTime, l.EndTime};
    }, in.WordsContDisp);
    if (k > 0) c.Line = words.GetLine(t, k).Text;
    return c;
}

void TakeMoment(WordsInput& in, const PlaybackController& player)
{
    in.CurrentTrack = player.CurrentTrack;
    in.LastPosition = player.LastPosition;
    in.LastPositionTick = player.LastPositionTick;
    in.IsPaused = player.IsPaused;
    in.InDataEntry = player.InDataEntry;
    in.PollCountdown = player.PollCountdown;
}
