#include "WordsLine.h"

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
