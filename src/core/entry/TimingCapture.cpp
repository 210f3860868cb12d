#include "TimingCapture.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <map>

#include "core/common/Clock.h"
#include "core/drive/CdDevice.h"
#include "core/playback/PlaybackController.h"

namespace {
constexpr uint32_t kSeekPassMs = 100; // the fast seek moves once per this
constexpr int kSeekStepTimerMs = 10;
// A press older than this on arrival is taken as pressed on arrival.
constexpr int64_t kStaleMs = 10000;
} // namespace

QString FormatCellTime(int32_t hundredths)
{
    const int64_t v = hundredths < 0 ? -int64_t(hundredths) : hundredths;
    return QString::asprintf("%s%lld:%02lld.%02lld", hundredths < 0 ? "-" : "", static_cast<long long>(v / 6000),
                             static_cast<long long>(v / 100 % 60), static_cast<long long>(v % 100));
}

std::optional<int32_t> ParseCellTime(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return 0;
    bool ok = false;
    const int32_t plain = t.toInt(&ok);
    if (ok) return plain;
    // m:ss.xx, or seconds alone with their fraction.
    static const QRegularExpression clock(QStringLiteral("^(-?)(\\d{1,5}):([0-5]?\\d)(?:[.,](\\d+))?$"));
    static const QRegularExpression seconds(QStringLiteral("^(-?)()(\\d{1,7})[.,](\\d+)$"));
    QRegularExpressionMatch m = clock.match(t);
    if (!m.hasMatch()) m = seconds.match(t);
    if (!m.hasMatch()) return std::nullopt;
    const QString fraction = (m.captured(4) + QStringLiteral("00")).left(2);
    const int64_t value = m.captured(2).toLongLong() * 6000 + m.captured(3).toLongLong() * 100 + fraction.toInt();
    if (value > INT32_MAX) return std::nullopt;
    return m.captured(1).isEmpty() ? int32_t(value) : -int32_t(value);
}

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

void TimingCapture::SetTrack(int track) { TimingTrack = track; }

void TimingCapture::ForgetEdits() { undo.clear(); }

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
    device.SetPlaySpeed(Speed);
    device.Play();
    playTick = clock.TickCount();
}

void TimingCapture::StartClick(int column, int line)
{
    if (Capturing) {
        StopTiming();
        return;
    }
    if (Testing || PlayingLine) return;
    const int count = words.GetLineCount(TimingTrack);
    if (count == 0 || words.GetCopyTrack(TimingTrack) != 0) return;
    takeDrive();
    Capturing = true;
    ++captureSerial;
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
            if (late <= EventTimes::kMaxWait) PlayPos -= static_cast<int32_t>(std::lround(late * Speed));
        }
    }
    Elapsed = std::max((PlayPos - words.SongStart(TimingTrack)) / 10, 0);
}

void TimingCapture::SetClick(bool continuous, uint32_t pressTick)
{
    if (!Capturing) return;
    updateElapsed(pressTick);
    // The user's own steady lateness comes off the stamp, never before the track's start.
    if (!UseSeekPos && ReactionMs > 0) {
        const auto reaction = static_cast<int32_t>(std::lround(ReactionMs * Speed));
        Elapsed = std::max((PlayPos - reaction - words.SongStart(TimingTrack)) / 10, 0);
    }
    Edit stamp{TimingTrack, CaptureLine, {}, true, AtStartColumn, captureSerial};
    for (;;) {
        const int count = words.GetLineCount(TimingTrack);
        if (CaptureLine > count) break; // every line is done
        TWordsLine line = words.GetLine(TimingTrack, CaptureLine);
        stamp.old.push_back(line); // each pass writes the next line
        stamp.lines.push_back(CaptureLine);
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
    if (Seeking) return false;
    while (!undo.empty()) {
        if (Capturing && (!undo.back().stamp || undo.back().capture != captureSerial)) return false;
        const Edit edit = std::move(undo.back());
        undo.pop_back();
        if (edit.adjust) {
            words.SetAdjust(edit.track, edit.oldAdjust);
            if (edit.track != TimingTrack) view.ShowTrack(edit.track);
            view.ShowAdjust(edit.oldAdjust);
            if (Testing) view.UpdateWords();
            return true;
        }
        // Lines replaced since by other lines (an import, a look-up, another source) are
        // not the lines this edit was made on: it no longer applies.
        bool applies = !edit.old.empty();
        for (size_t i = 0; i < edit.old.size() && applies; ++i)
            applies = edit.lines[i] <= words.GetLineCount(edit.track) &&
                      words.GetLine(edit.track, edit.lines[i]).Text == edit.old[i].Text;
        if (!applies) continue;
        if (edit.track != TimingTrack) view.ShowTrack(edit.track);
        for (size_t i = 0; i < edit.old.size(); ++i) {
            const int n = edit.lines[i];
            TWordsLine line = words.GetLine(edit.track, n);
            line.StartTime = edit.old[i].StartTime;
            line.EndTime = edit.old[i].EndTime;
            line.Words = edit.old[i].Words;
            words.SetLine(edit.track, n, line);
            view.ShowStamp(1, n, line.StartTime);
            view.ShowStamp(2, n, line.EndTime);
        }
        if (edit.stamp && Capturing) {
            CaptureLine = edit.line;
            AtStartColumn = edit.atStart;
            view.SelectCell(CursorColumn(), CaptureLine);
        }
        return true;
    }
    return false;
}

void TimingCapture::LinesMoved(int track, const std::vector<int>& from)
{
    std::map<int, int> to; // old line -> new line
    for (size_t k = 0; k < from.size(); ++k)
        if (from[k] >= 0) to[from[k] + 1] = static_cast<int>(k) + 1;
    for (Edit& e : undo) {
        if (e.track != track || e.adjust) continue;
        std::vector<int> lines;
        std::vector<TWordsLine> old;
        for (size_t i = 0; i < e.old.size(); ++i) {
            const auto it = to.find(e.lines[i]);
            if (it == to.end()) continue; // a deleted line's times went with it
            lines.push_back(it->second);
            old.push_back(e.old[i]);
            // Mended in place, still the line; its word times went with the old text.
            const QString text = words.GetLine(track, it->second).Text;
            if (old.back().Text != text) old.back().Words.clear();
            old.back().Text = text;
        }
        e.lines = std::move(lines);
        e.old = std::move(old);
        if (const auto it = to.find(e.line); it != to.end()) e.line = it->second;
    }
    std::erase_if(undo, [](const Edit& e) { return !e.adjust && e.old.empty(); });
}

void TimingCapture::SetAdjust(int16_t adjust)
{
    const int16_t old = words.GetAdjust(TimingTrack);
    if (old == adjust) return;
    Edit edit{TimingTrack, 0, {}};
    edit.adjust = true;
    edit.oldAdjust = old;
    undo.push_back(std::move(edit));
    words.SetAdjust(TimingTrack, adjust);
}

void TimingCapture::writeTime(int column, int line, int32_t value)
{
    TWordsLine record = words.GetLine(TimingTrack, line);
    const int32_t old = column == 1 ? record.StartTime : record.EndTime;
    if (old == value) return;
    Edit edit{TimingTrack, line, {record}};
    edit.lines = {line};
    undo.push_back(std::move(edit));
    (column == 1 ? record.StartTime : record.EndTime) = value;
    words.SetLine(TimingTrack, line, record);
    view.ShowStamp(column, line, value);
}

void TimingCapture::SetTime(int column, int line, int32_t value)
{
    if (column < 1 || column > 2 || line < 1 || line > words.GetLineCount(TimingTrack)) return;
    writeTime(column, line, value);
}

std::pair<int32_t, int32_t> TimingCapture::TimeRange(int column, int line) const
{
    // The slots in time order: start 1, end 1, start 2, ...; 0 is a time not set.
    const int count = words.GetLineCount(TimingTrack);
    const auto slot = [&](int i) {
        const TWordsLine l = words.GetLine(TimingTrack, i / 2 + 1);
        return i % 2 == 0 ? l.StartTime : l.EndTime;
    };
    const int self = 2 * (line - 1) + (column - 1);
    int32_t low = 1, high = std::max(words.SongLength(TimingTrack) / 10, 1);
    for (int i = self - 1; i >= 0; --i) {
        if (const int32_t v = slot(i)) {
            // A line's end stays after its own start; a start may meet the end before it.
            low = (column == 2 && i == self - 1) ? v + 1 : v;
            break;
        }
    }
    for (int i = self + 1; i < 2 * count; ++i) {
        if (const int32_t v = slot(i)) {
            high = (column == 1 && i == self + 1) ? v - 1 : v;
            break;
        }
    }
    return {low, std::max(low, high)};
}

int32_t TimingCapture::MoveTime(int column, int line, int32_t value)
{
    if (column < 1 || column > 2 || line < 1 || line > words.GetLineCount(TimingTrack)) return 0;
    const TWordsLine record = words.GetLine(TimingTrack, line);
    const int32_t now = column == 1 ? record.StartTime : record.EndTime;
    if (now == 0 || Capturing) return now;
    const auto [low, high] = TimeRange(column, line);
    const int32_t kept = std::clamp(value, low, high);
    writeTime(column, line, kept);
    return kept;
}

bool TimingCapture::Nudge(int column, int line, int delta)
{
    if (Capturing || column < 1 || column > 2 || line < 1 || line > words.GetLineCount(TimingTrack)) return false;
    if (words.GetCopyTrack(TimingTrack) != 0) return false;
    const TWordsLine record = words.GetLine(TimingTrack, line);
    const int32_t now = column == 1 ? record.StartTime : record.EndTime;
    if (now == 0) return false;
    return MoveTime(column, line, now + delta) != now;
}

int32_t TimingCapture::lineEndOf(int line) const
{
    const TWordsLine l = words.GetLine(TimingTrack, line);
    if (l.EndTime > l.StartTime) return l.EndTime;
    if (line < words.GetLineCount(TimingTrack)) {
        const int32_t next = words.GetLine(TimingTrack, line + 1).StartTime;
        if (next > l.StartTime) return next;
    }
    return l.StartTime + 300;
}

void TimingCapture::playLine()
{
    // The times are read at every pass, so that a nudge is heard at the next one.
    const TWordsLine l = words.GetLine(TimingTrack, PlayedLine);
    const int32_t from = std::max(l.StartTime - 100, 0);
    lineEndMs = words.SongStart(TimingTrack) + 10 * std::min(lineEndOf(PlayedLine), words.SongLength(TimingTrack) / 10);
    PlayPos = words.SongStart(TimingTrack) + 10 * from;
    player.SeekTo(PlayPos);
    device.SetEndPos(lineEndMs);
    device.SetPlaySpeed(Speed);
    device.Play();
    playTick = clock.TickCount();
}

void TimingCapture::PlayLineClick(int line, bool loop)
{
    if (PlayingLine) {
        StopTiming();
        return;
    }
    if (Capturing || Testing) return;
    if (line < 1 || line > words.GetLineCount(TimingTrack) || words.GetCopyTrack(TimingTrack) != 0) return;
    const TWordsLine l = words.GetLine(TimingTrack, line);
    if (l.StartTime <= 0) return; // nowhere to begin
    takeDrive();
    PlayingLine = true;
    LoopLine = loop;
    PlayedLine = line;
    view.ModeChanged();
    playLine();
    player.CurrentTrack = TimingTrack;
    TimingTimer.start();
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
    if (Capturing || PlayingLine) return;
    if (words.GetLineCount(TimingTrack) == 0 || words.GetCopyTrack(TimingTrack) != 0) return;
    takeDrive();
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
    if (PlayingLine && !Seeking && (PlayPos >= lineEndMs || device.Mode() != ModePlaying)) {
        if (LoopLine)
            playLine();
        else
            StopTiming();
        return;
    }
    if (PlayPos >= words.SongStart(TimingTrack + 1) && !Seeking) {
        StopTiming();
        Elapsed = 0;
        view.ShowElapsed(0);
    }
}

void TimingCapture::SetSpeed(double speed)
{
    Speed = speed;
    if (Running() && !Seeking) device.SetPlaySpeed(speed);
}

void TimingCapture::StopTiming()
{
    device.Stop();
    // The rest of the program plays at normal speed.
    device.SetPlaySpeed(1.0);
    TimingTimer.stop();
    SeekTimer.stop();
    Seeking = false;
    UseSeekPos = false;
    const bool changed = Running();
    Capturing = false;
    Testing = false;
    PlayingLine = false;
    LoopLine = false;
    if (changed) view.ModeChanged();
    // The player takes the drive back where data entry found it: stopped on its first entry.
    if (changed && player.InDataEntry) player.StopBtnClick();
}

void TimingCapture::takeDrive()
{
    // What the desktop's controls played while the dialog stood open stops first.
    if (player.InDataEntry && player.Started()) player.StopBtnClick();
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
    device.SetPlaySpeed(Speed);
    device.Play();
    playTick = clock.TickCount();
    UseSeekPos = false;
    TimingTimer.start();
}

bool TimingCapture::NudgeAdjust(int delta)
{
    if (!Testing) return false;
    const int value = std::clamp(words.GetAdjust(TimingTrack) + delta, -kAdjustLimit, kAdjustLimit);
    SetAdjust(static_cast<int16_t>(value));
    view.ShowAdjust(static_cast<int16_t>(value));
    view.UpdateWords();
    return true;
}
