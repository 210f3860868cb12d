#pragma once
// Timing capture: the user plays a track and stamps each lyrics line's start and end
// in time with the music. The capture cursor walks start(1), end(1), start(2), ...;
// a test plays the track so that the lyrics window runs on the captured times.
//
// Times are hundredths of a second from the start of the track, 0 meaning "not set";
// the drive works in milliseconds. Stamps store raw times: the track's adjust value
// applies only when the lyrics are shown.
//
// The timing page of the data-entry dialog shows what this decides and forwards the
// user's presses; tests drive it on the simulated drive and a manual clock.
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <vector>

#include "core/discdata/Words.h"

class CdDevice;
class Clock;
class PlaybackController;

// What the capture tells the page.
class TimingView {
public:
    virtual ~TimingView() = default;
    // A stamp or an undo wrote value into line's start (column 1) or end (column 2).
    virtual void ShowStamp(int column, int line, int32_t value) = 0;
    // The capture cursor is on this cell; the grid keeps it in view.
    virtual void SelectCell(int column, int line) = 0;
    // The time display: hundredths of a second into the track.
    virtual void ShowElapsed(int32_t elapsed) = 0;
    // A capture or a test began or ended.
    virtual void ModeChanged() = 0;
    // The track's adjust value was nudged.
    virtual void ShowAdjust(int16_t adjust) = 0;
    // During a test: the lyrics window shows the line for the drive's position now.
    virtual void UpdateWords() = 0;
};

// Places input events on the program's clock. An event carries the time of the window
// system's own clock; the smallest gap seen between that time and our clock on arrival
// is taken as the gap of an event that waited for nothing, and a larger gap as waiting.
class EventTimes {
public:
    // Our tick at which an event stamped eventTime (0: no time) happened, if it arrived
    // at tick now. Never later than now, never more than kMaxWait before it.
    uint32_t TickOf(uint64_t eventTime, uint32_t now);
    static constexpr uint32_t kMaxWait = 250;

private:
    bool known = false;
    int64_t offset = 0; // smallest now - eventTime seen (crept up slowly, see TickOf)
    uint32_t lastArrival = 0;
};

class TimingCapture : public QObject {
    Q_OBJECT
public:
    TimingCapture(CdDevice& device, Clock& clock, TWords& words, PlaybackController& player, TimingView& view,
                  QObject* parent = nullptr);

    // The track the page shows and captures.
    void SetTrack(int track);

    // Start: begins a capture at the cell (column 1 start, 2 end) of line, playing from
    // the lead-in; while capturing, stops it.
    void StartClick(int column, int line);
    // Set (continuous false) or ContSet (true), pressed at tick pressTick: stamps the
    // position of that moment. ContSet on an end also stamps the next line's start.
    void SetClick(bool continuous, uint32_t pressTick);
    // Ret: the cursor steps back one slot and the track plays again from its lead-in.
    void RetClick();
    // Test: plays from the time cellValue (hundredths) without lead-in while the lyrics
    // window follows; while testing, stops it.
    void TestClick(int32_t cellValue);
    // Every 30 ms while a capture or test runs: the time display and the end of track.
    void TimingTimerProc();
    // Ends any capture, test or fast seek; the drive stops.
    void StopTiming();

    // The fast seek while PrevBtn (next false) or NextBtn (next true) is held: the drive
    // stops and the time display runs ahead; playback resumes on release.
    void BeginSeek(bool next);
    void SeekStep();
    void ReleaseSeek();

    // Takes back the last stamp of this capture: the slots get their old times and the
    // cursor returns. False when there is none.
    bool Undo();
    // While testing: moves the track's adjust value by delta (within -30000..30000).
    bool NudgeAdjust(int delta);

    // Where Start and Ret begin to play, in hundredths: on a start, the previous line's
    // start (0 on line 1); on an end, the same line's start.
    int32_t LeadIn(int column, int line) const;
    bool Running() const { return Capturing || Testing; }
    int CursorColumn() const { return AtStartColumn ? 1 : 2; }

    int TimingTrack = 0;
    int CaptureLine = 1;       // the line the next stamp goes to
    bool AtStartColumn = true; // the next stamp is that line's start
    int32_t PlayPos = 0;       // ms: the last position read, or the seek's position
    int32_t Elapsed = 0;       // hundredths into the track, never negative
    int32_t SeekPos = 0;       // ms
    bool UseSeekPos = false;
    bool Seeking = false;
    bool Capturing = false;
    bool Testing = false;

    QTimer TimingTimer; // 30 ms while a capture or test runs
    QTimer SeekTimer;   // the fast seek's passes while a button is held

    static constexpr int kTimerMs = 30;
    static constexpr int kAdjustLimit = ::kAdjustLimit;

private:
    struct Stamp {
        int line;
        bool atStart;                // the cursor before the press
        std::vector<TWordsLine> old; // the slots the press wrote, from line on
    };

    void updateElapsed(uint32_t pressTick);
    void playFrom(int32_t hundredths);
    bool noDisc();

    CdDevice& device;
    Clock& clock;
    TWords& words;
    PlaybackController& player;
    TimingView& view;
    std::vector<Stamp> undo;
    uint32_t playTick = 0; // when the current playing began
    bool seekNext = false;
    int seekStep = 1000;
    int seekTicks = 0;
    uint32_t seekTick = 0;
};
