#include "TimingCapture.h"

#include <algorithm>

#include "core/common/Clock.h"
#include "core/drive/CdDevice.h"
#include "core/playback/PlaybackController.h"

namespace {
constexpr uint32_t kSeekPassMs = 100; // the fast seek moves once per this
constexpr int kSeekStepTimerMs = 10;
// A press older than this on arrival is taken as pressed on arrival.
constexpr int64_t kStaleMs = 10000;
} // namespace

uint32_t EventTimes::TickOf(uint64_t eventTime, uint32_t now)
{
    if (eventTime == 0) return now;
    const int64_t gap = int64_t(now) - int64_t(eventTime & 0xFFFFFFFFu);
    // Let the smallest gap creep up by 1 ms a second, so that two clocks running at
    // slightly different rates never leave a stale gap behind.
    if (known) offset += (now - lastArrival) / 1000;
    lastArrival = now;
    if (!known || gap < offset || gap - offset > kStaleMs) {
        known = true;
        offset = gap;
    }
    const int64_t waited = std::clamp<int64_t>(gap - offset, 0, kMaxWait);
    return now - static_cast<uint32_t>(waited);
}

TimingCapture::TimingCapture(CdDevice& d, Clock& c, TWords& w, PlaybackController& p, TimingView& v, QObject* parent)
    : QObject(parent), device(d), clock(c), words(w), player(p), view(v)
{
    TimingTimer.setInterval(kTimerMs);
    connect(&TimingTimer, &QTimer::timeout, this, &TimingCapture::TimingTimerProc);
    SeekTimer.setInterval(kSeekStepTimerMs);
    connect(&SeekTimer, &QTimer::timeout, this, &TimingCapture::SeekStep);
}

void TimingCapture::SetTrack(int track)
{
    TimingTrack = track;
    undo.clear();
}

int32_t TimingCapture::LeadIn(int column, int line) const
{
    if (column == 2) return words.GetLine(TimingTrack, line).StartTime;
    return line > 1 ? words.GetLine(TimingTrack, line - 1).StartTime : 0;
}

bool TimingCapture::noDisc() { return NoDiscMode(device.Mode()); }

void TimingCapture::playFrom(int32_t hundredths)
{
    player.SeekTo(words.SongStart(TimingTrack) + 10 * hundredths);
    device.SetEndPos(words.SongStart(TimingTrack + 1));
    device.Play();
    playTick = clock.TickCount();
}

void TimingCapture::StartClick(int column, int line)
{
    if (Capturing) {
        StopTiming();
        return;
    }
    if (Testing) return;
    const int count = words.GetLineCount(TimingTrack);
    if (count == 0 || words.GetCopyTrack(TimingTrack) != 0) return;
    Capturing = true;
    undo.clear();
    view.ModeChanged();
    CaptureLine = std::clamp(line, 1, count);
    AtStartColumn = column != 2;
    view.SelectCell(CursorColumn(), CaptureLine);
    playFrom(LeadIn(CursorColumn(), CaptureLine));
    player.CurrentTrack = TimingTrack;
    TimingTimer.start();
}

void TimingCapture::updateElapsed(uint32_t pressTick)
{
    if (UseSeekPos) {
        PlayPos = SeekPos;
    } else {
        PlayPos = device.Position();
        // A press handled late is stamped where the music was when it happened, but
        // never before this playing began.
        if (device.Mode() == ModePlaying) {
            const uint32_t now = clock.TickCount();
            const uint32_t late = std::min(now - pressTick, now - playTick);
            if (late <= EventTimes::kMaxWait) PlayPos -= static_cast<int32_t>(late);
        }
    }
    Elapsed = std::max((PlayPos - words.SongStart(TimingTrack)) / 10, 0);
}

void TimingCapture::SetClick(bool continuous, uint32_t pressTick)
{
    if (!Capturing) return;
    updateElapsed(pressTick);
    Stamp stamp{CaptureLine, AtStartColumn, {}};
    for (;;) {
        const int count = words.GetLineCount(TimingTrack);
        if (CaptureLine > count) break; // every line is done
        TWordsLine line = words.GetLine(TimingTrack, CaptureLine);
        stamp.old.push_back(line); // each pass writes the next line
        if (AtStartColumn) {
            line.StartTime = Elapsed;
            words.SetLine(TimingTrack, CaptureLine, line);
            view.ShowStamp(1, CaptureLine, Elapsed);
            view.SelectCell(2, CaptureLine);
        } else {
            line.EndTime = Elapsed;
            words.SetLine(TimingTrack, CaptureLine, line);
            view.ShowStamp(2, CaptureLine, Elapsed);
            ++CaptureLine;
            if (CaptureLine <= count) view.SelectCell(1, CaptureLine);
        }
        AtStartColumn = !AtStartColumn;
        if (!continuous || !AtStartColumn) break;
    }
    if (!stamp.old.empty()) undo.push_back(std::move(stamp));
}

bool TimingCapture::Undo()
{
    if (!Capturing || undo.empty()) return false;
    const Stamp stamp = std::move(undo.back());
    undo.pop_back();
    for (size_t i = 0; i < stamp.old.size(); ++i) {
        const int n = stamp.line + static_cast<int>(i);
        TWordsLine line = words.GetLine(TimingTrack, n);
        line.StartTime = stamp.old[i].StartTime;
        line.EndTime = stamp.old[i].EndTime;
        words.SetLine(TimingTrack, n, line);
        view.ShowStamp(1, n, line.StartTime);
        view.ShowStamp(2, n, line.EndTime);
    }
    CaptureLine = stamp.line;
    AtStartColumn = stamp.atStart;
    view.SelectCell(CursorColumn(), CaptureLine);
    return true;
}

void TimingCapture::RetClick()
{
    if (!Capturing) return;
    int32_t leadIn = 0;
    if (CaptureLine <= 1) {
        CaptureLine = 1;
        AtStartColumn = true;
    } else if (AtStartColumn) {
        --CaptureLine;
        AtStartColumn = false;
        leadIn = words.GetLine(TimingTrack, CaptureLine).StartTime;
    } else {
        AtStartColumn = true;
        leadIn = words.GetLine(TimingTrack, CaptureLine - 1).StartTime;
    }
    view.SelectCell(CursorColumn(), CaptureLine);
    playFrom(leadIn);
}

void TimingCapture::TestClick(int32_t cellValue)
{
    if (Testing) {
        StopTiming();
        return;
    }
    if (Capturing) return;
    if (words.GetLineCount(TimingTrack) == 0 || words.GetCopyTrack(TimingTrack) != 0) return;
    Testing = true;
    view.ModeChanged();
    // A negative time would start in the track before.
    const int32_t from = std::max(cellValue, 0);
    PlayPos = words.SongStart(TimingTrack) + 10 * from;
    playFrom(from);
    player.CurrentTrack = TimingTrack;
    view.UpdateWords();
    TimingTimer.start();
}

void TimingCapture::TimingTimerProc()
{
    if (Testing) view.UpdateWords();
    updateElapsed(clock.TickCount());
    view.ShowElapsed(Elapsed);
    if (PlayPos >= words.SongStart(TimingTrack + 1) && !Seeking) {
        StopTiming();
        Elapsed = 0;
        view.ShowElapsed(0);
    }
}

void TimingCapture::StopTiming()
{
    device.Stop();
    TimingTimer.stop();
    SeekTimer.stop();
    Seeking = false;
    UseSeekPos = false;
    const bool changed = Capturing || Testing;
    Capturing = false;
    Testing = false;
    if (changed) view.ModeChanged();
}

void TimingCapture::BeginSeek(bool next)
{
    if (Seeking || !Running()) return;
    Seeking = true;
    seekNext = next;
    SeekPos = device.Position();
    seekStep = 1000;
    seekTicks = 0;
    device.Stop();
    TimingTimer.stop();
    UseSeekPos = true;
    seekTick = clock.TickCount();
    SeekTimer.start();
    SeekStep();
}

void TimingCapture::SeekStep()
{
    if (!Seeking) return;
    if (clock.TickCount() - seekTick > kSeekPassMs) {
        seekTick += kSeekPassMs; // a late pass makes up one step
        ++seekTicks;
        if (seekTicks == 15 || seekTicks == 30) seekStep = seekStep * 17 / 10; // 1000, 1700, 2890
        SeekPos += seekNext ? seekStep : -seekStep;
        const int32_t start = words.SongStart(TimingTrack), end = words.SongStart(TimingTrack + 1);
        if (SeekPos >= end)
            SeekPos = end;
        else if (SeekPos <= start)
            SeekPos = start;
    }
    TimingTimerProc();
    if (noDisc()) {
        // The disc went: no playing; the dialog is cancelled by the disc's unloading.
        Seeking = false;
        SeekTimer.stop();
        UseSeekPos = false;
        if (Running()) TimingTimer.start();
    }
}

void TimingCapture::ReleaseSeek()
{
    if (!Seeking) return;
    Seeking = false;
    SeekTimer.stop();
    player.SeekTo(SeekPos);
    device.SetEndPos(words.SongStart(TimingTrack + 1));
    device.Play();
    playTick = clock.TickCount();
    UseSeekPos = false;
    TimingTimer.start();
}

bool TimingCapture::NudgeAdjust(int delta)
{
    if (!Testing) return false;
    const int value = std::clamp(words.GetAdjust(TimingTrack) + delta, -kAdjustLimit, kAdjustLimit);
    words.SetAdjust(TimingTrack, static_cast<int16_t>(value));
    view.ShowAdjust(static_cast<int16_t>(value));
    view.UpdateWords();
    return true;
}
