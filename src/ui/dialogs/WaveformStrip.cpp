#include "WaveformStrip.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "core/common/Etc.h"
#include "core/entry/TimingCapture.h"
#include "core/entry/Waveform.h"

namespace {
constexpr int kGrab = 4; // how near a marker a press takes it
const QColor kBack(24, 28, 36), kWave(96, 160, 220), kStart(80, 210, 110), kEnd(230, 100, 90), kCursor(250, 220, 80);
} // namespace

WaveformStrip::WaveformStrip(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Waveform"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("クリック: そこから再生　印をドラッグ: 時刻を移動"));
}

QSize WaveformStrip::sizeHint() const { return {ScaleToScreen(480), ScaleToScreen(64)}; }
QSize WaveformStrip::minimumSizeHint() const { return {ScaleToScreen(120), ScaleToScreen(48)}; }

void WaveformStrip::SetPeaks(const TrackPeaks* p)
{
    peaks = p;
    update();
}

void WaveformStrip::SetTimes(std::vector<std::pair<int32_t, int32_t>> t, int32_t len)
{
    times = std::move(t);
    length = len;
    if (viewStart > std::max(0, length - kViewSpan)) viewStart = std::max(0, length - kViewSpan);
    update();
}

void WaveformStrip::SetCursor(int32_t hundredths)
{
    if (cursor == hundredths) return;
    const int32_t was = cursor, start = viewStart;
    cursor = hundredths;
    // The view pages on with the playing position.
    if (cursor >= 0 && (cursor < viewStart || cursor >= viewStart + kViewSpan)) ShowAround(cursor);
    if (viewStart != start) return; // all of it was asked to be drawn again
    // Only where the cursor was and where it is now: the position moves every 30 ms
    // while a track plays, and drawing all the peaks each time cost a good share of a core.
    for (int32_t t : {was, cursor})
        if (t >= viewStart && t <= viewStart + kViewSpan) update(XOf(t) - 3, 0, 7, height());
}

void WaveformStrip::SetSelected(int column, int line)
{
    selColumn = column;
    selLine = line;
    if (const int32_t t = slotTime(column, line); t > 0) ShowAround(t);
    update();
}

void WaveformStrip::ShowAround(int32_t hundredths)
{
    if (hundredths >= viewStart + kViewSpan / 10 && hundredths < viewStart + kViewSpan * 9 / 10) return;
    viewStart = std::clamp(hundredths - kViewSpan / 5, 0, std::max(0, length - kViewSpan));
    update();
}

int WaveformStrip::XOf(int32_t hundredths) const
{
    return static_cast<int>(int64_t(hundredths - viewStart) * width() / kViewSpan);
}

int32_t WaveformStrip::TimeAt(int x) const
{
    return viewStart + static_cast<int32_t>((int64_t(x) * kViewSpan + width() / 2) / std::max(width(), 1));
}

int32_t WaveformStrip::slotTime(int column, int line) const
{
    if (line < 1 || size_t(line) > times.size() || column < 1 || column > 2) return 0;
    const auto& t = times[size_t(line - 1)];
    return column == 1 ? t.first : t.second;
}

std::pair<int, int> WaveformStrip::markerAt(int x) const
{
    std::pair<int, int> best{0, 0};
    int bestDistance = ScaleToScreen(kGrab) + 1;
    for (int line = 1; line <= int(times.size()); ++line)
        for (int column : {1, 2}) {
            const int32_t t = slotTime(column, line);
            if (t <= 0) continue;
            const int d = std::abs(XOf(t) - x);
            // The chosen slot wins a tie: a start on the end before it moves what was chosen.
            if (d < bestDistance || (d == bestDistance && column == selColumn && line == selLine)) {
                bestDistance = d;
                best = {column, line};
            }
        }
    return best;
}

void WaveformStrip::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    // Only what is to be drawn again (the cursor's strips as it moves), with a margin for
    // the texts that reach into it.
    const QRect dirty = event->rect();
    const auto near = [&](int x) { return x >= dirty.left() - 40 && x <= dirty.right() + 40; };
    p.fillRect(dirty, isEnabled() ? kBack : kBack.lighter(150));
    const int h = height(), mid = h / 2;
    // The peaks: one vertical line per pixel, the largest peak under it.
    if (peaks && !peaks->Peaks.empty()) {
        p.setPen(kWave);
        for (int x = std::max(0, dirty.left()); x <= std::min(width() - 1, dirty.right()); ++x) {
            const int32_t from = TimeAt(x), to = std::max(from + 1, TimeAt(x + 1));
            int peak = 0;
            for (int32_t t = from; t < to; ++t) peak = std::max<int>(peak, peaks->At(t));
            const int half = peak * (h / 2 - 2) / 255;
            if (half > 0) p.drawLine(x, mid - half, x, mid + half);
        }
    } else if (length > 0) {
        p.setPen(Qt::gray);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("波形を読み込んでいます..."));
    }
    // A tick every second, with the time every five.
    p.setPen(QColor(90, 96, 110));
    for (int32_t t = (viewStart + 99) / 100 * 100; t < viewStart + kViewSpan; t += 100) {
        const int x = XOf(t);
        if (!near(x)) continue;
        p.drawLine(x, h - 4, x, h);
        if (t % 500 == 0) p.drawText(x + 2, h - 2, FormatCellTime(t).chopped(3));
    }
    // The lines' starts and ends, numbered.
    QFont small = font();
    small.setPixelSize(std::max(9, h / 6));
    p.setFont(small);
    for (int line = 1; line <= int(times.size()); ++line)
        for (int column : {1, 2}) {
            const bool dragged = column == dragColumn && line == dragLine;
            const int32_t t = dragged ? dragValue : slotTime(column, line);
            if (t <= 0 || t < viewStart - 50 || t > viewStart + kViewSpan) continue;
            const int x = XOf(t);
            if (!near(x)) continue;
            const bool chosen = column == selColumn && line == selLine;
            QPen pen(column == 1 ? kStart : kEnd, chosen || dragged ? 3 : 1);
            if (column == 2) pen.setStyle(Qt::DashLine);
            p.setPen(pen);
            p.drawLine(x, 0, x, h);
            p.drawText(column == 1 ? x + 3 : x - 3 - p.fontMetrics().horizontalAdvance(QString::number(line)),
                       p.fontMetrics().ascent() + (column == 1 ? 1 : h / 4), QString::number(line));
        }
    if (cursor >= viewStart && cursor <= viewStart + kViewSpan) {
        p.setPen(QPen(kCursor, 2));
        p.drawLine(XOf(cursor), 0, XOf(cursor), h);
    }
}

void WaveformStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || length <= 0) return;
    const int x = int(event->position().x());
    const auto [column, line] = dragEnabled ? markerAt(x) : std::pair{0, 0};
    if (column != 0 && RangeOf) {
        dragColumn = column;
        dragLine = line;
        dragValue = slotTime(column, line);
        dragRange = RangeOf(column, line);
        return;
    }
    if (ClickedAt) ClickedAt(std::clamp(TimeAt(x), 0, length));
}

void WaveformStrip::mouseMoveEvent(QMouseEvent* event)
{
    const int x = int(event->position().x());
    if (dragColumn == 0) {
        setCursor(dragEnabled && markerAt(x).first != 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    const int32_t value = std::clamp(TimeAt(x), dragRange.first, dragRange.second);
    if (value == dragValue) return;
    dragValue = value;
    if (Dragging) Dragging(dragColumn, dragLine, value);
    update();
}

void WaveformStrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || dragColumn == 0) return;
    const int column = dragColumn, line = dragLine;
    const int32_t value = dragValue;
    dragColumn = dragLine = 0;
    if (Dropped) Dropped(column, line, value);
    update();
}
