#pragma once
// How far the sung part of a line with word times reaches at the playing moment, and
// when the window next needs to draw it. The lyrics window paints what this gives; the
// reckoning needs no window.
#include <cstdint>
#include <vector>

#include "core/discdata/Words.h"

// The display's frame interval: the sweep moves on at this rate within a word.
constexpr int32_t kSweepFrameMs = 16;

struct SweepInput {
    std::vector<WordMark> Words; // the line's words (times in hundredths, as LinePosition gives them)
    int32_t LineEnd = 0;         // hundredths; 0: not set, the last word is sung whole at its start
    int TextLength = 0;          // the line's text length, where the last word ends
    // The position in the track, in milliseconds with the corrections taken off (ten times
    // LinePosition, kept to the millisecond), at tick count PositionTick; it runs on with
    // the clock unless Paused.
    int32_t PositionMs = 0;
    uint32_t PositionTick = 0;
    uint32_t Now = 0;
    bool Paused = false;
    int32_t FrameMs = kSweepFrameMs;
};

struct SweepState {
    // The word being sung (0-based), or -1 before the first; after the last word's end it
    // is the last word with Fraction 1.
    int Word = -1;
    double Fraction = 0;  // how much of that word is sung, 0 to 1
    int From = 0, To = 0; // that word's place in the text: From (inclusive) to To
    // When the window must draw again: the next frame while a word is being sung, the
    // first word's start before it. Never once the line is sung through, nor while paused.
    bool RepaintDue = false;
    uint32_t RepaintTick = 0;
    // When the next word begins (the bus tells the word being sung); none after the last.
    bool WordDue = false;
    uint32_t WordTick = 0;
};

// The sweep of a line at the moment in. A line without words gives Word -1 and nothing
// due: it is shown whole, as a plain line.
SweepState ChooseSweep(const SweepInput& in);
