#pragma once
// Which lyrics line belongs to the playing position. The lyrics window draws what
// this chooses; the choice itself needs no window.
#include <QString>
#include <cstdint>
#include <functional>

struct LineSpan {
    int32_t StartTime = 0; // hundredths of a second from the start of the track
    int32_t EndTime = 0;
};

// Hundredths of a second into the track at absolute position ms: the quotient is
// truncated toward zero, then the track's adjustment (and that of the track it
// borrows its lyrics from, 0 when none) is taken off.
int32_t LinePosition(int32_t positionMs, int32_t songStartMs, int adjust, int copyAdjust);

// The 1-based index of the line to show at pos, or 0 for none: the highest-numbered
// line whose start has strictly passed, as long as its end has not been reached. With
// wordsContDisp a line followed within one second by the next is kept up to one
// second past its end. Lines are taken in the order given, not sorted.
int ChooseLine(int32_t pos, int lineCount, const std::function<LineSpan(int)>& line,
               bool wordsContDisp);
