#pragma once
// The timing page's waveform: a few seconds of the track's peaks around the chosen line,
// each line's start and end as a marker with the line's number, and the playing position
// as a cursor. A click plays from there; a marker dragged moves its time in steps of a
// hundredth of a second, never past its neighbours (the page decides where it may go).
#include <QWidget>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

struct TrackPeaks;

class WaveformStrip : public QWidget {
    Q_OBJECT
public:
    explicit WaveformStrip(QWidget* parent = nullptr);

    // The peaks to draw (null: still being read), and each line's start and end in
    // hundredths of a second (0: not set); the track's length in hundredths.
    void SetPeaks(const TrackPeaks* peaks);
    bool HasPeaks() const { return peaks != nullptr; }
    int32_t Cursor() const { return cursor; }
    void SetTimes(std::vector<std::pair<int32_t, int32_t>> times, int32_t length);
    // The playing position in hundredths; -1 hides the cursor. The view follows it.
    void SetCursor(int32_t hundredths);
    // The chosen slot (column 1 start, 2 end of line; 0: none); the view shows it.
    void SetSelected(int column, int line);
    // Brings a time into view, a fifth from the left edge when it was out of view.
    void ShowAround(int32_t hundredths);
    void SetDragEnabled(bool enabled) { dragEnabled = enabled; }

    // The view: its first time and how much it spans (hundredths).
    int32_t ViewStart() const { return viewStart; }
    static constexpr int32_t kViewSpan = 1000;
    // Where a time is drawn, and the time at a place.
    int XOf(int32_t hundredths) const;
    int32_t TimeAt(int x) const;

    std::function<void(int32_t hundredths)> ClickedAt;
    // Where the slot's time may go: [low, high].
    std::function<std::pair<int32_t, int32_t>(int column, int line)> RangeOf;
    std::function<void(int column, int line, int32_t value)> Dragging; // while held
    std::function<void(int column, int line, int32_t value)> Dropped;  // released

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The slot whose marker is at x (within a few pixels), or {0, 0}.
    std::pair<int, int> markerAt(int x) const;
    int32_t slotTime(int column, int line) const;

    const TrackPeaks* peaks = nullptr;
    std::vector<std::pair<int32_t, int32_t>> times;
    int32_t length = 0;
    int32_t cursor = -1;
    int32_t viewStart = 0;
    int selColumn = 0, selLine = 0;
    bool dragEnabled = true;
    // A marker being dragged.
    int dragColumn = 0, dragLine = 0;
    int32_t dragValue = 0;
    std::pair<int32_t, int32_t> dragRange{0, 0};
};
