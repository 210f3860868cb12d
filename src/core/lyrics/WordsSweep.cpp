#include "WordsSweep.h"

#include <algorithm>

SweepState ChooseSweep(const SweepInput& in)
{
    SweepState s;
    const std::vector<WordMark>& w = in.Words;
    if (w.empty()) return s;
    const int64_t pos = in.Paused ? in.PositionMs : int64_t(in.PositionMs) + uint32_t(in.Now - in.PositionTick);
    // The tick count at which the position reaches ms.
    const auto tickAt = [&](int64_t ms) { return uint32_t(in.Now + uint32_t(ms - pos)); };
    const auto startMs = [&](size_t i) { return int64_t(w[i].Time) * 10; };
    const int last = static_cast<int>(w.size()) - 1;
    // A word starts once the position reaches its time (the line itself shows once it has
    // passed its start, one hundredth later at most).
    int i = -1;
    while (i < last && pos >= startMs(i + 1)) ++i;
    if (i >= 0 && i < last) {
        s.WordDue = !in.Paused;
        s.WordTick = tickAt(startMs(i + 1));
    } else if (i < 0) {
        s.WordDue = s.RepaintDue = !in.Paused;
        s.WordTick = s.RepaintTick = tickAt(startMs(0));
        return s;
    }
    s.Word = i;
    s.From = std::clamp<int>(w[i].At, 0, in.TextLength);
    s.To = i < last ? std::clamp<int>(w[i + 1].At, s.From, in.TextLength) : std::max(s.From, in.TextLength);
    const int64_t end = i < last ? startMs(i + 1) : int64_t(in.LineEnd) * 10;
    if (i == last && (in.LineEnd == 0 || end <= startMs(i))) {
        s.Fraction = 1; // no end to sweep towards: sung whole at once
        return s;
    }
    if (pos >= end) {
        s.Fraction = 1;
        return s;
    }
    s.Fraction = end > startMs(i) ? double(pos - startMs(i)) / double(end - startMs(i)) : 1.0;
    if (!in.Paused) {
        s.RepaintDue = true;
        s.RepaintTick = tickAt(std::min<int64_t>(pos + in.FrameMs, std::max<int64_t>(end, pos + 1)));
    }
    return s;
}
